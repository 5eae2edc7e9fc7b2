// Shared between the toolkit's own modules (windows, gadgets, requesters); not
// for the application.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "runtime/core/strings.h"

// The gadget area (GtkLayout) of a live window, or nullptr.
GtkWidget* window_gadget_area(int number);
// Number of the live window whose toolkit window is `window`; -1 if none.
int window_number_of(GtkWidget* window);
// True when the number names a live window.
bool window_exists(int number);
// The window whose gadget area receives new gadgets (the one opened last that
// is still open); -1 if there is none.
int gadget_list_window();

// The vertical box of a live window (menu bar box above the gadget area), and
// the accelerator group in which its shortcuts are bound; nullptr if none.
GtkWidget* window_vbox(int number);
GtkAccelGroup* window_accelerators(int number);
// The pointer device of the widget's display (the default display for null).
GdkDevice* pointer_device(GtkWidget* widget);

// Integer data kept on a toolkit object under a key ("rx_..."); 0 when unset.
inline int data_int(gpointer object, const char* key) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(object), key));
}
inline void set_data_int(gpointer object, const char* key, int value) {
  g_object_set_data(G_OBJECT(object), key, GINT_TO_POINTER(value));
}

// Tells GTK once, before it starts, to leave the locale to the runtime (the
// command line's parse starts GTK's option group before runtime_init).
void toolkit_keep_locale();

// Runs the toolkit's pending events until none is left.
void toolkit_flush();

// Label of a menu entry: "&" marks the mnemonic, "_" stays visible, a tab
// ends the text, at most about 1020 bytes.
std::string menu_label_text(const String& text);
