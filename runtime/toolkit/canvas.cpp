// Canvases: gadgets with an RGB pixel buffer of their own that the program
// draws on, shown without smoothing at the screen's scale, with the mouse
// events over them.
#include <gtk/gtk.h>

#include <algorithm>

#include "runtime/core/objects.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadget_records.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"

using namespace gadget_detail;

namespace {

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
}  // namespace

const GadgetClass gadget_detail::CanvasClass{GadgetCanvasType, canvas_free, nullptr, canvas_resize};

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
