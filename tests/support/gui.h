// Helpers for tests that drive the toolkit layer under a real (virtual) display.
//
// The test main (support/main.cpp) initialises the runtime; tests that need a
// display begin with GUI_REQUIRE(), which skips them when there is none.
//
// Input is synthesized as GDK events and handed to GTK with gtk_main_do_event,
// so the signal handlers run at once and no window manager or keyboard focus is
// needed. Pointer positions are relative to the widget's own GdkWindow (see
// gadget_widget); key events go to the widget's toplevel.
#pragma once

#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/toolkit/events.h"

bool gui_available();
#define GUI_REQUIRE()                                              \
  do {                                                             \
    if (!gui_available()) GTEST_SKIP() << "no display available"; \
  } while (0)

// Runs the toolkit's pending events until none is left (bounded).
void gui_pump();
// Keeps running the toolkit loop for about ms milliseconds.
void gui_pump_for(int ms);
// Runs the toolkit loop until condition() holds or timeout_ms passed; returns condition().
bool gui_wait_until(const std::function<bool()>& condition, int timeout_ms = 3000);
// Runs action from the toolkit loop after ms milliseconds (to act while the
// code under test runs a loop of its own).
void gui_later(int ms, std::function<void()> action);

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
void gui_discard_events();
// The events of one kind (and, for gadget >= 0, one gadget).
std::vector<GuiEvent> gui_filter(const std::vector<GuiEvent>& events, int64_t kind, int64_t gadget = -1);
std::vector<int64_t> gui_types(const std::vector<GuiEvent>& events);

void gui_motion(GtkWidget* widget, double x, double y, guint state = 0);
// type GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS or GDK_BUTTON_RELEASE.
void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y, guint state = 0);
void gui_click(GtkWidget* widget, guint button, double x, double y);
// As GDK reports a double click: press, release, press, double press, release.
void gui_double_click(GtkWidget* widget, guint button, double x, double y);
void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y);
// Key press and release on the toplevel, with the keymap's hardware keycode
// (accelerators match by keycode).
void gui_key(GtkWidget* widget, guint keyval, guint state = 0);
// The window manager's close request (delete event) on the toplevel.
void gui_delete(GtkWidget* widget);
// A configure notification of the toplevel with the given geometry.
void gui_configure(GtkWidget* widget, int x, int y, int width, int height);

// The first widget of the type inside root (internal children too).
GtkWidget* gui_find_child(GtkWidget* root, GType type);
// Waits (inside whatever loop runs) for a visible toplevel of the type and runs
// action on it once. If none appears, or it is still open timeout_ms after the
// action, the test fails and every toplevel of the type is destroyed, so that a
// dialog's wait ends.
void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms = 8000);

// Moves the real pointer to the screen position and waits for it to arrive.
void gui_warp_pointer(int x, int y);
