// The settlements of the map picture: the port town Varn and the villages, their houses,
// squares and the town wall.

#include "settlements.h"

#include <cmath>

#include "rivers.h"
#include "terrain.h"

std::vector<Settlement> Settlements;

void plan_settlements() {
  static const char *names[] = {"Eichenau",  "Birkenfeld", "Mühlbach",  "Hohenstein",
                                "Wolfsgrund", "Lindholm",   "Falkenrast", "Rabenfurt",
                                "Tannweiler", "Kieselbrück", "Grauwacht", "Brandmoor"};
  Rng r = {777};
  // Varn, the port town at the river mouth.
  const River &out = Rivers.back();
  Pt mouth = out.line[out.line.size() * 9 / 10];
  Pt varn = mouth;
  for (int tries = 0; tries < 400; tries++) {
    Pt c = {mouth.x + rng_range(r, -60, 220), mouth.y + rng_range(r, -220, -60)};
    if (good_building_ground(c.x, c.y, 60)) {
      varn = c;
      break;
    }
  }
  Settlements.push_back({varn, "Varn", 70, 120, true, {}});
  int ni = 0;
  for (int tries = 0; tries < 20000 && ni < 12; tries++) {
    Pt c = {rng_range(r, 120, MapWidth - 120), rng_range(r, 120, MapHeight - 120)};
    if (!good_building_ground(c.x, c.y, 55)) continue;
    bool ok = true;
    for (const Settlement &s : Settlements)
      if (dist(s.centre, c) < 430) ok = false;
    if (!ok) continue;
    int size = 10 + (int)(rng_unit(r) * 16);
    Settlements.push_back({c, names[ni++], size, 40.0 + size * 1.6, false, {}});
  }
  // Houses of every settlement.
  for (Settlement &s : Settlements) {
    double base_angle = rng_range(r, 0, M_PI);
    if (s.walled) s.houses.push_back({s.centre.x, s.centre.y, 30, 22, base_angle, 1});
    else if (s.size > 16) s.houses.push_back({s.centre.x, s.centre.y, 16, 16, base_angle, 2});
    int placed = 0;
    for (int tries = 0; tries < s.size * 60 && placed < s.size; tries++) {
      double a = rng_range(r, 0, 2 * M_PI);
      double rad = s.radius * std::sqrt(rng_unit(r)) * (s.walled ? 0.88 : 1.0);
      House h;
      h.x = s.centre.x + std::cos(a) * rad;
      h.y = s.centre.y + std::sin(a) * rad * 0.8;
      h.w = rng_range(r, 11, 18);
      h.h = rng_range(r, 8, 11);
      // Houses turn their gables to the street that runs round the centre.
      h.angle = (rng_unit(r) < 0.6) ? a + M_PI / 2 : base_angle + (rng_unit(r) < 0.5 ? 0 : M_PI / 2);
      h.kind = 0;
      if (!good_building_ground(h.x, h.y, 8)) continue;
      bool free = true;
      for (const House &o : s.houses)
        if (dist({o.x, o.y}, {h.x, h.y}) < (o.kind ? 24 : 15)) free = false;
      if (!free) continue;
      s.houses.push_back(h);
      placed++;
    }
  }
}

double distance_to_settlements(Pt p) {
  double best = 1e9;
  for (const Settlement &s : Settlements) best = std::min(best, dist(p, s.centre) - s.radius);
  return best;
}

static void draw_house(cairo_t *cr, const House &h) {
  cairo_save(cr);
  cairo_translate(cr, h.x, h.y);
  cairo_rotate(cr, h.angle);
  double w = h.w, d = h.h;
  // Shadow.
  cairo_rectangle(cr, -w / 2 + 2, -d / 2 + 2, w, d);
  set_rgb(cr, 40, 30, 20, 0.35);
  cairo_fill(cr);
  if (h.kind == 2) {
    // A round tower.
    cairo_arc(cr, 0, 0, w / 2, 0, 2 * M_PI);
    set_rgb(cr, 150, 144, 134);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 50, 40);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_arc(cr, 0, 0, w / 4, 0, 2 * M_PI);
    set_rgb(cr, 110, 60, 48);
    cairo_fill(cr);
    cairo_restore(cr);
    return;
  }
  // Roof in two halves, the north-western one lit.
  int rr = h.kind == 1 ? 120 : 170, rg = h.kind == 1 ? 110 : 82, rb = h.kind == 1 ? 120 : 58;
  cairo_rectangle(cr, -w / 2, -d / 2, w, d / 2);
  set_rgb(cr, rr, rg, rb);
  cairo_fill(cr);
  cairo_rectangle(cr, -w / 2, 0, w, d / 2);
  set_rgb(cr, rr * 3 / 4, rg * 3 / 4, rb * 3 / 4);
  cairo_fill(cr);
  cairo_rectangle(cr, -w / 2, -d / 2, w, d);
  set_rgb(cr, 60, 38, 28);
  cairo_set_line_width(cr, 0.9);
  cairo_stroke(cr);
  cairo_move_to(cr, -w / 2, 0);
  cairo_line_to(cr, w / 2, 0);
  set_rgb(cr, 70, 40, 30, 0.8);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void draw_settlements(cairo_t *cr) {
  for (const Settlement &s : Settlements) {
    // A trodden square in the middle.
    cairo_save(cr);
    cairo_translate(cr, s.centre.x, s.centre.y);
    cairo_scale(cr, 1.0, 0.8);
    cairo_arc(cr, 0, 0, s.radius + 6, 0, 2 * M_PI);
    cairo_restore(cr);
    set_rgb(cr, 200, 180, 140, 0.35);
    cairo_fill(cr);
  }
  for (const Settlement &s : Settlements)
    for (const House &h : s.houses) draw_house(cr, h);
  for (const Settlement &s : Settlements) {
    if (!s.walled) continue;
    cairo_save(cr);
    cairo_translate(cr, s.centre.x, s.centre.y);
    cairo_scale(cr, 1.0, 0.8);
    cairo_arc(cr, 0, 0, s.radius + 14, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_line_width(cr, 6);
    set_rgb(cr, 70, 62, 54);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 3.5);
    set_rgb(cr, 160, 152, 140);
    cairo_stroke(cr);
    for (int k = 0; k < 10; k++) {
      double a = k * 2 * M_PI / 10 + 0.2;
      double x = s.centre.x + std::cos(a) * (s.radius + 14);
      double y = s.centre.y + std::sin(a) * (s.radius + 14) * 0.8;
      cairo_arc(cr, x, y, 6, 0, 2 * M_PI);
      set_rgb(cr, 150, 142, 130);
      cairo_fill_preserve(cr);
      set_rgb(cr, 60, 52, 44);
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
    }
  }
}
