// Gadgets inside a window's gadget area (a GtkLayout): push buttons, texts
// and image gadgets, and what every kind of gadget has (canvases are in
// canvas.cpp).
//
// As with windows, signal handlers hold no record pointers: the widget carries
// its number ("rx_id", number plus 1) and every handler looks the record up and
// checks that it still belongs to that widget.
#include "runtime/toolkit/gadgets.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadget_records.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"

namespace gadget_detail {

void release_gadget(GadgetRecord& record, int number);
ObjectTable<GadgetRecord>& gadget_table() {
  static ObjectTable<GadgetRecord> table(16, release_gadget);
  return table;
}

GadgetRecord* live_gadget(GtkWidget* widget, int* number) {
  int n = data_int(widget, "rx_id") - 1;
  if (n < 0) return nullptr;
  GadgetRecord* record = gadget_table().find(n);
  if (!record || record->widget != widget) return nullptr;
  if (number) *number = n;
  return record;
}

GtkWidget* outermost(GadgetRecord& record) { return record.outer ? record.outer : record.widget; }

// --- Mouse records -------------------------------------------------------------

constexpr int MouseBlockSize = 64;
std::vector<std::unique_ptr<MouseRecord[]>> MouseBlocks;
std::vector<MouseRecord*> MouseFree;

MouseRecord* mouse_record_take() {
  if (MouseFree.empty()) {
    MouseBlocks.push_back(std::make_unique<MouseRecord[]>(MouseBlockSize));
    for (int i = 0; i < MouseBlockSize; ++i) MouseFree.push_back(&MouseBlocks.back()[i]);
  }
  MouseRecord* record = MouseFree.back();
  MouseFree.pop_back();
  *record = MouseRecord();
  return record;
}

void mouse_record_give_back(void* data) { MouseFree.push_back(static_cast<MouseRecord*>(data)); }

int mouse_buttons(guint state) {
  int buttons = 0;
  if (state & GDK_BUTTON1_MASK) buttons |= 1;
  if (state & GDK_BUTTON3_MASK) buttons |= 2;
  if (state & GDK_BUTTON2_MASK) buttons |= 4;
  return buttons;
}

int mouse_modifiers(guint state) {
  int modifiers = 0;
  if (state & GDK_SHIFT_MASK) modifiers |= 1;
  if (state & GDK_MOD1_MASK) modifiers |= 2;
  if (state & GDK_CONTROL_MASK) modifiers |= 4;
  return modifiers;
}


void plain_resize(GadgetRecord& record, int, int x, int y, int width, int height) {
  GtkWidget* outer = outermost(record);
  bool hidden = !gtk_widget_get_visible(outer);
  if (hidden) gtk_widget_show(outer);
  GtkWidget* parent = gtk_widget_get_parent(outer);
  if (parent && GTK_IS_LAYOUT(parent) && (x != Ignore || y != Ignore)) {
    int cx = 0, cy = 0;
    gtk_container_child_get(GTK_CONTAINER(parent), outer, "x", &cx, "y", &cy, nullptr);
    gtk_layout_move(GTK_LAYOUT(parent), outer, x == Ignore ? cx : x, y == Ignore ? cy : y);
  }
  if (width != Ignore || height != Ignore) {
    // An ignored side keeps the size asked for so far, else the natural one.
    int minimum = 0, natural = 0;
    int asked_width = -1, asked_height = -1;
    gtk_widget_get_size_request(record.widget, &asked_width, &asked_height);
    int new_width = width, new_height = height;
    if (width == Ignore) {
      gtk_widget_get_preferred_width(record.widget, &minimum, &natural);
      new_width = asked_width >= 0 ? asked_width : natural;
    }
    if (height == Ignore) {
      gtk_widget_get_preferred_height(record.widget, &minimum, &natural);
      new_height = asked_height >= 0 ? asked_height : natural;
    }
    if (new_width >= 1 && new_height >= 1) {
      gtk_widget_set_size_request(record.widget, new_width, new_height);
      record.width = new_width;
      record.height = new_height;
    }
  }
  if (hidden) gtk_widget_hide(outer);
}

void image_set_state(GadgetRecord& record, ImageHandle picture) {
  if (!record.image) return;
  if (picture && GDK_IS_PIXBUF(picture)) {
    gtk_image_set_from_pixbuf(GTK_IMAGE(record.image), picture);
    record.width = gdk_pixbuf_get_width(picture);
    record.height = gdk_pixbuf_get_height(picture);
    gtk_widget_set_size_request(record.widget, record.width, record.height);
  } else {
    gtk_image_clear(GTK_IMAGE(record.image));
  }
}

// Image gadget clicks: the press remembers the kind of click ("rx_gadget_eventtype",
// type plus 1, 0 for none); the release over the gadget with the same button
// posts it.
gboolean on_image_press(GtkWidget* widget, GdkEventButton* event, gpointer) {
  GadgetRecord* record = live_gadget(widget, nullptr);
  if (!record) return FALSE;
  int64_t kind = -1;
  if (event->type == GDK_BUTTON_PRESS) {
    if (event->button == 1) kind = LeftClick;
    if (event->button == 3) kind = RightClick;
    record->press_x = event->x;
    record->press_y = event->y;
    record->drag_sent = false;
  } else if (event->type == GDK_2BUTTON_PRESS) {
    if (event->button == 1) kind = LeftDoubleClick;
    if (event->button == 3) kind = RightDoubleClick;
  }
  if (kind >= 0) set_data_int(widget, "rx_gadget_eventtype", static_cast<int>(kind) + 1);
  return kind >= 0;
}

gboolean on_image_release(GtkWidget* widget, GdkEventButton* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  int64_t kind = data_int(widget, "rx_gadget_eventtype") - 1;
  set_data_int(widget, "rx_gadget_eventtype", 0);
  bool inside = event->x >= 0 && event->y >= 0 && event->x < gtk_widget_get_allocated_width(widget) &&
                event->y < gtk_widget_get_allocated_height(widget);
  bool left = kind == LeftClick || kind == LeftDoubleClick;
  bool right = kind == RightClick || kind == RightDoubleClick;
  if (inside && ((left && event->button == 1) || (right && event->button == 3)))
    event_post(Gadget, number, record->window, kind);
  return kind >= 0;
}

gboolean on_image_motion(GtkWidget* widget, GdkEventMotion* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record || record->drag_sent || !(event->state & GDK_BUTTON1_MASK)) return FALSE;
  int64_t kind = data_int(widget, "rx_gadget_eventtype") - 1;
  if (kind != LeftClick && kind != LeftDoubleClick) return FALSE;
  if (gtk_drag_check_threshold(widget, static_cast<int>(record->press_x), static_cast<int>(record->press_y),
                               static_cast<int>(event->x), static_cast<int>(event->y))) {
    record->drag_sent = true;
    event_post(Gadget, number, record->window, DragStart);
  }
  return FALSE;
}

