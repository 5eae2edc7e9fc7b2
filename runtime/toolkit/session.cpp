// Signals and the lost display, brought to the toolkit's thread.
#include "runtime/toolkit/session.h"

#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

namespace {

void (*Handler)(int) = nullptr;

gboolean on_signal(gpointer data) {
  int signal = GPOINTER_TO_INT(data);
  if (Handler) Handler(signal);
  end_by_signal(signal);
}

// Xlib calls this when the connection to the X server breaks; it must not
// return (Xlib would end the process itself).
int on_display_lost(Display*) {
  if (Handler) Handler(DisplayLost);
  end_by_signal(DisplayLost);
}

}  // namespace

void on_session_end(void (*handler)(int signal)) {
  Handler = handler;
  static bool connected = false;
  if (connected) return;
  connected = true;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) g_unix_signal_add(signal, on_signal, GINT_TO_POINTER(signal));
  GdkDisplay* display = gdk_display_get_default();
  if (display && GDK_IS_X11_DISPLAY(display)) XSetIOErrorHandler(on_display_lost);
}

void end_by_signal(int signal) {
  if (signal == DisplayLost) _exit(1);
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal);
}
