// Numbered top-level windows with a gadget area, menu bars, popup menus and
// keyboard shortcuts.
//
// Signal handlers never hold record pointers: each one reads the number that is
// stored on its widget ("rx_id") and looks the record up, checking that the
// record still belongs to that very widget. So a handler that runs while or
// after its window is released finds nothing and does nothing.
#include "runtime/toolkit/windows.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "runtime/toolkit/events.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/objects.h"
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
ObjectTable<WindowRecord> Windows(16, release_window);

// Window numbers in the order they were opened; the last one receives gadgets.
std::vector<int> OpenOrder;

GtkWidget* DesktopProbe = nullptr;

int data_int(gpointer object, const char* key) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(object), key));
}

void set_data_int(gpointer object, const char* key, int value) {
  g_object_set_data(G_OBJECT(object), key, GINT_TO_POINTER(value));
}

// The record of the live window `widget`, with its number.
WindowRecord* live_window(GtkWidget* widget, int* number) {
  int n = data_int(widget, "rx_id");
  WindowRecord* record = Windows.find(n);
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
  Windows.forget(number);
}

gboolean on_delete(GtkWidget* widget, GdkEvent*, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget)) event_post(EventCloseWindow, 0, number, 0);
  return TRUE;  // closing is always the application's decision
}

gboolean on_configure(GtkWidget* widget, GdkEventConfigure* event, gpointer) {
  int number = 0;
  if (!live_window(widget, &number)) return FALSE;
  if (event->width != data_int(widget, "rx_previous_width") ||
      event->height != data_int(widget, "rx_previous_height")) {
    set_data_int(widget, "rx_previous_width", event->width);
    set_data_int(widget, "rx_previous_height", event->height);
    if (!window_disabled(widget)) event_post(EventSizeWindow, 0, number, 0);
  }
  if (event->x != data_int(widget, "rx_previous_x") || event->y != data_int(widget, "rx_previous_y")) {
    set_data_int(widget, "rx_previous_x", event->x);
    set_data_int(widget, "rx_previous_y", event->y);
    event_post(EventMoveWindow, 0, number, 0);
  }
  return FALSE;
}

gboolean on_focus(GtkWidget* widget, GdkEventFocus* event, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget))
    event_post(event->in ? EventActivateWindow : EventDeactivateWindow, 0, number, 0);
  return FALSE;
}

gboolean on_window_state(GtkWidget* widget, GdkEventWindowState* event, gpointer) {
  int number = 0;
  if (!live_window(widget, &number)) return FALSE;
  bool iconified = event->new_window_state & GDK_WINDOW_STATE_ICONIFIED;
  bool maximized = event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED;
  if (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) {
    event_post(iconified ? EventMinimizeWindow : maximized ? EventMaximizeWindow : EventRestoreWindow, 0, number,
               0);
  } else if (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED) {
    event_post(maximized ? EventMaximizeWindow : EventRestoreWindow, 0, number, 0);
  }
  return FALSE;
}

gboolean on_window_motion(GtkWidget* widget, GdkEventMotion*, gpointer) {
  int number = 0;
  if (live_window(widget, &number) && !window_disabled(widget)) event_post(EventWindowMouseMove, 0, number, 0);
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
  if (number != -1) event_post(EventRepaint, 0, number, 0);
  return FALSE;
}

gboolean on_area_press(GtkWidget* area, GdkEventButton* event, gpointer) {
  int number = area_window_number(area);
  if (number == -1) return FALSE;
  if (event->type == GDK_2BUTTON_PRESS && event->button == 1) event_post(EventWindowLeftDoubleClick, 0, number, 0);
  return FALSE;
}

gboolean on_area_release(GtkWidget* area, GdkEventButton* event, gpointer) {
  int number = area_window_number(area);
  if (number == -1) return FALSE;
  if (event->button == 1) event_post(EventWindowLeftClick, 0, number, 0);
  if (event->button == 3) event_post(EventWindowRightClick, 0, number, 0);
  return FALSE;
}

