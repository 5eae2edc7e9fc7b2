#include "support/gui.h"

#include <cstring>
#include <memory>

#include "runtime/toolkit/runtime.h"

namespace {

GdkSeat* default_seat() {
  GdkDisplay* display = gdk_display_get_default();
  return display ? gdk_display_get_default_seat(display) : nullptr;
}

GdkDevice* pointer() {
  GdkSeat* seat = default_seat();
  return seat ? gdk_seat_get_pointer(seat) : nullptr;
}

GdkDevice* keyboard() {
  GdkSeat* seat = default_seat();
  return seat ? gdk_seat_get_keyboard(seat) : nullptr;
}

GdkWindow* event_window(GtkWidget* widget) {
  if (!gtk_widget_get_realized(widget)) gtk_widget_realize(widget);
  return gtk_widget_get_window(widget);
}

void deliver(GdkEvent* event) {
  gtk_main_do_event(event);
  gdk_event_free(event);
}

gboolean run_action(gpointer data) {
  auto* action = static_cast<std::function<void()>*>(data);
  (*action)();
  return G_SOURCE_REMOVE;
}

void delete_action(gpointer data) { delete static_cast<std::function<void()>*>(data); }

void find_child(GtkWidget* widget, gpointer data);

struct FindState {
  GType type;
  const char* label;
  GtkWidget* found;
};

std::string without_underscores(const char* text) {
  std::string out;
  for (const char* p = text; p && *p; ++p)
    if (*p != '_') out += *p;
  return out;
}

bool matches(GtkWidget* widget, FindState* state) {
  if (!G_TYPE_CHECK_INSTANCE_TYPE(widget, state->type)) return false;
  if (!state->label) return true;
  if (!GTK_IS_BUTTON(widget)) return false;
  const char* label = gtk_button_get_label(GTK_BUTTON(widget));
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  if (label && gtk_button_get_use_stock(GTK_BUTTON(widget))) {
    GtkStockItem item;
    if (gtk_stock_lookup(label, &item)) label = item.label;
  }
  G_GNUC_END_IGNORE_DEPRECATIONS
  return label && without_underscores(label) == state->label;
}

void find_child(GtkWidget* widget, gpointer data) {
  auto* state = static_cast<FindState*>(data);
  if (state->found) return;
  if (matches(widget, state)) {
    state->found = widget;
    return;
  }
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), find_child, data);
}

}  // namespace

bool gui_available() { return runtime_has_display(); }

void gui_pump() {
  if (!gui_available()) return;
  for (int i = 0; i < 100000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void gui_pump_for(int ms) {
  if (!gui_available()) return;
  gint64 end = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
  while (g_get_monotonic_time() < end) {
    if (gtk_events_pending())
      gtk_main_iteration_do(FALSE);
    else
      g_usleep(1000);
  }
}

bool gui_wait_until(const std::function<bool()>& condition, int timeout_ms) {
  gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeout_ms) * 1000;
  while (!condition()) {
    if (g_get_monotonic_time() >= end) return condition();
    if (gui_available() && gtk_events_pending())
      gtk_main_iteration_do(FALSE);
    else
      g_usleep(1000);
  }
  return true;
}

void gui_later(int ms, std::function<void()> action) {
  g_timeout_add_full(G_PRIORITY_DEFAULT, ms, run_action, new std::function<void()>(std::move(action)),
                     delete_action);
}

std::vector<GuiEvent> gui_take_events() {
  gui_pump();
  std::vector<GuiEvent> events;
  while (events_queued() > 0) {
    GuiEvent event;
    event.kind = event_poll();
    event.window = event_window();
    event.object = event_gadget();
    event.type = event_type();
    if (event.kind == EventGadget && event_data()) {
      event.has_mouse = true;
      event.mouse = *static_cast<MouseRecord*>(event_data());
    }
    events.push_back(event);
  }
  return events;
}

void gui_discard_events() { gui_take_events(); }

std::vector<GuiEvent> gui_filter(const std::vector<GuiEvent>& events, int64_t kind, int64_t gadget) {
  std::vector<GuiEvent> out;
  for (const GuiEvent& e : events)
    if (e.kind == kind && (gadget < 0 || e.object == gadget)) out.push_back(e);
  return out;
}

std::vector<int64_t> gui_types(const std::vector<GuiEvent>& events) {
  std::vector<int64_t> out;
  for (const GuiEvent& e : events) out.push_back(e.type);
  return out;
}

void gui_motion(GtkWidget* widget, double x, double y, guint state) {
  GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
  event->motion.window = GDK_WINDOW(g_object_ref(event_window(widget)));
  event->motion.send_event = TRUE;
  event->motion.time = GDK_CURRENT_TIME;
  event->motion.x = x;
  event->motion.y = y;
  event->motion.state = state;
  gdk_event_set_device(event, pointer());
  deliver(event);
}

void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y, guint state) {
  GdkEvent* event = gdk_event_new(type);
  event->button.window = GDK_WINDOW(g_object_ref(event_window(widget)));
  event->button.send_event = TRUE;
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = x;
  event->button.y = y;
  event->button.button = button;
  event->button.state = state;
  gdk_event_set_device(event, pointer());
  deliver(event);
}

