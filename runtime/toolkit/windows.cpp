// Numbered top-level windows with a gadget area.
//
// Signal handlers never hold record pointers: each one reads the number that is
// stored on its widget ("rx_id") and looks the record up, checking that the
// record still belongs to that very widget. So a handler that runs while or
// after its window is released finds nothing and does nothing.
#include "runtime/toolkit/windows.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"

namespace {

struct WindowRecord {
  GtkWidget* window;
  GtkWidget* parent;
  GtkAccelGroup* accelerators;
  int flags;
  GtkWidget* vbox;
  GtkWidget* gadget_area;
};

void release_window(WindowRecord& record, int number);
// Created at its first use.
ObjectTable<WindowRecord>& window_table() {
  static ObjectTable<WindowRecord> table(16, release_window);
  return table;
}

// Window numbers in the order they were opened; the last one receives gadgets.
std::vector<int> OpenOrder;

GtkWidget* DesktopProbe = nullptr;

// The record of the live window `widget`, with its number.
WindowRecord* live_window(GtkWidget* widget, int* number) {
  int n = data_int(widget, "rx_id");
  WindowRecord* record = window_table().find(n);
  if (!record || record->window != widget) return nullptr;
  if (number) *number = n;
  return record;
}

bool window_disabled(GtkWidget* widget) { return data_int(widget, "rx_disabled") != 0; }

void forget_open_order(int number) {
  OpenOrder.erase(std::remove(OpenOrder.begin(), OpenOrder.end(), number), OpenOrder.end());
}

// What goes when a window's record goes, whoever destroys the window.
void drop_window_state(WindowRecord& record, int number) {
  events_remove_window(number);
  forget_open_order(number);
  if (record.accelerators) {
    if (record.window) gtk_window_remove_accel_group(GTK_WINDOW(record.window), record.accelerators);
    g_object_unref(record.accelerators);
    record.accelerators = nullptr;
  }
}

void release_window(WindowRecord& record, int number) {
  GtkWidget* window = record.window;
  drop_window_state(record, number);
  record.window = nullptr;
  if (window) gtk_widget_destroy(window);
  toolkit_flush();
  // Nothing of the closed window may reach the application.
  events_remove_window(number);
}

// "destroy" from anywhere else (the window's record is still in the table).
void on_window_destroy(GtkWidget* widget, gpointer) {
  int number = 0;
  WindowRecord* record = live_window(widget, &number);
  if (!record) return;
  drop_window_state(*record, number);
  record->window = nullptr;
  window_table().forget(number);
}

gboolean on_delete(GtkWidget* widget, GdkEvent*, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget)) event_post(CloseWindow, 0, number, 0);
  return TRUE;  // closing is always the application's decision
}

gboolean on_configure(GtkWidget* widget, GdkEventConfigure* event, gpointer) {
  int number = 0;
  if (!live_window(widget, &number)) return FALSE;
  if (event->width != data_int(widget, "rx_previous_width") ||
      event->height != data_int(widget, "rx_previous_height")) {
    set_data_int(widget, "rx_previous_width", event->width);
    set_data_int(widget, "rx_previous_height", event->height);
    if (!window_disabled(widget)) event_post(SizeWindow, 0, number, 0);
  }
  if (event->x != data_int(widget, "rx_previous_x") || event->y != data_int(widget, "rx_previous_y")) {
    set_data_int(widget, "rx_previous_x", event->x);
    set_data_int(widget, "rx_previous_y", event->y);
    event_post(MoveWindow, 0, number, 0);
  }
  return FALSE;
}

gboolean on_focus(GtkWidget* widget, GdkEventFocus* event, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget))
    event_post(event->in ? ActivateWindow : DeactivateWindow, 0, number, 0);
  return FALSE;
}

gboolean on_window_state(GtkWidget* widget, GdkEventWindowState* event, gpointer) {
  int number = 0;
  if (!live_window(widget, &number)) return FALSE;
  bool iconified = event->new_window_state & GDK_WINDOW_STATE_ICONIFIED;
  bool maximized = event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED;
  if (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) {
    event_post(iconified ? MinimizeWindow : maximized ? MaximizeWindow : RestoreWindow, 0, number,
               0);
  } else if (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED) {
    event_post(maximized ? MaximizeWindow : RestoreWindow, 0, number, 0);
  }
  return FALSE;
}

