// The rivers of the map picture.
#pragma once

#include <cstdint>
#include <vector>

#include "polyline.h"

struct River {
  std::vector<Pt> line;
  double w0, w1;  // width at the start and at the end
};

// Filled by plan_rivers: the river into the lake first, then its tributary, and last the
// river from the lake to the sea.
extern std::vector<River> Rivers;

// Lays out the rivers; needs the terrain fields.
void plan_rivers();

// Draws the rivers over the land of the painted map (rows stride_px pixels apart), then marks
// them in RiverBed and, with their banks, in WaterMask.
void draw_rivers(uint32_t *pix, int stride_px);
