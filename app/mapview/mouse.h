// Hit tests, dragging, panning, the hover label and the double-click marker.
#pragma once

#include <cstdint>

#include "app/mapview/model.h"

// 0 nothing, 2 dragging a hero, 3 a grave, 4 panning, 5 dragging a transport.
extern int32_t InteractionMode;
struct PanStartRecord {
  int32_t x = 0, y = 0;
};
extern PanStartRecord PanStart;

// The hero under the pointer (top-most first) becomes current; false if none.
bool hero_at_pointer();
// The grave or transport under the pointer, passing over position skip (-1 for
// none), becomes current; false if none.
bool piece_at_pointer(List<Piece>* list, int64_t skip);
// Shows the piece's inscription in the hover label at the pointer.
void show_piece_label(const Piece* piece);
// The MouseMove handling of the map canvas.
void on_mouse_move();
// The LeftDoubleClick handling: sets the marker.
void on_double_click();