void on_button_clicked(GtkButton* button, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(GTK_WIDGET(button), &number);
  if (!record) return;
  if (event_first_kind() != CloseWindow) event_post(Gadget, number, record->window, LeftClick);
}

const GadgetClass ButtonClass{GadgetButtonType, nullptr, nullptr, plain_resize};
const GadgetClass ImageClass{GadgetImageType, nullptr, image_set_state, plain_resize};
const GadgetClass TextClass{GadgetTextType, nullptr, nullptr, plain_resize};

// What goes with the record, whoever destroys the widget.
void drop_gadget_state(GadgetRecord& record, int number) {
  events_remove_gadget(number, record.window);
  if (record.gadget_class && record.gadget_class->free) record.gadget_class->free(record);
}

void release_gadget(GadgetRecord& record, int number) {
  GtkWidget* widget = outermost(record);
  drop_gadget_state(record, number);
  record.widget = nullptr;
  record.outer = nullptr;
  if (widget) gtk_widget_destroy(widget);
}

void on_gadget_destroy(GtkWidget* widget, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return;
  drop_gadget_state(*record, number);
  record->widget = nullptr;
  record->outer = nullptr;
  gadget_table().forget(number);
}

bool valid_number(int number) { return number == AnyNumber || (number >= 0 && number < FixedNumberLimit); }