GdkDevice* pointer_device(GtkWidget* widget) {
  GdkDisplay* display = widget ? gtk_widget_get_display(widget) : gdk_display_get_default();
  if (!display) return nullptr;
  GdkSeat* seat = gdk_display_get_default_seat(display);
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
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

// --- Menus -------------------------------------------------------------------

struct MenuRecord {
  GtkWidget* menu;  // menu bar or popup menu
  int owner;        // window number, -1 for none
  GtkWidget* box;   // the hbox of a menu bar
  GtkAccelGroup* accelerators;
  bool popup;
  int number;
};

void release_menu(MenuRecord& record, int number);
ObjectTable<MenuRecord> Menus(16, release_menu);

// The menu being built: the one that receives entries, the last title and its
// drop-down menu.
struct MenuBuildState {
  int menu = -1;
  GtkWidget* menu_widget = nullptr;
  GtkWidget* last_title = nullptr;
  GtkWidget* drop_down = nullptr;
  bool drop_down_pending = false;
};
MenuBuildState Build;

MenuRecord* build_menu() {
  MenuRecord* record = Menus.find(Build.menu);
  if (!record || record->menu != Build.menu_widget) return nullptr;
  return record;
}

void drop_menu_state(MenuRecord& record, int number) {
  if (Build.menu == number) Build = MenuBuildState();
  if (record.accelerators) {
    g_object_unref(record.accelerators);
    record.accelerators = nullptr;
  }
}

void release_menu(MenuRecord& record, int number) {
  drop_menu_state(record, number);
  GtkWidget* menu = record.menu;
  GtkWidget* box = record.box;
  record.menu = nullptr;
  if (record.popup) {
    gtk_widget_destroy(menu);
    g_object_unref(menu);
  } else {
    gtk_widget_destroy(box ? box : menu);
  }
}

// A menu bar goes with its window.
void on_menu_destroy(GtkWidget* widget, gpointer) {
  int number = data_int(widget, "rx_menu_number");
  MenuRecord* record = Menus.find(number);
  if (!record || record->menu != widget) return;
  drop_menu_state(*record, number);
  record->menu = nullptr;
  Menus.forget(number);
}

void on_menu_item_activate(GtkMenuItem* item, gpointer) {
  int menu = data_int(item, "rx_menu_id");
  int item_number = data_int(item, "rx_menu_itemid") - 1;
  MenuRecord* record = Menus.find(menu);
  if (!record || !window_exists(record->owner)) return;
  event_post(EventMenu, item_number, record->owner, 0);
}

// Stale grabs left behind by a popup menu would block the windows below.
void on_popup_done(GtkMenuShell*, gpointer) {
  // Only grabs of menus (or of the popup windows that hold them) are removed.
  for (int guard = 0; guard < 8; ++guard) {
    GtkWidget* grab = gtk_grab_get_current();
    if (!grab) break;
    bool menu_grab = GTK_IS_MENU_SHELL(grab);
    if (!menu_grab && GTK_IS_WINDOW(grab) && gtk_window_get_window_type(GTK_WINDOW(grab)) == GTK_WINDOW_POPUP) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(grab));
      menu_grab = child && GTK_IS_MENU_SHELL(child);
    }
    if (!menu_grab) break;
    gtk_grab_remove(grab);
  }
}

GtkMenuItem* find_menu_item(GtkWidget* shell, int item) {
  if (!shell || !GTK_IS_CONTAINER(shell)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  GtkMenuItem* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) {
    GtkWidget* child = GTK_WIDGET(l->data);
    if (!GTK_IS_MENU_ITEM(child)) continue;
    if (data_int(child, "rx_menu_itemid") == item + 1 && g_object_get_data(G_OBJECT(child), "rx_menu_id_set")) {
      found = GTK_MENU_ITEM(child);
    } else {
      found = find_menu_item(gtk_menu_item_get_submenu(GTK_MENU_ITEM(child)), item);
    }
  }
  g_list_free(children);
  return found;
}

