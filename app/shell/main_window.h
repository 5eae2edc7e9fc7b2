// The main window: its menus, popup menus, the map and picker canvases and
// the keyboard shortcuts.
#pragma once

// Opens the main window with its menus, popup menus, canvases, shortcuts and
// marker picture. Returns 0 when the window could not be opened.
int open_main_window();
// Keeps the map canvas as large as the window (on every SizeWindow).
void resize_map_canvas();
// Gives "Rückgängig" and "Wiederholen" the name of their step, greyed when
// there is none.
void update_edit_menu();