gboolean on_window_motion(GtkWidget* widget, GdkEventMotion*, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget)) event_post(WindowMouseMove, 0, number, 0);
  return FALSE;
}

// The gadget area's signals: its toplevel is the window.
int area_window_number(GtkWidget* area) {
  GtkWidget* top = gtk_widget_get_toplevel(area);
  int number = -1;
  if (!top || !live_window(top, &number)) return -1;
  return number;
}

gboolean on_area_draw(GtkWidget* area, cairo_t*, gpointer) {
  int number = area_window_number(area);
  if (number != -1) event_post(Repaint, 0, number, 0);
  return FALSE;
}

gboolean on_area_press(GtkWidget* area, GdkEventButton* event, gpointer) {
  int number = area_window_number(area);
  if (number == -1) return FALSE;
  if (event->type == GDK_2BUTTON_PRESS && event->button == 1) event_post(WindowLeftDoubleClick, 0, number, 0);
  return FALSE;
}

gboolean on_area_release(GtkWidget* area, GdkEventButton* event, gpointer) {
  int number = area_window_number(area);
  if (number == -1) return FALSE;
  if (event->button == 1) event_post(WindowLeftClick, 0, number, 0);
  if (event->button == 3) event_post(WindowRightClick, 0, number, 0);
  return FALSE;
}

// The pointer relative to the gadget area; false when it cannot be read.
bool area_pointer(WindowRecord* record, int* x, int* y) {
  if (!record || !record->gadget_area) return false;
  GdkWindow* window = gtk_widget_get_window(record->gadget_area);
  GdkDevice* device = pointer_device(record->gadget_area);
  if (!window || !device) return false;
  gdk_window_get_device_position(window, device, x, y, nullptr);
  return true;
}

}  // namespace

// --- Shared with the other toolkit modules -------------------------------------

