// Pieces of a map frame shared by the frame drawing and its step-by-step
// reference: the zoom used for drawing, the marker's frame parameters and the
// nearest-neighbour sampling of the scaled map.
#pragma once

#include <cstdint>
#include <vector>

#include "app/mapview/model.h"
#include "app/state/lists.h"
#include "runtime/media/drawing.h"

// The map canvas's drawing target, or MapTargetOverride when set. The
// canvas's target has the scale of its screen (2 on a high-density screen):
// frames are drawn in screen pixels, at zoom times the scale.
DrawTarget* map_target();
// The zoom of a frame in target pixels: view_zoom() times the target's scale
// (so 200 at zoom 100 on a screen of scale 2).
int64_t frame_zoom(const DrawTarget* target);

// One frame of the marker.
struct MarkerFrame {
  bool drawn = false;     // the marker is part of this frame
  int32_t t = 0;          // ms since the double-click (32-bit)
  int32_t k = 0, r = 0;   // picture offset 0..24, ring radius 0..49
  bool position_b = false;
  int64_t picture_x = 0, picture_y = 0, picture_width = 0, picture_height = 0;
};
// The marker's parameters for the clock value now; clears MapMarker.active
// once more than 3000 ms have passed (that frame still shows it).
MarkerFrame marker_frame(int64_t now);
// Draws the marker (picture in the alpha-blend mode, then the five red rings
// outlined) into the current drawing, in map pixels.
void draw_marker(const MarkerFrame& frame);
// Only the rings (outlined mode).
void draw_marker_rings(const MarkerFrame& frame);

// gdk-pixbuf's nearest-neighbour rule: a 16.16 fixed-point step of
// 65536 / (dest / source), truncated, and the sample of dest pixel j taken at
// (j * step + step / 2) >> 16, clamped to the last source pixel.
inline int64_t nearest_step(int64_t source, int64_t dest) {
  double scale = static_cast<double>(dest) / static_cast<double>(source);
  return static_cast<int64_t>(static_cast<int>(65536 / scale));
}
inline int32_t nearest_index(int64_t j, int64_t step, int64_t source) {
  int64_t p = (j * step + step / 2) >> 16;
  if (p < 0) p = 0;
  if (p > source - 1) p = source - 1;
  return static_cast<int32_t>(p);
}
// The source index (0..source-1) that gdk-pixbuf's nearest-neighbour scaling
// takes for each of the dest pixels when scaling source to dest pixels.
std::vector<int32_t> nearest_source_map(int64_t source, int64_t dest);

// The image numbers of a catalog's pictures in list order; the catalog's
// current element is kept.
std::vector<int> catalog_pictures(List<CatalogEntry>* catalog);

// The hover label's black box in window coordinates, for a text of the given
// size: 2 pixels of margin around it, moved left and up to end at the
// window's client width and at its client height less the menu bar; no
// clamping at the left and top.
struct LabelBox {
  int64_t x = 0, y = 0, width = 0, height = 0;
};
LabelBox hover_label_box(int64_t text_width, int64_t text_height);
// The box in target pixels of a target of the scale.
LabelBox scaled_box(const LabelBox& box, int64_t scale);
// Fills the box (target pixels) black and draws HoverLabel's text in it in
// white, 2 layout pixels in, on a target of the scale; the current drawing
// must be the map canvas.
void draw_hover_label(const LabelBox& box, int64_t scale = 1);
