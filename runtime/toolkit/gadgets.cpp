// Gadgets: canvases with their own RGB pixel buffer, push buttons and image
// gadgets inside a window's gadget area (a GtkLayout).
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
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"

namespace {

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

void release_gadget(GadgetRecord& record, int number);
// Created at its first use.
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

void post_canvas_event(GadgetRecord& record, int number, int64_t type, double x, double y, guint state,
                       int wheel = 0) {
  MouseRecord* mouse = mouse_record_take();
  mouse->x = static_cast<int>(x);
  mouse->y = static_cast<int>(y);
  mouse->buttons = mouse_buttons(state);
  mouse->modifiers = mouse_modifiers(state);
  mouse->wheel = wheel;
  event_post(Gadget, number, record.window, type, mouse, mouse_record_give_back);
}

// --- Canvas ----------------------------------------------------------------------

void fill_background(GtkWidget* widget, GdkPixbuf* buffer) {
  int colour = data_int(widget, "rx_color");
  guint32 pixel = 0xFFFFFFFFu;  // -1: white
  if (colour != -1) {
    guint32 c = static_cast<guint32>(colour);
    pixel = (c & 0xFF) << 24 | ((c >> 8) & 0xFF) << 16 | ((c >> 16) & 0xFF) << 8 | 0xFF;
  }
  gdk_pixbuf_fill(buffer, pixel);
}

void update_target(GadgetRecord& record, int number) {
  DrawTarget& target = record.target;
  drawing_target_describe(&target, record.buffer);
  target.owner = nullptr;
  target.owner_number = number;
  target.scale = std::max(1, record.scale);
}

int buffer_scale(const GadgetRecord& record) { return std::max(1, record.scale); }
// The buffer's size in layout pixels.
int logical_width(const GadgetRecord& record) { return gdk_pixbuf_get_width(record.buffer) / buffer_scale(record); }
int logical_height(const GadgetRecord& record) { return gdk_pixbuf_get_height(record.buffer) / buffer_scale(record); }

// A new buffer of the given size in layout pixels at the record's scale, the
// background colour, the old picture in its top-left corner (when it has the
// same scale).
void replace_buffer(GadgetRecord& record, int number, int width, int height, bool keep_picture = true) {
  width = std::max(1, width) * buffer_scale(record);
  height = std::max(1, height) * buffer_scale(record);
  GdkPixbuf* buffer = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  if (!buffer) return;
  fill_background(record.widget, buffer);
  if (record.buffer && !keep_picture) {
    g_object_unref(record.buffer);
  } else if (record.buffer) {
    int w = std::min(width, gdk_pixbuf_get_width(record.buffer));
    int h = std::min(height, gdk_pixbuf_get_height(record.buffer));
    gdk_pixbuf_copy_area(record.buffer, 0, 0, w, h, buffer, 0, 0);
    g_object_unref(record.buffer);
  }
  record.buffer = buffer;
  update_target(record, number);
}

void canvas_free(GadgetRecord& record) {
  if (record.buffer) g_object_unref(record.buffer);
  record.buffer = nullptr;
  record.target = DrawTarget();
}

void post_resize(GadgetRecord& record, int number) {
  if (event_first_kind() != CloseWindow) event_post(Gadget, number, record.window, Resize);
}

gboolean on_canvas_draw(GtkWidget* widget, cairo_t* cr, gpointer) {
  GadgetRecord* record = live_gadget(widget, nullptr);
  if (!record || !record->buffer) return FALSE;
  int scale = buffer_scale(*record);
  int width = gdk_pixbuf_get_width(record->buffer);
  int height = gdk_pixbuf_get_height(record->buffer);
  // Only the part that needs painting is converted for cairo, in buffer pixels.
  double x1 = 0, y1 = 0, x2 = width, y2 = height;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  int left = std::clamp(static_cast<int>(x1) * scale, 0, width);
  int top = std::clamp(static_cast<int>(y1) * scale, 0, height);
  int right = std::clamp(static_cast<int>(x2 + 0.999) * scale, 0, width);
  int bottom = std::clamp(static_cast<int>(y2 + 0.999) * scale, 0, height);
  if (right <= left || bottom <= top) return FALSE;
  GdkPixbuf* part = gdk_pixbuf_new_subpixbuf(record->buffer, left, top, right - left, bottom - top);
  if (!part) return FALSE;
  // Buffer pixels land on screen pixels one to one when the scales agree;
  // otherwise each is repeated (or left out), never smoothed.
  cairo_save(cr);
  cairo_scale(cr, 1.0 / scale, 1.0 / scale);
  gdk_cairo_set_source_pixbuf(cr, part, left, top);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_fill(cr);
  cairo_restore(cr);
  g_object_unref(part);
  return FALSE;
}

void on_canvas_scale_changed(GtkWidget* widget, GParamSpec*, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return;
  post_resize(*record, number);
  gtk_widget_queue_draw(widget);
}

void on_canvas_size_allocate(GtkWidget* widget, GdkRectangle* allocation, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record || !record->buffer) return;
  int width = std::max(1, allocation->width);
  int height = std::max(1, allocation->height);
  if (width == logical_width(*record) && height == logical_height(*record)) return;
  // The gadget area gives every child the size it asked for. An allocation of
  // another size is a stale one (a canvas shown again right after a resize
  // can get its old size once before the new one): replacing the buffer then
  // would throw away what was just drawn on it.
  int asked_width = -1, asked_height = -1;
  gtk_widget_get_size_request(widget, &asked_width, &asked_height);
  if (asked_width >= 1 && asked_height >= 1 && (asked_width != width || asked_height != height)) return;
  replace_buffer(*record, number, width, height);
  post_resize(*record, number);
  gtk_widget_queue_draw(widget);
}

