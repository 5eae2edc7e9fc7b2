// The player icon dialog: lets the user choose the players' pictures and
// rewrites "players.xml".
#pragma once

// Shows the dialog and returns when it is closed. The caller disables the main
// window around it.
void edit_player_icons();
