#include "support/gui.h"

namespace {

// A synthesized event for the widget's GdkWindow from the seat's pointer or keyboard.
GdkEvent* new_event(GdkEventType type, GtkWidget* widget, bool keyboard = false) {
  if (!gtk_widget_get_realized(widget)) gtk_widget_realize(widget);
  GdkEvent* event = gdk_event_new(type);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  event->any.send_event = TRUE;
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(widget));
  gdk_event_set_device(event, keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat));
  return event;
}

void deliver(GdkEvent* event) { gtk_main_do_event(event), gdk_event_free(event); }

void find_child(GtkWidget* widget, gpointer data) {
  auto* state = static_cast<std::pair<GType, GtkWidget*>*>(data);
  if (!state->second && G_TYPE_CHECK_INSTANCE_TYPE(widget, state->first)) state->second = widget;
  if (!state->second && GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), find_child, data);
}

// A visible toplevel of the type, or nullptr.
GtkWidget* find_toplevel(GType type) {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = toplevels; l; l = l->next)
    if (G_TYPE_CHECK_INSTANCE_TYPE(l->data, type) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
      found = GTK_WIDGET(l->data);
  g_list_free(toplevels);
  return found;
}

// Runs action from the toolkit loop every ms milliseconds until it returns true.
void every(int ms, std::function<bool()> action) {
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, ms, [](gpointer f) { return gboolean(!(*static_cast<std::function<bool()>*>(f))()); },
      new std::function<bool()>(std::move(action)), [](gpointer f) { delete static_cast<std::function<bool()>*>(f); });
}

}  // namespace

void gui_pump() {
  for (int i = 0; runtime_has_display() && i < 100000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void gui_pump_for(int ms) {
  gint64 end = g_get_monotonic_time() + ms * gint64{1000};
  gui_wait_until([end] { return g_get_monotonic_time() >= end; }, ms + 1000);
}

bool gui_wait_until(const std::function<bool()>& condition, int timeout_ms) {
  for (gint64 end = g_get_monotonic_time() + timeout_ms * gint64{1000}; !condition();) {
    if (g_get_monotonic_time() >= end) return condition();
    runtime_has_display() && gtk_events_pending() ? (void)gtk_main_iteration_do(FALSE) : g_usleep(1000);
  }
  return true;
}

void gui_later(int ms, std::function<void()> action) {
  every(ms, [action = std::move(action)] { return action(), true; });
}

std::vector<GuiEvent> gui_take_events() {
  gui_pump();
  std::vector<GuiEvent> events;
  while (events_queued() > 0) {
    GuiEvent e{event_poll(), event_window(), event_gadget(), event_type(), false, {}};
    e.has_mouse = e.kind == Gadget && event_data();
    if (e.has_mouse) e.mouse = *static_cast<MouseRecord*>(event_data());
    events.push_back(e);
  }
  return events;
}

std::vector<int64_t> gui_types(const std::vector<GuiEvent>& events, int64_t kind, int64_t gadget) {
  std::vector<int64_t> out;
  for (const GuiEvent& e : events)
    if (e.kind == kind && (gadget < 0 || e.object == gadget)) out.push_back(e.type);
  return out;
}

void gui_motion(GtkWidget* widget, double x, double y) {
  GdkEvent* event = new_event(GDK_MOTION_NOTIFY, widget);
  event->motion.x = x, event->motion.y = y;
  deliver(event);
}

void gui_button(GtkWidget* widget, GdkEventType type, guint button, double x, double y) {
  GdkEvent* event = new_event(type, widget);
  event->button.x = x, event->button.y = y, event->button.button = button;
  if (type == GDK_BUTTON_RELEASE) event->button.state = GDK_BUTTON1_MASK << (button - 1);  // as held
  deliver(event);
}

void gui_click(GtkWidget* widget, guint button, double x, double y, bool twice) {
  gui_button(widget, GDK_BUTTON_PRESS, button, x, y);
  gui_button(widget, GDK_BUTTON_RELEASE, button, x, y);
  if (!twice) return;
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS, GDK_BUTTON_RELEASE})
    gui_button(widget, type, button, x, y);
}

void gui_scroll(GtkWidget* widget, GdkScrollDirection direction, double x, double y) {
  GdkEvent* event = new_event(GDK_SCROLL, widget);
  event->scroll.x = x, event->scroll.y = y, event->scroll.direction = direction;
  deliver(event);
}

void gui_key(GtkWidget* widget, guint keyval, guint state) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gtk_widget_get_display(top)), keyval, &keys, &count);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = new_event(type, top, true);
    event->key.state = state, event->key.keyval = keyval, event->key.string = g_strdup("");
    event->key.hardware_keycode = count > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
    event->key.group = count > 0 ? static_cast<guint8>(keys[0].group) : 0;
    deliver(event);
  }
  g_free(keys);
}

void gui_delete(GtkWidget* widget) { deliver(new_event(GDK_DELETE, gtk_widget_get_toplevel(widget))); }

void gui_configure(GtkWidget* widget, int x, int y, int width, int height) {
  GdkEvent* event = new_event(GDK_CONFIGURE, gtk_widget_get_toplevel(widget));
  event->configure.x = x, event->configure.y = y, event->configure.width = width, event->configure.height = height;
  deliver(event);
}

GtkWidget* gui_find_child(GtkWidget* root, GType type) {
  std::pair<GType, GtkWidget*> state{type, nullptr};
  if (root && GTK_IS_CONTAINER(root)) gtk_container_forall(GTK_CONTAINER(root), find_child, &state);
  return state.second;
}

void gui_when_toplevel(GType type, std::function<void(GtkWidget*)> action, int timeout_ms) {
  gint64 deadline = g_get_monotonic_time() + timeout_ms * gint64{1000};
  bool acted = false;
  every(50, [=]() mutable {
    GtkWidget* window = find_toplevel(type);
    if (!acted && window) {
      acted = true;
      deadline = g_get_monotonic_time() + timeout_ms * gint64{1000};
      action(window);
      return false;
    }
    if (acted && !window) return true;
    if (g_get_monotonic_time() <= deadline) return false;
    ADD_FAILURE() << "toplevel of type " << g_type_name(type) << (acted ? " stayed open" : " never came");
    while ((window = find_toplevel(type))) gtk_widget_destroy(window);
    return true;
  });
}

void gui_warp_pointer(int x, int y) {
  GdkDisplay* display = gdk_display_get_default();
  GdkDevice* pointer = display ? gdk_seat_get_pointer(gdk_display_get_default_seat(display)) : nullptr;
  if (!pointer) return;
  gdk_device_warp(pointer, gdk_screen_get_default(), x, y);
  gui_wait_until([&] {
    int px = 0, py = 0;
    gdk_device_get_position(pointer, nullptr, &px, &py);
    return px == x && py == y;
  }, 1000);
  gui_pump();
}
