// The terrain of the map picture: per-pixel fields of land, elevation, moisture and water
// that everything else on the map is placed by, and the painting of the ground.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common.h"
#include "polyline.h"

// Terrain fields, one value per map pixel, indexed by idx(x, y); filled by compute_terrain.
extern std::vector<float> LandField;    // < 0: sea; distance-like measure inland
extern std::vector<float> Elevation;    // 0 (coast) .. 1 (peaks)
extern std::vector<float> Moisture;     // 0 .. 1
extern std::vector<uint8_t> WaterMask;  // 1: sea or lake, 2: river with its banks (set by draw_rivers)
extern std::vector<uint8_t> RiverBed;   // 1 where a river is drawn (set by draw_rivers)

inline constexpr Pt LakeCentre = {1830, 1080};
inline constexpr Pt MountainCentre = {2620, 330};

inline size_t idx(int x, int y) { return (size_t)y * MapWidth + x; }

inline bool inside_map(double x, double y) { return x >= 0 && y >= 0 && x < MapWidth && y < MapHeight; }

// The water mask at a point; outside the map counts as sea (1).
inline uint8_t water_at(double x, double y) {
  if (!inside_map(x, y)) return 1;
  return WaterMask[idx((int)x, (int)y)];
}

// The elevation at a point; 0 outside the map.
inline float elevation_at(double x, double y) {
  if (!inside_map(x, y)) return 0;
  return Elevation[idx((int)x, (int)y)];
}

// The land measure at a point; -1 (sea) outside the map.
inline float land_at(double x, double y) {
  if (!inside_map(x, y)) return -1;
  return LandField[idx((int)x, (int)y)];
}

// Fills the terrain fields for the whole map. Called first; everything else reads them.
void compute_terrain();

// Paints sea, lake and land with hill shading into the pixels of an RGB24 or ARGB32 surface
// of the map's size whose rows are stride_px pixels apart.
void paint_terrain(uint32_t *pix, int stride_px);

// Whether a building may stand on (x, y): the point and the eight around it at `margin`
// pixels are dry, not high in the mountains and not right at the coast.
bool good_building_ground(double x, double y, double margin);
