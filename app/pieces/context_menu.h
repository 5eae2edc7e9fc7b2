// The map's context menu (right click on the map canvas).
#pragma once

#include <cstdint>

// Top-left corner, in map pixels, of a grave or transport created from the map
// menu: the right-clicked map point less half a tile.
struct PopupPointRecord {
  int32_t x = 0, y = 0;
};
extern PopupPointRecord PopupPoint;

// Shows the menu that fits the piece under the pointer (or asks to remove a
// grave); the chosen item arrives later as a menu event.
void show_context_menu();