void gui_click(GtkWidget* widget, guint button, double x, double y, guint state) {
  guint held = button == 1 ? GDK_BUTTON1_MASK : button == 2 ? GDK_BUTTON2_MASK : GDK_BUTTON3_MASK;
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y, state);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y, state | held);
}

void gui_double_click(GtkWidget* widget, guint button, double x, double y) {
  guint held = button == 1 ? GDK_BUTTON1_MASK : button == 2 ? GDK_BUTTON2_MASK : GDK_BUTTON3_MASK;
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y, held);
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_2BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y, held);
}

void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y) {
  GdkEvent* event = gdk_event_new(GDK_SCROLL);
  event->scroll.window = GDK_WINDOW(g_object_ref(event_window(widget)));
  event->scroll.send_event = TRUE;
  event->scroll.time = GDK_CURRENT_TIME;
  event->scroll.x = x;
  event->scroll.y = y;
  event->scroll.direction = direction;
  gdk_event_set_device(event, pointer());
  deliver(event);
}

void gui_crossing(GtkWidget* widget, bool enter, double x, double y) {
  GdkEvent* event = gdk_event_new(enter ? GDK_ENTER_NOTIFY : GDK_LEAVE_NOTIFY);
  event->crossing.window = GDK_WINDOW(g_object_ref(event_window(widget)));
  event->crossing.send_event = TRUE;
  event->crossing.time = GDK_CURRENT_TIME;
  event->crossing.x = x;
  event->crossing.y = y;
  event->crossing.mode = GDK_CROSSING_NORMAL;
  event->crossing.detail = GDK_NOTIFY_NONLINEAR;
  gdk_event_set_device(event, pointer());
  deliver(event);
}

void gui_key(GtkWidget* widget, guint keyval, guint state) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkWindow* window = event_window(top);
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(window));
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  guint16 keycode = 0;
  guint8 group = 0;
  if (gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &count) && count > 0) {
    keycode = static_cast<guint16>(keys[0].keycode);
    group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(window));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = state;
    event->key.keyval = keyval;
    event->key.hardware_keycode = keycode;
    event->key.group = group;
    gunichar c = gdk_keyval_to_unicode(keyval);
    if (c >= 32) {
      char utf8[8] = {0};
      event->key.length = g_unichar_to_utf8(c, utf8);
      event->key.string = g_strdup(utf8);
    } else {
      event->key.string = g_strdup("");
    }
    gdk_event_set_device(event, keyboard());
    deliver(event);
  }
}

void gui_type(GtkWidget* widget, const std::string& text) {
  for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
    gunichar c = g_utf8_get_char(p);
    gui_key(widget, gdk_unicode_to_keyval(c));
  }
}

void gui_delete(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(event_window(top)));
  event->any.send_event = TRUE;
  deliver(event);
}

void gui_configure(GtkWidget* widget, int x, int y, int width, int height) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkEvent* event = gdk_event_new(GDK_CONFIGURE);
  event->configure.window = GDK_WINDOW(g_object_ref(event_window(top)));
  event->configure.send_event = TRUE;
  event->configure.x = x;
  event->configure.y = y;
  event->configure.width = width;
  event->configure.height = height;
  deliver(event);
}