GdkDevice* pointer_device(GtkWidget* widget) {
  GdkDisplay* display = widget ? gtk_widget_get_display(widget) : gdk_display_get_default();
  if (!display) return nullptr;
  GdkSeat* seat = gdk_display_get_default_seat(display);
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

GtkWidget* window_vbox(int number) {
  WindowRecord* record = window_table().find(number);
  return record && record->window ? record->vbox : nullptr;
}

GtkAccelGroup* window_accelerators(int number) {
  WindowRecord* record = window_table().find(number);
  return record && record->window ? record->accelerators : nullptr;
}


GtkWidget* window_gadget_area(int number) {
  WindowRecord* record = window_table().find(number);
  return record && record->window ? record->gadget_area : nullptr;
}

int window_number_of(GtkWidget* window) {
  // Compared by address only: a handle of a window that is gone is never
  // dereferenced.
  if (!window) return -1;
  for (int number : window_table().numbers()) {
    WindowRecord* record = window_table().find(number);
    if (record && record->window == window) return number;
  }
  return -1;
}

bool window_exists(int number) {
  WindowRecord* record = window_table().find(number);
  return record && record->window;
}

int gadget_list_window() { return OpenOrder.empty() ? -1 : OpenOrder.back(); }

void toolkit_flush() {
  if (!runtime_has_display()) return;
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// --- Windows -----------------------------------------------------------------------

int window_open(int number, int x, int y, int width, int height, const String& title, int flags,
                WindowHandle parent) {
  if (!runtime_has_display()) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  WindowRecord* record = window_table().create(number, &id);
  if (!record) return 0;
  GtkWidget* window = gtk_window_new(flags & WindowPopup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
  if (!window) {
    window_table().forget(id);
    return 0;
  }
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  record->window = window;
  record->flags = flags;
  // Only a window that is still open can be the parent (a stale handle is
  // never dereferenced).
  if (window_number_of(reinterpret_cast<GtkWidget*>(parent)) < 0) parent = nullptr;
  record->parent = parent ? GTK_WIDGET(parent) : nullptr;
  g_object_set_data(G_OBJECT(window), "Window", window);
  gtk_window_set_title(GTK_WINDOW(window), string_to_utf8(title).c_str());
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  set_data_int(window, "rx_previous_width", width);
  set_data_int(window, "rx_previous_height", height);
  set_data_int(window, "rx_previous_x", x);
  set_data_int(window, "rx_previous_y", y);
  gtk_window_move(GTK_WINDOW(window), x, y);

  int decorations = 0;
  int functions = 0;
  if (flags & (WindowSizeBox | WindowMaximizeBox)) {
    gtk_window_set_resizable(GTK_WINDOW(window), TRUE);
    GdkGeometry geometry{};
    geometry.min_width = 30;
    geometry.min_height = 30;
    gtk_window_set_geometry_hints(GTK_WINDOW(window), nullptr, &geometry, GDK_HINT_MIN_SIZE);
    functions = GDK_FUNC_RESIZE | GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
    decorations = GDK_DECOR_BORDER | GDK_DECOR_RESIZEH;
  } else {
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
  }
  if (flags & WindowBorderless) gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_widget_add_events(window, GDK_POINTER_MOTION_MASK | GDK_STRUCTURE_MASK | GDK_FOCUS_CHANGE_MASK);
  gtk_widget_realize(window);
  decorations |= GDK_DECOR_BORDER | GDK_DECOR_TITLE;
  if (flags & WindowMaximizeBox) {
    decorations |= GDK_DECOR_MAXIMIZE;
    functions |= GDK_FUNC_MAXIMIZE;
  }
  if (flags & WindowMenuBox) decorations |= GDK_DECOR_MENU;
  if (flags & WindowBorderless) decorations = 0;
  if (GdkWindow* gdk_window = gtk_widget_get_window(window)) {
    gdk_window_set_decorations(gdk_window, static_cast<GdkWMDecoration>(decorations));
    gdk_window_set_functions(gdk_window, static_cast<GdkWMFunction>(functions));
  }

  GtkWidget* vbox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  GtkWidget* area = gtk_layout_new(nullptr, nullptr);
  gtk_box_pack_start(GTK_BOX(vbox), area, TRUE, TRUE, 0);
  gtk_container_add(GTK_CONTAINER(window), vbox);
  // A window of fixed size asks for its content's size: where the program
  // draws the window's title bar and shadow itself (Wayland) they come on top.
  if (!(flags & (WindowSizeBox | WindowMaximizeBox))) gtk_widget_set_size_request(vbox, width, height);
  gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(area, "draw", G_CALLBACK(on_area_draw), nullptr);
  g_signal_connect(area, "button-press-event", G_CALLBACK(on_area_press), nullptr);
  g_signal_connect(area, "button-release-event", G_CALLBACK(on_area_release), nullptr);
  record->vbox = vbox;
  record->gadget_area = area;
  g_object_set_data(G_OBJECT(window), "rx_vbox", vbox);
  g_object_set_data(G_OBJECT(window), "rx_gadgetlist", area);
  g_object_set_data(G_OBJECT(window), "rx_gadgetlist_container", area);
  if (parent) gtk_window_set_transient_for(GTK_WINDOW(window), parent);

  set_data_int(window, "rx_id", id);
  g_signal_connect(window, "destroy", G_CALLBACK(on_window_destroy), nullptr);
  g_signal_connect(window, "configure-event", G_CALLBACK(on_configure), nullptr);
  g_signal_connect(window, "window-state-event", G_CALLBACK(on_window_state), nullptr);
  g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), nullptr);
  g_signal_connect(window, "focus-in-event", G_CALLBACK(on_focus), nullptr);
  g_signal_connect(window, "focus-out-event", G_CALLBACK(on_focus), nullptr);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(on_window_motion), nullptr);

  record->accelerators = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(window), record->accelerators);
  g_object_set_data(G_OBJECT(window), "rx_accelerators", record->accelerators);
  set_data_int(window, "rx_flags", flags);

  gtk_widget_show_all(window);
  OpenOrder.push_back(id);
  toolkit_flush();
  if (!window_exists(id)) return 0;
  return number == AnyNumber ? id : 1;
}

void window_close(int number) {
  if (number == -1)
    window_table().remove_all();
  else
    window_table().remove(number);
}

WindowHandle window_handle(int number) {
  WindowRecord* record = window_table().find(number);
  return record && record->window ? GTK_WINDOW(record->window) : nullptr;
}

namespace {

// Width (or height) of the window: the frame with its decorations in mode 0,
// else the client size last seen.
int64_t window_extent(int number, int mode, bool height) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return 0;
  const char* key = height ? "rx_previous_height" : "rx_previous_width";
  if (mode == 0) {
    if (GdkWindow* window = gtk_widget_get_window(record->window)) {
      GdkRectangle frame;
      gdk_window_get_frame_extents(window, &frame);
      return height ? frame.height : frame.width;
    }
  } else if (g_object_get_data(G_OBJECT(record->window), key)) {
    return data_int(record->window, key);
  }
  int w = 0, h = 0;
  gtk_window_get_size(GTK_WINDOW(record->window), &w, &h);
  return height ? h : w;
}

