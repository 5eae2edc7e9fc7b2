// A stand-in for a file manager in the end-to-end tests: a window titled
// "Drag source" whose whole area can be dragged, offering the files given on
// the command line as a list of URIs, as file managers do.
// Usage: tavrel_drag_source FILE...
#include <gtk/gtk.h>

#include <string>
#include <vector>

static std::vector<std::string> Uris;

static void on_drag_data_get(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  std::vector<gchar*> list;
  for (std::string& uri : Uris) list.push_back(uri.data());
  list.push_back(nullptr);
  gtk_selection_data_set_uris(data, list.data());
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  for (int i = 1; i < argc; i++) {
    gchar* uri = g_filename_to_uri(argv[i], nullptr, nullptr);
    Uris.push_back(uri ? uri : argv[i]);  // not a path: offered as it is
    g_free(uri);
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Drag source");
  gtk_window_set_default_size(GTK_WINDOW(window), 200, 120);
  GtkWidget* box = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(box), gtk_label_new("files"));
  gtk_container_add(GTK_CONTAINER(window), box);
  gtk_drag_source_set(box, GDK_BUTTON1_MASK, nullptr, 0, GDK_ACTION_COPY);
  gtk_drag_source_add_uri_targets(box);
  g_signal_connect(box, "drag-data-get", G_CALLBACK(on_drag_data_get), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
