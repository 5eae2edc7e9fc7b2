// Tests under a real (virtual) display, begun with GUI_REQUIRE(). Input is made as GDK events handed
// to gtk_main_do_event, so handlers run at once; positions are relative to the widget's GdkWindow.
#pragma once

#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/toolkit/events.h"
#include "runtime/toolkit/runtime.h"

#define GUI_REQUIRE() \
  if (!runtime_has_display()) GTEST_SKIP() << "no display available"

void gui_pump();  // the toolkit's pending events, until none is left
void gui_pump_for(int ms);
// Runs the toolkit loop until condition() holds or timeout_ms passed; returns condition().
bool gui_wait_until(const std::function<bool()>& condition, int timeout_ms = 3000);
void gui_later(int ms, std::function<void()> action);  // action from the toolkit loop after ms

struct GuiEvent {
  int64_t kind, window, object, type;  // object: gadget, menu item or shortcut number
  bool has_mouse;
  MouseRecord mouse;  // copy of a canvas event's mouse record
};
// Pumps the toolkit, then takes every queued application event, in order.
std::vector<GuiEvent> gui_take_events();
inline void gui_discard_events() { gui_take_events(); }
// The types of the events of one kind (and, for gadget >= 0, one gadget).
std::vector<int64_t> gui_types(const std::vector<GuiEvent>& events, int64_t kind, int64_t gadget = -1);

void gui_motion(GtkWidget* widget, double x, double y);
void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y);
// Press and release; twice: press, release, press, double press, release, as GDK reports it.
void gui_click(GtkWidget* widget, guint button, double x, double y, bool twice = false);
void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y);
// Key press and release on the toplevel, with the keymap's hardware keycode (accelerators match by it).
void gui_key(GtkWidget* widget, guint keyval, guint state = 0);
void gui_delete(GtkWidget* widget);  // the window manager's close request on the toplevel
void gui_configure(GtkWidget* widget, int x, int y, int width, int height);

// The first widget of the type inside root (internal children too).
GtkWidget* gui_find_child(GtkWidget* root, GType type);
// Runs action once on a visible toplevel of the type, from whatever loop runs. If none comes, or it is
// still open timeout_ms after, the test fails and those toplevels are destroyed, ending a dialog's wait.
void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms = 8000);

void gui_warp_pointer(int x, int y);
