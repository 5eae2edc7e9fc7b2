#include "support/gui.h"

#include "runtime/toolkit/runtime.h"

namespace {

GdkDevice* device(bool keyboard) {
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  if (!seat) return nullptr;
  return keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat);
}

GdkWindow* window_of(GtkWidget* widget) {
  if (!gtk_widget_get_realized(widget)) gtk_widget_realize(widget);
  return gtk_widget_get_window(widget);
}

// A synthesized event of the type for the widget's GdkWindow.
GdkEvent* new_event(GdkEventType type, GtkWidget* widget, bool keyboard = false) {
  GdkEvent* event = gdk_event_new(type);
  event->any.window = GDK_WINDOW(g_object_ref(window_of(widget)));
  event->any.send_event = TRUE;
  gdk_event_set_device(event, device(keyboard));
  return event;
}

void deliver(GdkEvent* event) {
  gtk_main_do_event(event);
  gdk_event_free(event);
}

guint held_mask(guint button) {
  return button == 1 ? GDK_BUTTON1_MASK : button == 2 ? GDK_BUTTON2_MASK : GDK_BUTTON3_MASK;
}

struct FindState {
  GType type;
  GtkWidget* found;
};

void find_child(GtkWidget* widget, gpointer data) {
  auto* state = static_cast<FindState*>(data);
  if (!state->found && G_TYPE_CHECK_INSTANCE_TYPE(widget, state->type)) state->found = widget;
  if (!state->found && GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), find_child, data);
}

}  // namespace

bool gui_available() { return runtime_has_display(); }

void gui_pump() {
  if (!gui_available()) return;
  for (int i = 0; i < 100000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void gui_pump_for(int ms) {
  gint64 end = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
  gui_wait_until([&] { return g_get_monotonic_time() >= end; }, ms + 1000);
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
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, ms,
      [](gpointer data) {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(action)), [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
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
    if (event.kind == Gadget && event_data()) {
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
  GdkEvent* event = new_event(GDK_MOTION_NOTIFY, widget);
  event->motion.x = x;
  event->motion.y = y;
  event->motion.state = state;
  deliver(event);
}

void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y, guint state) {
  GdkEvent* event = new_event(type, widget);
  event->button.x = x;
  event->button.y = y;
  event->button.button = button;
  event->button.state = state;
  deliver(event);
}

void gui_click(GtkWidget* widget, guint button, double x, double y) {
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y, held_mask(button));
}

void gui_double_click(GtkWidget* widget, guint button, double x, double y) {
  gui_click(widget, button, x, y);
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_2BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y, held_mask(button));
}

void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y) {
  GdkEvent* event = new_event(GDK_SCROLL, widget);
  event->scroll.x = x;
  event->scroll.y = y;
  event->scroll.direction = direction;
  deliver(event);
}

void gui_crossing(GtkWidget* widget, bool enter, double x, double y) {
  GdkEvent* event = new_event(enter ? GDK_ENTER_NOTIFY : GDK_LEAVE_NOTIFY, widget);
  event->crossing.x = x;
  event->crossing.y = y;
  event->crossing.mode = GDK_CROSSING_NORMAL;
  event->crossing.detail = GDK_NOTIFY_NONLINEAR;
  deliver(event);
}

void gui_key(GtkWidget* widget, guint keyval, guint state) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gtk_widget_get_display(top));
  gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &count);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = new_event(type, top, true);
    event->key.state = state;
    event->key.keyval = keyval;
    event->key.hardware_keycode = count > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
    event->key.group = count > 0 ? static_cast<guint8>(keys[0].group) : 0;
    event->key.string = g_strdup("");
    deliver(event);
  }
  g_free(keys);
}

void gui_delete(GtkWidget* widget) { deliver(new_event(GDK_DELETE, gtk_widget_get_toplevel(widget))); }

void gui_configure(GtkWidget* widget, int x, int y, int width, int height) {
  GdkEvent* event = new_event(GDK_CONFIGURE, gtk_widget_get_toplevel(widget));
  event->configure.x = x;
  event->configure.y = y;
  event->configure.width = width;
  event->configure.height = height;
  deliver(event);
}

GtkWidget* gui_find_toplevel(GType type) {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = toplevels; l; l = l->next)
    if (G_TYPE_CHECK_INSTANCE_TYPE(l->data, type) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
      found = GTK_WIDGET(l->data);
  g_list_free(toplevels);
  return found;
}

GtkWidget* gui_find_child(GtkWidget* root, GType type) {
  FindState state{type, nullptr};
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
};

gboolean watch_tick(gpointer data) {
  auto* watch = static_cast<ToplevelWatch*>(data);
  GtkWidget* window = gui_find_toplevel(watch->type);
  gint64 now = g_get_monotonic_time();
  if (!watch->acted && window) {
    watch->acted = true;
    watch->deadline = now + static_cast<gint64>(watch->timeout_ms) * 1000;
    watch->action(window);
    return G_SOURCE_CONTINUE;
  }
  if (watch->acted && !window) return G_SOURCE_REMOVE;
  if (now <= watch->deadline) return G_SOURCE_CONTINUE;
  ADD_FAILURE() << "toplevel of type " << g_type_name(watch->type) << (watch->acted ? " stayed open" : " never came");
  while ((window = gui_find_toplevel(watch->type))) gtk_widget_destroy(window);
  return G_SOURCE_REMOVE;
}

}  // namespace

void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms) {
  auto* watch = new ToplevelWatch{type, std::move(action), 0, timeout_ms};
  watch->deadline = g_get_monotonic_time() + static_cast<gint64>(timeout_ms) * 1000;
  g_timeout_add_full(G_PRIORITY_DEFAULT, 50, watch_tick, watch,
                     [](gpointer data) { delete static_cast<ToplevelWatch*>(data); });
}

void gui_warp_pointer(int x, int y) {
  GdkDevice* pointer = device(false);
  if (!pointer) return;
  gdk_device_warp(pointer, gdk_screen_get_default(), x, y);
  gui_wait_until(
      [&] {
        int px = 0, py = 0;
        gdk_device_get_position(pointer, nullptr, &px, &py);
        return px == x && py == y;
      },
      1000);
  gui_pump();
}
