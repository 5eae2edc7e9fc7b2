// The program's application ID, the desktop's recently used files, and files
// dropped onto canvases (the XDND and Wayland drag protocols, through GTK).
#include "runtime/toolkit/desktop.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <unistd.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <cstdlib>

#include <string>

#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

namespace {
std::string Command = "tavrel";
std::string Name = "Tavrel";  // shown with the recently used files
}  // namespace

void application_identify(const char* id, const char* window_class, const char* command) {
  // The application name is left alone: GTK would give it as title to its
  // own hidden windows.
  g_set_prgname(id);
  gdk_set_program_class(window_class);
  Command = command;
  Name = window_class;
}

String user_config_path(const String& application, const String& name) {
  const char* config = getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && config[0] == '/') {
    folder = config;
  } else {
    const char* home = getenv("HOME");
    if (!home || home[0] != '/') home = g_get_home_dir();
    if (!home || home[0] != '/') return String();
    folder = std::string(home) + "/.config";
  }
  return string_from_utf8(folder) + u"/" + application + u"/" + name;
}

bool folder_writable(const String& folder) {
  std::string probe = string_to_utf8(folder);
  if (probe.empty()) return false;
  if (probe.back() != '/') probe += '/';
  probe += ".tavrel-XXXXXX";
  int fd = g_mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool make_folders(const String& folder) {
  std::string path = string_to_utf8(folder);
  return !path.empty() && g_mkdir_with_parents(path.c_str(), 0755) == 0;
}

namespace {

void show_popup(GdkSeat*, GdkWindow*, gpointer window) { gtk_widget_show(GTK_WIDGET(window)); }

}  // namespace

bool window_shown(int number) {
  WindowHandle handle = window_handle(number);
  GdkWindow* surface = handle ? gtk_widget_get_window(GTK_WIDGET(handle)) : nullptr;
  return surface && gdk_window_is_visible(surface);
}

bool desktop_positions_known() {
#ifdef GDK_WINDOWING_WAYLAND
  GdkDisplay* display = gdk_display_get_default();
  if (display && GDK_IS_WAYLAND_DISPLAY(display)) return false;
#endif
  return true;
}

void window_place_at(int number, int parent, int x, int y) {
  WindowHandle handle = window_handle(number);
  GtkWidget* area = window_gadget_area(parent);
  GtkWidget* owner = GTK_WIDGET(window_handle(parent));
  if (!handle || !area || !owner || !gtk_widget_get_window(area)) return;
  GtkWidget* window = GTK_WIDGET(handle);
  if (desktop_positions_known()) {
    int ox = 0, oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(area), &ox, &oy);
    gtk_window_move(GTK_WINDOW(window), ox + x, oy + y);
    return;
  }
  // The point in the parent's surface; the window is mapped anew as a popup
  // anchored there.
  int ax = 0, ay = 0;
  gtk_widget_translate_coordinates(area, owner, 0, 0, &ax, &ay);
  gtk_widget_hide(window);
  toolkit_flush();  // its unmapping is over before the popup's is watched
  gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(owner));
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DROPDOWN_MENU);
  GdkRectangle point{ax + x, ay + y, 1, 1};
  GdkWindow* surface = gtk_widget_get_window(window);
  gdk_window_move_to_rect(surface, &point, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                          static_cast<GdkAnchorHints>(GDK_ANCHOR_SLIDE | GDK_ANCHOR_FLIP), 0, 0);
  // Shown with the pointer taken: the compositor takes such a popup away
  // when the user clicks anywhere outside the program (window_shown tells).
  GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(window));
  if (!seat || gdk_seat_grab(seat, surface, GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr, nullptr, show_popup,
                             window) != GDK_GRAB_SUCCESS)
    gtk_widget_show(window);
  toolkit_flush();
}

namespace {

// The file's URI, "" for a path that is not absolute.
std::string file_uri(const String& path) {
  std::string utf8 = string_to_utf8(path);
  if (utf8.empty() || utf8[0] != '/') return std::string();
  gchar* uri = g_filename_to_uri(utf8.c_str(), nullptr, nullptr);
  std::string result = uri ? uri : "";
  g_free(uri);
  return result;
}

}  // namespace

