// What the toolkit's gadget files share: the gadget records and their
// table, the mouse records of gadget events, and the steps of creating a
// gadget. Not for use outside runtime/toolkit.
#pragma once

#include <gtk/gtk.h>

#include "runtime/core/objects.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"

namespace gadget_detail {

struct GadgetRecord;

// Operations that differ by gadget class; empty entries do nothing.
struct GadgetClass {
  int type;
  void (*free)(GadgetRecord& record);
  void (*set_state)(GadgetRecord& record, ImageHandle picture);
  void (*resize)(GadgetRecord& record, int number, int x, int y, int width, int height);
};

struct GadgetRecord {
  GtkWidget* widget;  // the main widget: drawing area, button, event box
  GtkWidget* outer;   // the frame around it, if any
  const GadgetClass* gadget_class;
  int window;         // number of the window whose gadget area holds it
  int width, height;  // the size the gadget was given (image gadget: picture size)
  int flags;
  // Canvas.
  GdkPixbuf* buffer;  // RGB, 8 bits per channel, no alpha
  int scale;          // buffer pixels per layout pixel (0 until the first buffer: 1)
  int border_width, border_height;  // what the frame takes, both sides together
  DrawTarget target;
  // Image gadget.
  GtkWidget* image;
  double press_x, press_y;
  bool drag_sent;
};

// The table of every gadget; made at its first use.
ObjectTable<GadgetRecord>& gadget_table();
// The record of a widget's gadget (and its number), if the widget is still
// the gadget's; nullptr otherwise.
GadgetRecord* live_gadget(GtkWidget* widget, int* number);
GtkWidget* outermost(GadgetRecord& record);
// A mouse record for a gadget event, given back by the event's release.
MouseRecord* mouse_record_take();
void mouse_record_give_back(void* data);
// Buttons (1 left, 2 right, 4 middle) and modifiers (1 Shift, 2 Alt, 4
// Control) of a GDK state.
int mouse_buttons(guint state);
int mouse_modifiers(guint state);
// Moves and sizes a gadget that has no frame of its own.
void plain_resize(GadgetRecord& record, int number, int x, int y, int width, int height);
// Takes the number's slot in the gadget area of the current gadget list's
// window; nullptr when there is no display, window or free slot.
GadgetRecord* gadget_begin(int number, int* id, GtkWidget** area, int* window);
// Ties the record to its widgets once they are made.
void gadget_finish(GadgetRecord& record, int id);
// What a create function returns: the id for AnyNumber, 1 for a fixed number.
int handle_result(int number, int id);

extern const GadgetClass CanvasClass;

}  // namespace gadget_detail