gboolean on_canvas_motion(GtkWidget* widget, GdkEventMotion* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  post_canvas_event(*record, number, MouseMove, event->x, event->y, event->state);
  return TRUE;
}

gboolean on_canvas_press(GtkWidget* widget, GdkEventButton* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  if (event->type == GDK_BUTTON_PRESS) {
    int64_t type = event->button == 1 ? LeftButtonDown
                 : event->button == 2 ? MiddleButtonDown
                 : event->button == 3 ? RightButtonDown
                                      : -1;
    if (type < 0) return FALSE;
    post_canvas_event(*record, number, type, event->x, event->y, event->state);
    return TRUE;
  }
  if (event->type == GDK_2BUTTON_PRESS && (event->button == 1 || event->button == 3)) {
    post_canvas_event(*record, number, event->button == 1 ? LeftDoubleClick : RightDoubleClick, event->x, event->y,
                      event->state);
    return TRUE;
  }
  return FALSE;
}

gboolean on_canvas_release(GtkWidget* widget, GdkEventButton* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  switch (event->button) {
    case 1:
      post_canvas_event(*record, number, LeftButtonUp, event->x, event->y, event->state);
      post_canvas_event(*record, number, LeftClick, event->x, event->y, event->state);
      return TRUE;
    case 2:
      post_canvas_event(*record, number, MiddleButtonUp, event->x, event->y, event->state);
      return TRUE;
    case 3:
      post_canvas_event(*record, number, RightButtonUp, event->x, event->y, event->state);
      post_canvas_event(*record, number, RightClick, event->x, event->y, event->state);
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean on_canvas_crossing(GtkWidget* widget, GdkEventCrossing* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  post_canvas_event(*record, number, event->type == GDK_ENTER_NOTIFY ? MouseEnter : MouseLeave, event->x, event->y,
                    event->state);
  return FALSE;
}

gboolean on_canvas_scroll(GtkWidget* widget, GdkEventScroll* event, gpointer) {
  int number = 0;
  GadgetRecord* record = live_gadget(widget, &number);
  if (!record) return FALSE;
  if (event->direction == GDK_SCROLL_UP || event->direction == GDK_SCROLL_DOWN) {
    post_canvas_event(*record, number, MouseWheel, event->x, event->y, event->state,
                      event->direction == GDK_SCROLL_UP ? 1 : -1);
    return TRUE;
  }
  return FALSE;
}

void canvas_resize(GadgetRecord& record, int number, int x, int y, int width, int height) {
  GtkWidget* outer = outermost(record);
  GtkWidget* parent = gtk_widget_get_parent(outer);
  if (parent && GTK_IS_LAYOUT(parent) && (x != Ignore || y != Ignore)) {
    int cx = 0, cy = 0;
    gtk_container_child_get(GTK_CONTAINER(parent), outer, "x", &cx, "y", &cy, nullptr);
    gtk_layout_move(GTK_LAYOUT(parent), outer, x == Ignore ? cx : x, y == Ignore ? cy : y);
  }
  if (width == Ignore && height == Ignore) return;
  int new_width = width == Ignore ? record.width : width;
  int new_height = height == Ignore ? record.height : height;
  record.width = new_width;
  record.height = new_height;
  int buffer_width = std::max(1, new_width - record.border_width);
  int buffer_height = std::max(1, new_height - record.border_height);
  if (record.buffer && buffer_width == logical_width(record) && buffer_height == logical_height(record)) return;
  replace_buffer(record, number, buffer_width, buffer_height);
  gtk_widget_set_size_request(record.widget, buffer_width, buffer_height);
  post_resize(record, number);
  gtk_widget_queue_draw(record.widget);
}

void canvas_target_release(DrawTarget* target) {
  GadgetRecord* record = gadget_table().find(static_cast<int>(target->owner_number));
  if (record && record->widget && record->buffer && &record->target == target)
    gtk_widget_queue_draw(record->widget);
}

// --- Other classes ---------------------------------------------------------------

// Moves and sizes a gadget that has no pixel buffer.
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
const GadgetClass CanvasClass{GadgetCanvasType, canvas_free, nullptr, canvas_resize};
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

}  // namespace

int canvas_create(int number, int x, int y, int width, int height, int flags) {
  int id = 0, window = -1;
  GtkWidget* area = nullptr;
  GadgetRecord* record = gadget_begin(number, &id, &area, &window);
  if (!record) return 0;
  GtkWidget* drawing = gtk_drawing_area_new();
  record->widget = drawing;
  record->gadget_class = &CanvasClass;
  record->flags = flags;
  record->width = width;
  record->height = height;
  set_data_int(drawing, "rx_color", -1);
  if (flags & CanvasBorder) {
    record->outer = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(record->outer), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(record->outer), drawing);
  }
  gtk_widget_add_events(drawing, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK);
  g_signal_connect(drawing, "motion-notify-event", G_CALLBACK(on_canvas_motion), nullptr);
  g_signal_connect(drawing, "button-press-event", G_CALLBACK(on_canvas_press), nullptr);
  g_signal_connect(drawing, "button-release-event", G_CALLBACK(on_canvas_release), nullptr);
  g_signal_connect(drawing, "enter-notify-event", G_CALLBACK(on_canvas_crossing), nullptr);
  g_signal_connect(drawing, "leave-notify-event", G_CALLBACK(on_canvas_crossing), nullptr);
  g_signal_connect(drawing, "scroll-event", G_CALLBACK(on_canvas_scroll), nullptr);
  g_signal_connect(drawing, "draw", G_CALLBACK(on_canvas_draw), nullptr);
  g_signal_connect(drawing, "size-allocate", G_CALLBACK(on_canvas_size_allocate), nullptr);
  g_signal_connect(drawing, "notify::scale-factor", G_CALLBACK(on_canvas_scale_changed), nullptr);
  GtkWidget* outer = outermost(*record);
  gtk_layout_put(GTK_LAYOUT(area), outer, x, y);
  gtk_widget_show_all(outer);

  // The frame's share: its preferred size around a 1 x 1 child, less 1.
  if (record->outer) {
    gtk_widget_set_size_request(drawing, 1, 1);
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_width(record->outer, &minimum, &natural);
    record->border_width = std::max(0, minimum - 1);
    gtk_widget_get_preferred_height(record->outer, &minimum, &natural);
    record->border_height = std::max(0, minimum - 1);
  }
  int buffer_width = std::max(1, width - record->border_width);
  int buffer_height = std::max(1, height - record->border_height);
  replace_buffer(*record, id, buffer_width, buffer_height);
  record->target.release = canvas_target_release;
  gtk_widget_set_size_request(drawing, buffer_width, buffer_height);
  gtk_widget_queue_draw(drawing);

  gtk_widget_realize(drawing);
  gadget_finish(*record, id);
  toolkit_flush();
  return gadget_table().find(id) ? handle_result(number, id) : 0;
}

DrawTarget* canvas_output(int number) { return canvas_output_scaled(number, 1); }

DrawTarget* canvas_output_scaled(int number, int scale) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget || record->gadget_class != &CanvasClass || !record->buffer) return nullptr;
  scale = std::clamp(scale, 1, 8);
  if (scale != buffer_scale(*record)) {
    int width = logical_width(*record), height = logical_height(*record);
    record->scale = scale;
    replace_buffer(*record, number, width, height, false);
    gtk_widget_queue_draw(record->widget);
  }
  update_target(*record, number);
  record->target.release = canvas_target_release;
  return &record->target;
}

int canvas_scale(int number) {
  GadgetRecord* record = gadget_table().find(number);
  if (!record || !record->widget || record->gadget_class != &CanvasClass) return 1;
  return std::max(1, gtk_widget_get_scale_factor(record->widget));
}

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
