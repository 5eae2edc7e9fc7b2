// The pointer on the map: hit tests, dragging, panning, the hover label and
// the double-click marker.
#pragma once

#include <cstdint>

#include "app/mapview/model.h"

// What the last left-button press on the map started; back to None when the
// button is released.
enum class Interaction : int32_t {
  None = 0,
  DragHero = 2,
  DragGrave = 3,
  Pan = 4,
  DragTransport = 5,
};
extern Interaction InteractionMode;
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
