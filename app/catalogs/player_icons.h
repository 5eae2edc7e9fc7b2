// The player icon dialog: lets the user choose the players' pictures and
// rewrites "players.xml".
#pragma once

#include "runtime/core/strings.h"
#include "runtime/toolkit/windows.h"

// Shows the dialog "Players" (window 1) with one row per player of
// "players.xml" (seven rows at most; further players are kept unchanged) and
// returns when it is closed. Closing it or "Übernehmen" writes "players.xml"
// and reloads the heroes' pictures, which the next map frame shows. A file
// that could not be read completely is left as it was, and a failed write is
// reported; neither loses the file on disk. The caller disables the main
// window around it.
void edit_player_icons();
// Command "Spielericons ändern": the dialog, with the main window disabled
// while it is open and brought to the front afterwards.
void change_player_icons();
// Shows the picker of the "*.png" pictures of the folder "players" with its
// top-left corner at the screen position (x, y) and returns the file name of
// the chosen picture, or "" when the user chose nothing (clicked elsewhere,
// or there is nothing to choose from).
String icon_picker(int x, int y);
// 1 while the mouse button is held down (0 left, 1 right, 2 middle), read from
// the pointer device now; 0 when window is null.
int mouse_button_down(WindowHandle window, int button);