void recent_file_add(const String& path) {
  if (!runtime_has_display()) return;
  std::string uri = file_uri(path);
  if (uri.empty()) return;
  // Added at once, with the type the file's name gives (the plain
  // gtk_recent_manager_add_item would read the file's type in the background
  // and add it later).
  std::string name = string_to_utf8(path);
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, nullptr);
  gchar* mime = type ? g_content_type_get_mime_type(type) : nullptr;
  std::string exec = Command + " %f";
  GtkRecentData data{};
  data.mime_type = mime ? mime : const_cast<gchar*>("application/octet-stream");
  data.app_name = Name.data();
  data.app_exec = exec.data();
  gtk_recent_manager_add_full(gtk_recent_manager_get_default(), uri.c_str(), &data);
  g_free(mime);
  g_free(type);
}

bool recent_file_listed(const String& path) {
  if (!runtime_has_display()) return false;
  std::string uri = file_uri(path);
  return !uri.empty() && gtk_recent_manager_has_item(gtk_recent_manager_get_default(), uri.c_str());
}

namespace {

// The paths of one drop, handed to the application as the event's data.
struct DroppedFiles {
  std::vector<String> paths;
};
void release_dropped(void* data) { delete static_cast<DroppedFiles*>(data); }

bool name_matches(const std::string& path, const std::string& patterns) {
  std::string name = path.substr(path.rfind('/') + 1);
  gchar* folded = g_utf8_casefold(name.c_str(), -1);
  bool matches = false;
  size_t start = 0;
  while (!matches && start <= patterns.size()) {
    size_t end = patterns.find('|', start);
    if (end == std::string::npos) end = patterns.size();
    gchar* pattern = g_utf8_casefold(patterns.substr(start, end - start).c_str(), -1);
    matches = *pattern && g_pattern_match_simple(pattern, folded);
    g_free(pattern);
    start = end + 1;
  }
  g_free(folded);
  return matches;
}

void on_drag_data_received(GtkWidget* widget, GdkDragContext* context, gint, gint, GtkSelectionData* data, guint,
                           guint time, gpointer) {
  int number = data_int(widget, "rx_id") - 1;
  const char* patterns = static_cast<const char*>(g_object_get_data(G_OBJECT(widget), "rx_drop_patterns"));
  gchar** uris = data ? gtk_selection_data_get_uris(data) : nullptr;
  std::string path;
  bool taken = false;
  if (uris && uris[0] && !uris[1] && number >= 0 && patterns) {
    gchar* file = g_filename_from_uri(uris[0], nullptr, nullptr);  // local files only
    if (file) path = file;
    g_free(file);
    taken = !path.empty() && name_matches(path, patterns);
  }
  g_strfreev(uris);
  gtk_drag_finish(context, taken, FALSE, time);
  if (!taken) return;
  int window = window_number_of(gtk_widget_get_toplevel(widget));
  auto* dropped = new DroppedFiles{{string_from_utf8(path)}};
  event_post(Gadget, number, window, FilesDropped, dropped, release_dropped, PostNoCollapse);
}

// The drop itself: the files are asked for; whether the drop is taken is
// decided once they are known (gtk_drag_finish above).
gboolean on_drag_drop(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time, gpointer) {
  GdkAtom target = gtk_drag_dest_find_target(widget, context, nullptr);
  if (target == GDK_NONE) return FALSE;
  gtk_drag_get_data(widget, context, target, time);
  return TRUE;
}

}  // namespace

void canvas_accept_drops(int number, const String& patterns) {
  GtkWidget* widget = gadget_widget(number);
  if (!widget || gadget_type(number) != GadgetCanvasType) return;
  gtk_drag_dest_set(widget, static_cast<GtkDestDefaults>(GTK_DEST_DEFAULT_MOTION | GTK_DEST_DEFAULT_HIGHLIGHT), nullptr,
                    0, GDK_ACTION_COPY);
  gtk_drag_dest_add_uri_targets(widget);
  g_object_set_data_full(G_OBJECT(widget), "rx_drop_patterns", g_strdup(string_to_utf8(patterns).c_str()), g_free);
  if (!g_object_get_data(G_OBJECT(widget), "rx_drop_connected")) {
    g_signal_connect(widget, "drag-drop", G_CALLBACK(on_drag_drop), nullptr);
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(on_drag_data_received), nullptr);
    g_object_set_data(G_OBJECT(widget), "rx_drop_connected", GINT_TO_POINTER(1));
  }
}

std::vector<String> event_dropped_files() {
  if (event_type() != FilesDropped) return {};
  auto* dropped = static_cast<DroppedFiles*>(event_data());
  return dropped ? dropped->paths : std::vector<String>();
}