void set_full_text(GtkWidget* item, const String& text) {
  if (text.empty())
    g_object_set_data(G_OBJECT(item), "rx_menu_fulltext", nullptr);
  else
    g_object_set_data_full(G_OBJECT(item), "rx_menu_fulltext", g_strdup(string_to_utf8(text).c_str()), g_free);
}

// The drop-down or popup menu that takes the next entry.
GtkWidget* entry_shell() {
  MenuRecord* record = build_menu();
  if (!record) return nullptr;
  if (record->popup) return record->menu;
  if (Build.drop_down_pending && Build.last_title) {
    Build.drop_down = gtk_menu_new();
    gtk_menu_set_accel_group(GTK_MENU(Build.drop_down), record->accelerators);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(Build.last_title), Build.drop_down);
    Build.drop_down_pending = false;
  }
  return Build.drop_down ? Build.drop_down : record->menu;
}

struct ShortcutData {
  int window;
  int event_number;
};

gboolean on_shortcut(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  auto* shortcut = static_cast<ShortcutData*>(data);
  if (!window_exists(shortcut->window)) return FALSE;
  event_post(EventMenu, shortcut->event_number, shortcut->window, 0);
  return TRUE;
}

void free_shortcut(gpointer data, GClosure*) { delete static_cast<ShortcutData*>(data); }

void bind_shortcut(WindowRecord* record, int window, guint key, GdkModifierType modifiers, int event_number) {
  GClosure* closure = g_cclosure_new(G_CALLBACK(on_shortcut), new ShortcutData{window, event_number}, free_shortcut);
  gtk_accel_group_connect(record->accelerators, key, modifiers, GTK_ACCEL_VISIBLE, closure);
}

}  // namespace

// --- Shared with the other toolkit modules -------------------------------------

GtkWidget* window_gadget_area(int number) {
  WindowRecord* record = Windows.find(number);
  return record && record->window ? record->gadget_area : nullptr;
}

int window_number_of(GtkWidget* window) {
  // Compared by address only: a handle of a window that is gone is never
  // dereferenced.
  if (!window) return -1;
  for (int number : Windows.numbers()) {
    WindowRecord* record = Windows.find(number);
    if (record && record->window == window) return number;
  }
  return -1;
}

bool window_exists(int number) {
  WindowRecord* record = Windows.find(number);
  return record && record->window;
}

int gadget_list_window() { return OpenOrder.empty() ? -1 : OpenOrder.back(); }

void toolkit_flush() {
  if (!runtime_has_display()) return;
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

std::string menu_label_text(const String& text) {
  std::string utf8 = string_to_utf8(text);
  std::string label;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    // Stop once the label is full, but never inside a multi-byte character.
    if (label.size() > 1019 && (c & 0xC0) != 0x80) break;
    if (c == '\t') break;
    if (c == '&')
      label += '_';
    else if (c == '_')
      label += "__";
    else
      label += static_cast<char>(c);
  }
  return label;
}

// --- Windows -----------------------------------------------------------------------