// Screen position of the window (mode 0) or of its gadget area (mode 1).
bool window_position(int number, int mode, int* x, int* y) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return false;
  if (mode == 1) {
    if (GdkWindow* window = gtk_widget_get_window(record->gadget_area)) gdk_window_get_origin(window, x, y);
  } else {
    gtk_window_get_position(GTK_WINDOW(record->window), x, y);
  }
  return true;
}

}  // namespace

int64_t window_width(int number, int mode) { return window_extent(number, mode, false); }

int64_t window_height(int number, int mode) { return window_extent(number, mode, true); }

int64_t window_x(int number, int mode) {
  int x = 0, y = 0;
  return window_position(number, mode, &x, &y) ? x : 0;
}

int64_t window_y(int number, int mode) {
  int x = 0, y = 0;
  return window_position(number, mode, &x, &y) ? y : 0;
}

int64_t window_mouse_x(int number) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return 0;
  int x = 0, y = 0;
  if (!area_pointer(record, &x, &y)) return -1;
  if (x < 0 || x >= gtk_widget_get_allocated_width(record->gadget_area)) return -1;
  return x;
}

int64_t window_mouse_y(int number) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return 0;
  int x = 0, y = 0;
  if (!area_pointer(record, &x, &y)) return -1;
  if (y < 0 || y >= gtk_widget_get_allocated_height(record->gadget_area)) return -1;
  return y;
}

void window_present(int number) {
  WindowRecord* record = window_table().find(number);
  if (record && record->window) gtk_window_present(GTK_WINDOW(record->window));
}

void window_resize(int number, int width, int height) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window || width < 1 || height < 1) return;
  if (!gtk_window_get_resizable(GTK_WINDOW(record->window)) && record->vbox)
    gtk_widget_set_size_request(record->vbox, width, height);
  gtk_window_resize(GTK_WINDOW(record->window), width, height);
}

void window_disable(int number, bool disabled) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return;
  gtk_widget_set_sensitive(record->window, disabled ? FALSE : TRUE);
  set_data_int(record->window, "rx_disabled", disabled ? 1 : 0);
}

void window_set_title(int number, const String& title) {
  WindowRecord* record = window_table().find(number);
  if (record && record->window) gtk_window_set_title(GTK_WINDOW(record->window), string_to_utf8(title).c_str());
}

String window_title(int number) {
  WindowRecord* record = window_table().find(number);
  if (!record || !record->window) return String();
  return string_from_utf8(gtk_window_get_title(GTK_WINDOW(record->window)));
}

void window_set_default_icon(const std::vector<int>& images) {
  GList* pictures = nullptr;
  for (int image : images) {
    if (ImageHandle picture = image_handle(image)) pictures = g_list_append(pictures, picture);
  }
  // GTK keeps its own references to the pictures.
  if (pictures) gtk_window_set_default_icon_list(pictures);
  g_list_free(pictures);
}

static GtkWidget* desktop_probe() {
  if (!DesktopProbe && runtime_has_display()) {
    DesktopProbe = gtk_window_new(GTK_WINDOW_POPUP);
    if (DesktopProbe) {
      g_object_ref_sink(DesktopProbe);
      gtk_window_move(GTK_WINDOW(DesktopProbe), 0, 0);
      gtk_widget_realize(DesktopProbe);
      if (GdkWindow* window = gtk_widget_get_window(DesktopProbe)) gdk_window_move(window, 0, 0);
    }
  }
  return DesktopProbe;
}

static bool desktop_pointer(int* x, int* y) {
  GtkWidget* probe = desktop_probe();
  if (!probe) return false;
  GdkWindow* window = gtk_widget_get_window(probe);
  GdkDevice* device = pointer_device(probe);
  if (!window || !device) return false;
  gdk_window_get_device_position(window, device, x, y, nullptr);
  return true;
}

int64_t desktop_mouse_x() {
  int x = 0, y = 0;
  return desktop_pointer(&x, &y) ? x : 0;
}

int64_t desktop_mouse_y() {
  int x = 0, y = 0;
  return desktop_pointer(&x, &y) ? y : 0;
}

