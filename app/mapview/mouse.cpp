// Hit tests, dragging, panning, the hover label and the double-click marker.
#include "app/mapview/mouse.h"

#include "app/mapview/clock.h"
#include "app/mapview/render.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/windows.h"

Interaction InteractionMode = Interaction::None;
PanStartRecord PanStart;

namespace {

struct PointerMap {
  int64_t x, y;
};
PointerMap pointer_on_map() {
  return PointerMap{window_to_map(window_mouse_x(MainWindow), AxisX), window_to_map(window_mouse_y(MainWindow), AxisY)};
}

// Walks list from its last element to its first; the first piece of size w x h
// that holds the pointer strictly inside (borders excluded) and is not at
// position skip becomes current. Without a hit the first element is current.
bool hit_test(List<Piece>* list, int64_t w, int64_t h, int64_t skip) {
  if (!list || list_size(list) == 0) return false;
  PointerMap m = pointer_on_map();
  Piece* piece = list_last(list);
  for (int64_t position = list_size(list) - 1; piece; position--) {
    if (position != skip && piece->x < m.x && m.x < piece->x + w && piece->y < m.y && m.y < piece->y + h)
      return true;
    piece = list_previous(list);
  }
  return false;
}

// Keeps a coordinate of a dragged piece in view: the first rule that matches
// applies (left of the view, right of the view, beyond the map picture); then,
// whatever rule applied, the piece stays within the map picture as far as it
// fits (never beyond map_size - size, never below 0 on a map larger than the
// piece).
int64_t keep_in_view(int64_t v, int64_t origin, int64_t canvas_size, int64_t map_size, int64_t size) {
  int64_t zoom = view_zoom();
  int64_t view_end = origin + canvas_size * 100 / zoom - size;
  if (v < origin) v = origin;
  else if (v > view_end) v = view_end;
  else if (v > map_size - size) v = map_size - size;
  if (v > map_size - size) v = map_size - size;
  if (v < 0 && map_size >= size) v = 0;
  return v;
}

// One drag step of the current piece of list (size w x h).
void drag_step(List<Piece>* list, int64_t w, int64_t h) {
  note_change();
  if (window_mouse_x(MainWindow) == -1 || window_mouse_y(MainWindow) == -1) return;
  Piece* piece = list ? list_current(list) : nullptr;
  if (!piece) return;
  PointerMap m = pointer_on_map();
  int64_t x = m.x - w / 2, y = m.y - h / 2;
  x = keep_in_view(x, MapView.origin_x, MapView.canvas_width, MapView.map_width, w);
  y = keep_in_view(y, MapView.origin_y, MapView.canvas_height, MapView.map_height, h);
  piece->x = static_cast<int32_t>(x);
  piece->y = static_cast<int32_t>(y);
}

// The panning step on one axis.
void pan_axis(int64_t pointer, int32_t& origin, int32_t& start, int64_t canvas_size, int64_t map_size,
              int64_t image_size) {
  int64_t zoom = view_zoom();
  if (canvas_size > map_size * zoom / 100) {
    origin = 0;
    return;
  }
  int64_t o = static_cast<int64_t>(origin) - (pointer - start);
  start = static_cast<int32_t>(pointer);
  int64_t last = image_size - canvas_size * 100 / zoom;
  if (o < 0) o = 0;
  else if (o > last) o = last;
  origin = static_cast<int32_t>(o);
}

}  // namespace

void show_piece_label(const Piece* piece) {
  HoverLabel.text = inscription_text(piece->inscription);
  HoverLabel.x = static_cast<int32_t>(window_mouse_x(MainWindow));
  HoverLabel.y = static_cast<int32_t>(window_mouse_y(MainWindow));
}

bool hero_at_pointer() { return hit_test(Heroes, MapView.player_size, MapView.player_size, -1); }

bool piece_at_pointer(List<Piece>* list, int64_t skip) { return hit_test(list, MapView.tile_x, MapView.tile_y, skip); }

void on_mouse_move() {
  switch (InteractionMode) {
    case Interaction::None:
      if (piece_at_pointer(Graves, -1)) show_piece_label(list_current(Graves));
      else if (piece_at_pointer(Transports, -1)) show_piece_label(list_current(Transports));
      else HoverLabel.text.clear();
      break;
    case Interaction::DragHero: {
      drag_step(Heroes, MapView.player_size, MapView.player_size);
      Piece* hero = list_current(Heroes);
      if (!hero || !Trails) break;
      Trail* trail = list_select(Trails, list_index(Heroes));
      if (trail) record_trail(hero, trail);
      break;
    }
    case Interaction::DragGrave:
      drag_step(Graves, MapView.tile_x, MapView.tile_y);
      break;
    case Interaction::Pan: {
      int64_t px = window_mouse_x(MainWindow), py = window_mouse_y(MainWindow);
      if (px == -1 || py == -1) break;
      pan_axis(px, MapView.origin_x, PanStart.x, MapView.canvas_width, MapView.map_width,
               image_width(MapView.work_image));
      pan_axis(py, MapView.origin_y, PanStart.y, MapView.canvas_height, MapView.map_height,
               image_height(MapView.work_image));
      break;
    }
    case Interaction::DragTransport:
      drag_step(Transports, MapView.tile_x, MapView.tile_y);
      break;
  }
}

void on_double_click() {
  MapMarker.x = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), AxisX));
  MapMarker.y = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), AxisY));
  MapMarker.active = 1;
  MapMarker.start_ms = static_cast<int32_t>(elapsed_ms());
}
