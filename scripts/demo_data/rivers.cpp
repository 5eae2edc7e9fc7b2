// The rivers of the map picture: from the mountains into the lake, a tributary, and from the
// lake to the sea.

#include "rivers.h"

#include <algorithm>

#include "terrain.h"

std::vector<River> Rivers;

// Walks from p in direction (dx, dy) until the sea is reached; gives the first water point.
static Pt find_sea(Pt p, double dx, double dy) {
  for (int i = 0; i < 4000; i++) {
    Pt q = {p.x + dx * i, p.y + dy * i};
    if (!inside_map(q.x, q.y)) return q;
    if (water_at(q.x, q.y) == 1 && land_at(q.x, q.y) < -0.02 && dist(q, LakeCentre) > 400) return q;
  }
  return p;
}

void plan_rivers() {
  Rng r = {2024};
  // From the mountains down into the lake.
  Pt spring = {2480, 560};
  // The rivers begin and end inside the lake or the sea; the parts over open water are
  // not drawn (draw_rivers), so they meet the shore cleanly.
  Pt inflow = {LakeCentre.x + 110, LakeCentre.y - 50};
  Rivers.push_back({meander(spring, inflow, 0.5, 6, r), 3.0, 9.0});
  // A tributary from the east that joins the first river.
  Pt spring2 = {2950, 1000};
  const std::vector<Pt> &first = Rivers.front().line;
  Pt join = first[first.size() * 4 / 5];
  Rivers.push_back({meander(spring2, join, 0.45, 6, r), 2.5, 7.0});
  // From the lake to the sea in the west.
  Pt outflow = {LakeCentre.x - 150, LakeCentre.y + 30};
  Pt mouth = find_sea({outflow.x - 50, outflow.y + 200}, -0.94, 0.34);
  mouth.x -= 50;
  mouth.y += 18;
  Rivers.push_back({meander(outflow, mouth, 0.4, 6, r), 9.0, 16.0});
}

static void stroke_river(cairo_t *cr, const River &rv, double extra) {
  std::vector<Pt> pts = resample(rv.line, 6.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (size_t i = 0; i + 1 < pts.size(); i++) {
    double t = (double)i / (pts.size() - 1);
    cairo_set_line_width(cr, mix(rv.w0, rv.w1, t) + extra);
    cairo_move_to(cr, pts[i].x, pts[i].y);
    cairo_line_to(cr, pts[i + 1].x, pts[i + 1].y);
    cairo_stroke(cr);
  }
}

// Draws the rivers on a layer of their own and lays it over the land only.
void draw_rivers(uint32_t *pix, int stride_px) {
  RiverBed.assign((size_t)MapWidth * MapHeight, 0);
  cairo_surface_t *layer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, MapWidth, MapHeight);
  cairo_t *cr = cairo_create(layer);
  set_rgb(cr, 80, 104, 118);
  for (const River &rv : Rivers) stroke_river(cr, rv, 3.0);
  set_rgb(cr, 130, 172, 190);
  for (const River &rv : Rivers) stroke_river(cr, rv, 0.0);
  cairo_destroy(cr);
  cairo_surface_flush(layer);
  {
    const unsigned char *data = cairo_image_surface_get_data(layer);
    int stride = cairo_image_surface_get_stride(layer);
    for (int y = 0; y < MapHeight; y++)
      for (int x = 0; x < MapWidth; x++) {
        uint32_t src = ((const uint32_t *)(data + (size_t)y * stride))[x];
        uint32_t a = src >> 24;
        if (a == 0 || WaterMask[idx(x, y)] == 1) continue;
        if (a > 128) RiverBed[idx(x, y)] = 1;
        uint32_t &dst = pix[(size_t)y * stride_px + x];
        uint32_t out = 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) {
          uint32_t c = ((src >> sh) & 255) + (((dst >> sh) & 255) * (255 - a) + 127) / 255;
          out |= std::min(c, 255u) << sh;
        }
        dst = out;
      }
  }
  cairo_surface_destroy(layer);
  // Mark the rivers in the water mask (with a margin) for the placement of everything else.
  cairo_surface_t *mask = cairo_image_surface_create(CAIRO_FORMAT_A8, MapWidth, MapHeight);
  cairo_t *mc = cairo_create(mask);
  cairo_set_source_rgba(mc, 0, 0, 0, 1);
  for (const River &rv : Rivers) stroke_river(mc, rv, 10.0);
  cairo_destroy(mc);
  cairo_surface_flush(mask);
  const unsigned char *data = cairo_image_surface_get_data(mask);
  int stride = cairo_image_surface_get_stride(mask);
  for (int y = 0; y < MapHeight; y++)
    for (int x = 0; x < MapWidth; x++)
      if (data[(size_t)y * stride + x] > 40 && WaterMask[idx(x, y)] == 0) WaterMask[idx(x, y)] = 2;
  cairo_surface_destroy(mask);
}