int window_open(int number, int x, int y, int width, int height, const String& title, int flags,
                WindowHandle parent) {
  if (!runtime_has_display()) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  WindowRecord* record = Windows.create(number, &id);
  if (!record) return 0;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (!window) {
    Windows.forget(id);
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
    gtk_widget_set_size_request(window, width, height);
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
    Windows.remove_all();
  else
    Windows.remove(number);
}

WindowHandle window_handle(int number) {
  WindowRecord* record = Windows.find(number);
  return record && record->window ? GTK_WINDOW(record->window) : nullptr;
}

namespace {

// Width (or height) of the window: the frame with its decorations in mode 0,
// else the client size last seen.
int64_t window_extent(int number, int mode, bool height) {
  WindowRecord* record = Windows.find(number);
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
  WindowRecord* record = Windows.find(number);
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
  WindowRecord* record = Windows.find(number);
  if (!record || !record->window) return 0;
  int x = 0, y = 0;
  if (!area_pointer(record, &x, &y)) return -1;
  if (x < 0 || x >= gtk_widget_get_allocated_width(record->gadget_area)) return -1;
  return x;
}

int64_t window_mouse_y(int number) {
  WindowRecord* record = Windows.find(number);
  if (!record || !record->window) return 0;
  int x = 0, y = 0;
  if (!area_pointer(record, &x, &y)) return -1;
  if (y < 0 || y >= gtk_widget_get_allocated_height(record->gadget_area)) return -1;
  return y;
}

void window_present(int number) {
  WindowRecord* record = Windows.find(number);
  if (record && record->window) gtk_window_present(GTK_WINDOW(record->window));
}

void window_disable(int number, int state) {
  WindowRecord* record = Windows.find(number);
  if (!record || !record->window) return;
  gtk_widget_set_sensitive(record->window, state ? FALSE : TRUE);
  set_data_int(record->window, "rx_disabled", state ? 1 : 0);
}

void window_set_title(int number, const String& title) {
  WindowRecord* record = Windows.find(number);
  if (record && record->window) gtk_window_set_title(GTK_WINDOW(record->window), string_to_utf8(title).c_str());
}

String window_title(int number) {
  WindowRecord* record = Windows.find(number);
  if (!record || !record->window) return String();
  return string_from_utf8(gtk_window_get_title(GTK_WINDOW(record->window)));
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

// --- Menus -------------------------------------------------------------------------

int menu_bar_create(int number, WindowHandle window) {
  if (!runtime_has_display()) return 0;
  int owner = window_number_of(reinterpret_cast<GtkWidget*>(window));
  if (owner < 0) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  MenuRecord* record = Menus.create(number, &id);
  if (!record) return 0;
  WindowRecord* window_record = Windows.find(owner);
  if (!window_record || !window_record->window) {  // the release above closed it
    Menus.forget(id);
    return 0;
  }
  GtkWidget* bar = gtk_menu_bar_new();
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_box_pack_start(GTK_BOX(box), bar, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(window_record->vbox), box, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(window_record->vbox), box, 0);
  g_object_set_data(G_OBJECT(window_record->window), "rx_menu_hbox", box);
  record->menu = bar;
  record->box = box;
  record->owner = owner;
  record->popup = false;
  record->number = id;
  record->accelerators = gtk_accel_group_new();
  set_data_int(bar, "rx_menu_number", id);
  g_signal_connect(bar, "destroy", G_CALLBACK(on_menu_destroy), nullptr);
  gtk_widget_show_all(box);
  Build = MenuBuildState();
  Build.menu = id;
  Build.menu_widget = bar;
  return number == AnyNumber ? id : 1;
}

void menu_title(const String& text) {
  MenuRecord* record = build_menu();
  if (!record || record->popup) return;
  GtkWidget* title = gtk_menu_item_new_with_mnemonic(menu_label_text(text).c_str());
  gtk_menu_shell_append(GTK_MENU_SHELL(record->menu), title);
  gtk_widget_show(title);
  Build.last_title = title;
  Build.drop_down = nullptr;
  Build.drop_down_pending = true;
}

void menu_item(int item, const String& text) {
  GtkWidget* shell = entry_shell();
  if (!shell) return;
  GtkWidget* entry = gtk_menu_item_new_with_mnemonic(menu_label_text(text).c_str());
  set_data_int(entry, "rx_menu_id", Build.menu);
  set_data_int(entry, "rx_menu_id_set", 1);
  set_data_int(entry, "rx_menu_itemid", item + 1);
  set_full_text(entry, text);
  g_signal_connect(entry, "activate", G_CALLBACK(on_menu_item_activate), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(shell), entry);
  gtk_widget_show(entry);
}

void menu_separator() {
  GtkWidget* shell = entry_shell();
  if (!shell) return;
  GtkWidget* separator = gtk_separator_menu_item_new();
  gtk_menu_shell_append(GTK_MENU_SHELL(shell), separator);
  gtk_widget_show(separator);
}

int popup_menu_create(int number) {
  if (!runtime_has_display()) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  MenuRecord* record = Menus.create(number, &id);
  if (!record) return 0;
  GtkWidget* menu = gtk_menu_new();
  g_object_ref_sink(menu);
  record->menu = menu;
  record->owner = -1;
  record->popup = true;
  record->number = id;
  record->accelerators = gtk_accel_group_new();
  gtk_menu_set_accel_group(GTK_MENU(menu), record->accelerators);
  set_data_int(menu, "rx_menu_number", id);
  g_signal_connect(menu, "selection-done", G_CALLBACK(on_popup_done), nullptr);
  Build = MenuBuildState();
  Build.menu = id;
  Build.menu_widget = menu;
  return number == AnyNumber ? id : 1;
}

void popup_menu_show(int number, WindowHandle window) {
  MenuRecord* record = Menus.find(number);
  if (!record || !record->popup || !record->menu) return;
  record->owner = window_number_of(reinterpret_cast<GtkWidget*>(window));
  // Opened as if by mouse button 1 at time 0, at the pointer.
  GtkWidget* owner = record->owner >= 0 ? GTK_WIDGET(window) : nullptr;
  GdkWindow* where = owner ? gtk_widget_get_window(owner) : nullptr;
  GdkDevice* device = pointer_device(owner);
  if (!where) where = gdk_get_default_root_window();
  if (!where || !device) return;
  int x = 0, y = 0;
  gdk_window_get_device_position(where, device, &x, &y, nullptr);
  GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
  trigger->button.window = GDK_WINDOW(g_object_ref(where));
  trigger->button.button = 1;
  trigger->button.time = 0;
  trigger->button.x = x;
  trigger->button.y = y;
  gdk_event_set_device(trigger, device);
  gtk_menu_popup_at_pointer(GTK_MENU(record->menu), trigger);
  gdk_event_free(trigger);
}

void menu_item_set_text(int menu, int item, const String& text) {
  MenuRecord* record = Menus.find(menu);
  if (!record || !record->menu) return;
  GtkMenuItem* entry = find_menu_item(record->menu, item);
  if (!entry) return;
  if (text.empty()) {
    gtk_menu_item_set_label(entry, "");
  } else {
    gtk_menu_item_set_use_underline(entry, TRUE);
    gtk_menu_item_set_label(entry, menu_label_text(text).c_str());
  }
  set_full_text(GTK_WIDGET(entry), text);
}

String menu_item_text(int menu, int item) {
  MenuRecord* record = Menus.find(menu);
  if (!record || !record->menu) return String();
  GtkMenuItem* entry = find_menu_item(record->menu, item);
  if (!entry) return String();
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(entry));
  if (!label || !GTK_IS_LABEL(label)) return String();
  return string_from_utf8(gtk_label_get_text(GTK_LABEL(label)));
}

void menu_free(int number) {
  if (number == -1)
    Menus.remove_all();
  else
    Menus.remove(number);
}

int64_t menu_height() {
  if (!runtime_has_display()) return 0;
  GtkWidget* bar = gtk_menu_bar_new();
  if (!bar) return 0;
  g_object_ref_sink(bar);
  GtkWidget* item = gtk_menu_item_new_with_label("T");
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  gtk_widget_show_all(bar);
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(bar, &minimum, &natural);
  gtk_widget_destroy(bar);
  g_object_unref(bar);
  return minimum;
}

void shortcut_add(int window, int key, int event_number) {
  WindowRecord* record = Windows.find(window);
  if (!record || !record->window || !record->accelerators) return;
  guint keyval = static_cast<guint>(key & 0xFFFF);
  int modifiers = 0;
  if (key & ShortcutShift) modifiers |= GDK_SHIFT_MASK;
  if (key & ShortcutControl) modifiers |= GDK_CONTROL_MASK;
  if (key & ShortcutAlt) modifiers |= GDK_MOD1_MASK;
  if (keyval == 0) return;
  GdkModifierType mask = static_cast<GdkModifierType>(modifiers);
  if (keyval == GDK_KEY_Return) bind_shortcut(record, window, GDK_KEY_KP_Enter, mask, event_number);
  bind_shortcut(record, window, keyval, mask, event_number);
}
