// The map model: the view of the loaded level, the heroes' start places, the
// conversion of pointer positions into map pixels, the trails and the convoy
// layout along them.
#pragma once

#include <cstdint>

#include "app/state/lists.h"
#include "runtime/core/strings.h"

// The view of the loaded level and how it is looked at.
struct MapViewRecord {
  String level_name;       // the level's "name"; also the main window's title
  int map_image = 0;       // the map picture as loaded (image number)
  int work_image = 0;      // like map_image, sharing its pixels until drawn on (the step-by-step frame composes on it)
  int32_t zoom = 100;      // per cent, 25..100
  int32_t map_width = 0, map_height = 0;
  int32_t origin_x = 0, origin_y = 0;          // map pixel at the canvas's top-left
  int32_t canvas_width = 0, canvas_height = 0; // size of the map canvas
  int32_t tile_x = 0, tile_y = 0;              // size of a grave or transport
  int32_t player_size = 0;                     // width and height of a hero
  uint8_t tile_orientation = 0;
  String level_path;       // full path of the level file that was read
};
extern MapViewRecord MapView;

// The zoom that every conversion and drawing uses: MapView.zoom kept within
// 25..100. The commands never leave that range, but a formation file stores
// the zoom as a byte, so a damaged file could bring 0 or any other value.
int64_t view_zoom();
// The axes of window_to_map.
constexpr int AxisX = 0;
constexpr int AxisY = 1;
// Map coordinate of a window coordinate on the axis (AxisX or AxisY), in
// 64-bit integer arithmetic truncating toward zero. Safe for any zoom value.
int64_t window_to_map(int64_t value, int axis);
// Euclidean distance as a single-precision float.
float point_distance(TrailPoint p, TrailPoint q);
// Records the hero's centre in its trail when it moved more than
// player_size/4 from point 0, then lays out its convoy.
void record_trail(Piece* hero, Trail* trail);
// Places the hero's attached transports along its trail.
void layout_convoy(Piece* hero, Trail* trail);
// Single-precision value rounded to the nearest integer, halves to even.
int32_t round_half_even(float value);
// Appends the hero of the player entry at position i to Heroes at its start
// place (a row along the top of the map, 25 pixels from the left and 20 from
// the top, player_size apart), with its trail: a vertical line of points
// player_size/4 apart running down from its centre.
void add_hero_at_start(int64_t i);
