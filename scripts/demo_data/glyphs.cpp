// The mountain and tree signs of the map picture: mountains over the high ground, woods and
// single trees over the low land.

#include "glyphs.h"

#include <algorithm>
#include <vector>

#include "drawing.h"
#include "fields.h"
#include "noise.h"
#include "roads.h"
#include "settlements.h"
#include "terrain.h"

static void draw_mountain(cairo_t *cr, const Glyph &g) {
  double peak = g.x + g.size * (g.tint - 0.5) * 0.3;
  mountain(cr, g.x, g.y, g.size, peak, elevation_at(g.x, g.y) > 0.84, 1.4);
}

void draw_glyphs(cairo_t *cr) {
  std::vector<Glyph> glyphs;
  Rng r = {31337};
  // Mountains on a jittered grid over the high ground.
  const double ms = 58;
  for (double gy = 0; gy < MapHeight; gy += ms * 0.75)
    for (double gx = 0; gx < MapWidth; gx += ms) {
      double x = gx + rng_range(r, -ms * 0.4, ms * 0.4), y = gy + rng_range(r, -ms * 0.3, ms * 0.3);
      double e = elevation_at(x, y);
      if (e < 0.64 || water_at(x, y)) continue;
      if (rng_unit(r) > 0.85 * smoothstep(0.64, 0.8, e)) continue;
      glyphs.push_back({x, y, 16 + 22 * smoothstep(0.64, 0.95, e), 2, rng_unit(r)});
    }
  // Woods where the forest noise is high, thinning out at their edges; single trees elsewhere.
  const double ts = 10;
  for (double gy = 0; gy < MapHeight; gy += ts * 0.8)
    for (double gx = 0; gx < MapWidth; gx += ts) {
      double x = gx + rng_range(r, -4, 4), y = gy + rng_range(r, -3, 3);
      if (!inside_map(x, y) || water_at(x, y)) continue;
      for (int k = 0; k < 9; k++)
        if (water_at(x + 6 * ((k % 3) - 1), y + 6 * ((k / 3) - 1))) goto next;
      {
        double e = elevation_at(x, y);
        if (e > 0.62 || land_at(x, y) < 0.04) continue;
        double f = fbm(x / 260.0, y / 260.0, 5, 4711);
        double wet = Moisture[idx((int)x, (int)y)];
        double dens = smoothstep(0.56, 0.64, f + 0.12 * (wet - 0.5));
        double p = dens > 0 ? 0.15 + 0.85 * dens : 0.0025;
        if (rng_unit(r) > p) continue;
        if (distance_to_settlements({x, y}) < 25) continue;
        if (distance_to_roads({x, y}, 12) < 9) continue;
        if (in_field({x, y}, 4)) continue;
        int kind = (e > 0.45 || rng_unit(r) < 0.12) ? 1 : 0;
        double size = kind ? rng_range(r, 5, 7) : rng_range(r, 4.5, 6.8);
        glyphs.push_back({x, y, size, kind, rng_unit(r)});
      }
    next:;
    }
  std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph &a, const Glyph &b) { return a.y < b.y; });
  for (const Glyph &g : glyphs) {
    if (g.kind == 2)
      draw_mountain(cr, g);
    else
      draw_tree(cr, g);
  }
}