GtkWidget* gui_find_toplevel(GType type, const char* title) {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = toplevels; l; l = l->next) {
    GtkWidget* window = GTK_WIDGET(l->data);
    if (!G_TYPE_CHECK_INSTANCE_TYPE(window, type) || !gtk_widget_get_visible(window)) continue;
    if (title) {
      const char* t = gtk_window_get_title(GTK_WINDOW(window));
      if (!t || std::strcmp(t, title) != 0) continue;
    }
    found = window;
  }
  g_list_free(toplevels);
  return found;
}

GtkWidget* gui_find_child(GtkWidget* root, GType type) {
  FindState state{type, nullptr, nullptr};
  if (root && GTK_IS_CONTAINER(root)) gtk_container_forall(GTK_CONTAINER(root), find_child, &state);
  return state.found;
}

GtkWidget* gui_find_button(GtkWidget* root, const char* text) {
  FindState state{GTK_TYPE_BUTTON, text, nullptr};
  if (root && GTK_IS_CONTAINER(root)) gtk_container_forall(GTK_CONTAINER(root), find_child, &state);
  return state.found;
}

namespace {

struct ToplevelWatch {
  GType type;
  std::function<void(GtkWidget*)> action;
  gint64 deadline;
  int timeout_ms;
  bool acted = false;
  GtkWidget* acted_on = nullptr;
};

void destroy_all_of(GType type) {
  while (GtkWidget* window = gui_find_toplevel(type)) gtk_widget_destroy(window);
}

bool still_listed(GtkWidget* widget) {
  GList* toplevels = gtk_window_list_toplevels();
  bool listed = g_list_find(toplevels, widget) != nullptr && gtk_widget_get_visible(widget);
  g_list_free(toplevels);
  return listed;
}

gboolean watch_tick(gpointer data) {
  auto* watch = static_cast<ToplevelWatch*>(data);
  gint64 now = g_get_monotonic_time();
  if (!watch->acted) {
    GtkWidget* window = gui_find_toplevel(watch->type);
    if (window) {
      watch->acted = true;
      watch->acted_on = window;
      g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&watch->acted_on));
      watch->deadline = now + static_cast<gint64>(watch->timeout_ms) * 1000;
      watch->action(window);
      return G_SOURCE_CONTINUE;
    }
    if (now > watch->deadline) {
      ADD_FAILURE() << "no toplevel of type " << g_type_name(watch->type) << " appeared";
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }
  if (!watch->acted_on || !still_listed(watch->acted_on)) return G_SOURCE_REMOVE;
  if (now > watch->deadline) {
    ADD_FAILURE() << "the toplevel of type " << g_type_name(watch->type) << " stayed open";
    destroy_all_of(watch->type);
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

void watch_free(gpointer data) {
  auto* watch = static_cast<ToplevelWatch*>(data);
  if (watch->acted_on)
    g_object_remove_weak_pointer(G_OBJECT(watch->acted_on), reinterpret_cast<gpointer*>(&watch->acted_on));
  delete watch;
}

}  // namespace

void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms) {
  auto* watch = new ToplevelWatch{type, std::move(action), 0, timeout_ms};
  watch->deadline = g_get_monotonic_time() + static_cast<gint64>(timeout_ms) * 1000;
  g_timeout_add_full(G_PRIORITY_DEFAULT, 50, watch_tick, watch, watch_free);
}

void gui_warp_pointer(int x, int y) {
  GdkDevice* device = pointer();
  if (!device) return;
  gdk_device_warp(device, gdk_screen_get_default(), x, y);
  gui_wait_until(
      [&] {
        int px = 0, py = 0;
        gdk_device_get_position(device, nullptr, &px, &py);
        return px == x && py == y;
      },
      1000);
  gui_pump();
}

bool gui_focus(GtkWidget* window, int timeout_ms) {
  GtkWidget* top = gtk_widget_get_toplevel(window);
  gtk_window_present(GTK_WINDOW(top));
  return gui_wait_until([&] { return gtk_window_is_active(GTK_WINDOW(top)) != FALSE; }, timeout_ms);
}
