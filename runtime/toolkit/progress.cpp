// The progress window: a small modal GTK window with a label and a progress
// bar, transient for the window the work belongs to. Its modality keeps the
// pointer and the keys away from the application's other windows while the
// toolkit loop runs inside progress_step; close requests of the other windows
// are dropped by GTK meanwhile, and the window itself cannot be closed.
#include "runtime/toolkit/progress.h"

#include <gtk/gtk.h>

#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

namespace {

constexpr int64_t PumpIntervalMs = 40;

struct Progress {
  bool running = false;
  int window = 0;
  std::string title, text;
  int64_t start_ms = 0, last_pump_ms = 0;
  GtkWidget* dialog = nullptr;
  GtkWidget* bar = nullptr;
};
Progress Current;

int64_t monotonic_ms() { return g_get_monotonic_time() / 1000; }

gboolean refuse_close(GtkWidget*, GdkEvent*, gpointer) { return TRUE; }

void show_window() {
  GtkWidget* dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(dialog), Current.title.c_str());
  gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_deletable(GTK_WINDOW(dialog), FALSE);
  if (WindowHandle parent = window_handle(Current.window)) {
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(parent));
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
  } else {
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  }
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  g_signal_connect(dialog, "delete-event", G_CALLBACK(refuse_close), nullptr);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
  gtk_container_set_border_width(GTK_CONTAINER(box), 16);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new(Current.text.c_str()), FALSE, FALSE, 0);
  Current.bar = gtk_progress_bar_new();
  gtk_widget_set_size_request(Current.bar, 320, -1);
  gtk_box_pack_start(GTK_BOX(box), Current.bar, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(dialog), box);
  gtk_widget_show_all(dialog);
  Current.dialog = dialog;
}

}  // namespace

void progress_begin(int window, const String& title, const String& text) {
  progress_end();
  Current.running = true;
  Current.window = window;
  Current.title = string_to_utf8(title);
  Current.text = string_to_utf8(text);
  Current.start_ms = Current.last_pump_ms = monotonic_ms();
}

void progress_step(double fraction) {
  if (!Current.running || !runtime_has_display()) return;
  int64_t now = monotonic_ms();
  if (now - Current.start_ms < ProgressDelayMs || now - Current.last_pump_ms < PumpIntervalMs) return;
  Current.last_pump_ms = now;
  if (!Current.dialog) show_window();
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(Current.bar), fraction < 0 ? 0 : fraction > 1 ? 1 : fraction);
  // What is pending now, not what arrives while it is handled: the work
  // goes on after a bounded pause.
  for (int i = 0; i < 200 && gtk_events_pending(); i++) gtk_main_iteration_do(FALSE);
}

void progress_end() {
  if (Current.dialog) {
    gtk_widget_destroy(Current.dialog);
    toolkit_flush();
  }
  Current = Progress();
}

bool progress_shown() { return Current.dialog != nullptr; }