// Takes the slot and puts the outer widget into the current gadget area.
GadgetRecord* gadget_begin(int number, int* id, GtkWidget** area, int* window) {
  if (!runtime_has_display() || !valid_number(number)) return nullptr;
  *window = gadget_list_window();
  if (*window < 0 || !window_gadget_area(*window)) return nullptr;
  GadgetRecord* record = gadget_table().create(number, id);
  if (!record) return nullptr;
  *area = window_gadget_area(*window);  // looked up again: the release above ran code
  if (!*area) {
    gadget_table().forget(*id);
    return nullptr;
  }
  record->window = *window;
  return record;
}

void gadget_finish(GadgetRecord& record, int id) {
  set_data_int(record.widget, "rx_id", id + 1);
  if (record.outer) set_data_int(record.outer, "rx_id", id + 1);
  g_signal_connect(record.widget, "destroy", G_CALLBACK(on_gadget_destroy), nullptr);
}

int handle_result(int number, int id) { return number == AnyNumber ? id : 1; }

}  // namespace gadget_detail

using namespace gadget_detail;

int button_create(int number, int x, int y, int width, int height, const String& text, int flags) {
  (void)flags;
  int id = 0, window = -1;
  GtkWidget* area = nullptr;
  GadgetRecord* record = gadget_begin(number, &id, &area, &window);
  if (!record) return 0;
  GtkWidget* button = gtk_button_new_with_label(string_to_utf8(text).c_str());
  record->widget = button;
  record->gadget_class = &ButtonClass;
  record->width = width;
  record->height = height;
  if (width >= 1 && height >= 1) gtk_widget_set_size_request(button, width, height);
  g_signal_connect(button, "clicked", G_CALLBACK(on_button_clicked), nullptr);
  gtk_layout_put(GTK_LAYOUT(area), button, x, y);
  gtk_widget_show_all(button);
  gadget_finish(*record, id);
  return handle_result(number, id);
}

int text_gadget_create(int number, int x, int y, int width, int height, const String& text, int flags) {
  int id = 0, window = -1;
  GtkWidget* area = nullptr;
  GadgetRecord* record = gadget_begin(number, &id, &area, &window);
  if (!record) return 0;
  GtkWidget* label = gtk_label_new(string_to_utf8(text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_yalign(GTK_LABEL(label), 0);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_selectable(GTK_LABEL(label), (flags & TextSelectable) != 0);
  if (flags & TextBold) {
    PangoAttrList* bold = pango_attr_list_new();
    pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    gtk_label_set_attributes(GTK_LABEL(label), bold);
    pango_attr_list_unref(bold);
  }
  record->widget = label;
  record->gadget_class = &TextClass;
  record->flags = flags;
  record->width = width;
  record->height = height;
  if (width >= 1 && height >= 1) gtk_widget_set_size_request(label, width, height);
  gtk_layout_put(GTK_LAYOUT(area), label, x, y);
  gtk_widget_show(label);
  gadget_finish(*record, id);
  return handle_result(number, id);
}

void gadget_set_text(int number, const String& text) {
  GadgetRecord* record = gadget_table().find(number);
  if (record && record->widget && record->gadget_class == &TextClass)
    gtk_label_set_text(GTK_LABEL(record->widget), string_to_utf8(text).c_str());
}

String gadget_text(int number) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget) return String();
  if (record->gadget_class == &TextClass) return string_from_utf8(gtk_label_get_text(GTK_LABEL(record->widget)));
  if (record->gadget_class == &ButtonClass)
    return string_from_utf8(gtk_button_get_label(GTK_BUTTON(record->widget)));
  return String();
}

