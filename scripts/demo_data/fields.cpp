// The fields around the settlements of the map picture.

#include "fields.h"

#include <algorithm>
#include <cmath>

#include "roads.h"
#include "settlements.h"
#include "terrain.h"

struct Field {
  Pt centre;
  double w, h, angle;
};

static std::vector<Field> Fields;

bool in_field(Pt p, double margin) {
  for (const Field &f : Fields) {
    double dx = p.x - f.centre.x, dy = p.y - f.centre.y;
    if (std::fabs(dx) > 80 || std::fabs(dy) > 80) continue;
    double u = dx * std::cos(f.angle) + dy * std::sin(f.angle);
    double v = -dx * std::sin(f.angle) + dy * std::cos(f.angle);
    if (std::fabs(u) < f.w / 2 + margin && std::fabs(v) < f.h / 2 + margin) return true;
  }
  return false;
}

void draw_fields(cairo_t *cr) {
  Rng r = {99};
  const Colour crops[] = {{214, 194, 116}, {178, 184, 98}, {190, 150, 96}, {200, 205, 120}};
  for (const Settlement &s : Settlements) {
    int count = 3 + (int)(rng_unit(r) * 4);
    for (int k = 0, tries = 0; k < count && tries < 200; tries++) {
      double a = rng_range(r, 0, 2 * M_PI);
      double rad = s.radius + rng_range(r, 25, 95);
      Pt c = {s.centre.x + std::cos(a) * rad, s.centre.y + std::sin(a) * rad};
      double w = rng_range(r, 50, 95), h = rng_range(r, 35, 70);
      if (!good_building_ground(c.x, c.y, std::max(w, h) * 0.6)) continue;
      if (distance_to_roads(c, 80) < std::max(w, h) * 0.6 + 6) continue;
      bool apart = true;
      for (const Field &f : Fields)
        if (dist(f.centre, c) < 0.55 * (std::max(f.w, f.h) + std::max(w, h))) apart = false;
      if (!apart) continue;
      k++;
      Colour col = crops[rng_next(r) % 4];
      double angle = a + rng_range(r, -0.3, 0.3);
      Fields.push_back({c, w, h, angle});
      cairo_save(cr);
      cairo_translate(cr, c.x, c.y);
      cairo_rotate(cr, angle);
      cairo_rectangle(cr, -w / 2, -h / 2, w, h);
      cairo_set_source_rgba(cr, col.r / 255, col.g / 255, col.b / 255, 0.6);
      cairo_fill_preserve(cr);
      set_rgb(cr, 120, 100, 60, 0.35);
      cairo_set_line_width(cr, 1.2);
      cairo_stroke(cr);
      // Furrows.
      cairo_rectangle(cr, -w / 2, -h / 2, w, h);
      cairo_clip(cr);
      set_rgb(cr, 110, 90, 50, 0.18);
      cairo_set_line_width(cr, 1.0);
      for (double fx = -w / 2 + 3; fx < w / 2; fx += 4) {
        cairo_move_to(cr, fx, -h / 2);
        cairo_line_to(cr, fx, h / 2);
      }
      cairo_stroke(cr);
      cairo_restore(cr);
    }
  }
}
