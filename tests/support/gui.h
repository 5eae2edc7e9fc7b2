// Helpers for tests that drive the toolkit layer under a real (virtual) display.
//
// The test main (support/main.cpp) initialises the runtime with runtime_init
// and then runs the tests. Tests that need a display begin with GUI_REQUIRE(),
// which skips them when no display could be opened.
//
// Input is synthesized as GDK events and handed to GTK with gtk_main_do_event,
// so the widget's signal handlers run at once, as for real input, and no window
// manager or keyboard focus is needed. Pointer positions are relative to the
// widget's own GdkWindow (for a canvas: its drawing area; for an image gadget:
// its event box; see gadget_widget). Key events go to the widget's toplevel,
// where accelerators (shortcuts) and dialogs' key handlers see them.
//
// The application events that come out are read with gui_take_events, which
// runs the toolkit's pending work first and then empties the queue in order.
#pragma once

#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/toolkit/events.h"

// True when the runtime found a display.
bool gui_available();
#define GUI_REQUIRE()                                              \
  do {                                                             \
    if (!gui_available()) GTEST_SKIP() << "no display available"; \
  } while (0)

// --- The toolkit loop --------------------------------------------------------------

// Runs the toolkit's pending events until none is left (bounded).
void gui_pump();
// Keeps running the toolkit loop for about ms milliseconds.
void gui_pump_for(int ms);
// Runs the toolkit loop until condition() is true or timeout_ms has passed;
// returns condition().
bool gui_wait_until(const std::function<bool()>& condition, int timeout_ms = 3000);
// Runs action from the toolkit loop after ms milliseconds: the way to act while
// the code under test runs a dialog of its own.
void gui_later(int ms, std::function<void()> action);

// --- Application events -------------------------------------------------------------

struct GuiEvent {
  int64_t kind = 0;
  int64_t window = 0;
  int64_t object = 0;  // gadget, menu item or shortcut number
  int64_t type = 0;
  bool has_mouse = false;
  MouseRecord mouse;   // copy of a canvas event's mouse record
};
// Pumps the toolkit, then takes every queued application event, in order.
std::vector<GuiEvent> gui_take_events();
// Pumps the toolkit and drops every queued event.
void gui_discard_events();
// The events of one kind (and, for gadget >= 0, one gadget) out of a list.
std::vector<GuiEvent> gui_filter(const std::vector<GuiEvent>& events, int64_t kind, int64_t gadget = -1);
// Types of the events, in order (handy for comparing sequences).
std::vector<int64_t> gui_types(const std::vector<GuiEvent>& events);

// --- Synthesized input (delivered at once) -----------------------------------------

void gui_motion(GtkWidget* widget, double x, double y, guint state = 0);
// type GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS or GDK_BUTTON_RELEASE.
void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y, guint state = 0);
// Press and release.
void gui_click(GtkWidget* widget, guint button, double x, double y, guint state = 0);
// As GDK reports a double click: press, release, press, double press, release.
void gui_double_click(GtkWidget* widget, guint button, double x, double y);
void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y);
void gui_crossing(GtkWidget* widget, bool enter, double x, double y);
// Key press and release on the widget's toplevel, with the hardware keycode
// that the keymap gives for keyval (accelerators match by keycode).
void gui_key(GtkWidget* widget, guint keyval, guint state = 0);
// Types the text's characters as key presses.
void gui_type(GtkWidget* widget, const std::string& text);
// The window manager's "close" request (delete event) on the toplevel.
void gui_delete(GtkWidget* widget);
// A configure notification of the toplevel with the given geometry.
void gui_configure(GtkWidget* widget, int x, int y, int width, int height);

// --- Finding widgets ------------------------------------------------------------------

// A visible toplevel window of the type (e.g. GTK_TYPE_MESSAGE_DIALOG); with a
// title, only one with that title. nullptr if there is none.
GtkWidget* gui_find_toplevel(GType type, const char* title = nullptr);
// The first widget of the type inside root (depth-first, internal children too).
GtkWidget* gui_find_child(GtkWidget* root, GType type);
// The first button inside root whose label (mnemonic underscores removed) is text.
GtkWidget* gui_find_button(GtkWidget* root, const char* text);
// Waits (inside whatever loop runs) for a visible toplevel of the type, then
// runs action on it once. If none appeared after timeout_ms, or the toplevel
// is still open timeout_ms after the action, the test fails and every
// toplevel of the type is destroyed, so that a dialog's wait ends.
void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms = 8000);

// --- Pointer and focus ---------------------------------------------------------------

// Moves the real pointer to the screen position and waits for it to arrive.
void gui_warp_pointer(int x, int y);
// Presents the window and waits until it has the keyboard focus (needs a window
// manager under Xvfb); false when it did not get it.
bool gui_focus(GtkWidget* window, int timeout_ms = 2000);
