// Shared between the toolkit's own modules (windows, gadgets, requesters); not
// for the application.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "runtime/data/strings.h"

// The gadget area (GtkLayout) of a live window, or nullptr.
GtkWidget* window_gadget_area(int number);
// Number of the live window whose toolkit window is `window`; -1 if none.
int window_number_of(GtkWidget* window);
// True when the number names a live window.
bool window_exists(int number);
// The window whose gadget area receives new gadgets (the one opened last that
// is still open); -1 if there is none.
int gadget_list_window();

// Runs the toolkit's pending events until none is left.
void toolkit_flush();

// Label of a menu entry: "&" marks the mnemonic, "_" stays visible, a tab
// ends the text, at most about 1020 bytes.
std::string menu_label_text(const String& text);