int image_gadget_create(int number, int x, int y, int width, int height, ImageHandle picture, int flags) {
  int id = 0, window = -1;
  GtkWidget* area = nullptr;
  GadgetRecord* record = gadget_begin(number, &id, &area, &window);
  if (!record) return 0;
  GtkWidget* box = gtk_event_box_new();
  GtkWidget* image = gtk_image_new();
  gtk_widget_set_halign(image, GTK_ALIGN_START);
  gtk_widget_set_valign(image, GTK_ALIGN_START);
  gtk_container_add(GTK_CONTAINER(box), image);
  record->widget = box;
  record->image = image;
  record->gadget_class = &ImageClass;
  record->flags = flags;
  record->width = width;
  record->height = height;
  if (picture && GDK_IS_PIXBUF(picture)) {
    image_set_state(*record, picture);
  } else if (width >= 1 && height >= 1) {
    gtk_widget_set_size_request(box, width, height);
  }
  if (flags & ImageGadgetBorder) {
    record->outer = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(record->outer), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(record->outer), box);
  }
  gtk_widget_add_events(box, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_BUTTON1_MOTION_MASK);
  g_signal_connect(box, "button-press-event", G_CALLBACK(on_image_press), nullptr);
  g_signal_connect(box, "button-release-event", G_CALLBACK(on_image_release), nullptr);
  g_signal_connect(box, "motion-notify-event", G_CALLBACK(on_image_motion), nullptr);
  GtkWidget* outer = outermost(*record);
  gtk_layout_put(GTK_LAYOUT(area), outer, x, y);
  gtk_widget_show_all(outer);
  gadget_finish(*record, id);
  return handle_result(number, id);
}

void gadget_set_state(int number, ImageHandle picture) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget || !record->gadget_class->set_state) return;
  events_suspend();
  record->gadget_class->set_state(*record, picture);
  events_resume();
}

void gadget_hide(int number, bool hidden) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget) return;
  if (hidden)
    gtk_widget_hide(outermost(*record));
  else
    gtk_widget_show(outermost(*record));
}

void gadget_resize(int number, int x, int y, int width, int height) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget || !record->gadget_class->resize) return;
  record->gadget_class->resize(*record, number, x, y, width, height);
}

static bool gadget_position(int number, int* x, int* y) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget) return false;
  GtkWidget* outer = outermost(*record);
  GtkWidget* parent = gtk_widget_get_parent(outer);
  if (!parent || !GTK_IS_LAYOUT(parent)) return false;
  gtk_container_child_get(GTK_CONTAINER(parent), outer, "x", x, "y", y, nullptr);
  return true;
}

int64_t gadget_x(int number) {
  int x = 0, y = 0;
  return gadget_position(number, &x, &y) ? x : 0;
}

int64_t gadget_y(int number) {
  int x = 0, y = 0;
  return gadget_position(number, &x, &y) ? y : 0;
}

int64_t gadget_width(int number) {
  GadgetRecord* record = gadget_table().find(number);
  return record && record->widget ? record->width : 0;
}

int64_t gadget_height(int number) {
  GadgetRecord* record = gadget_table().find(number);
  return record && record->widget ? record->height : 0;
}

int gadget_type(int number) {
  GadgetRecord* record = gadget_table().find(number);
  return record && record->widget ? record->gadget_class->type : 0;
}

bool gadget_visible(int number) {
  GadgetRecord* record = gadget_table().find(number);
  return record && record->widget && gtk_widget_get_visible(outermost(*record));
}

GtkWidget* gadget_widget(int number) {
  GadgetRecord* record = gadget_table().find(number);
  return record ? record->widget : nullptr;
}

void gadget_free(int number) {
  if (number == -1)
    gadget_table().remove_all();
  else
    gadget_table().remove(number);
}
