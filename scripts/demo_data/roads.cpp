// The roads of the map picture: between the settlements, out of the map, and their bridges.

#include "roads.h"

#include <algorithm>
#include <cmath>

#include "settlements.h"
#include "terrain.h"

static std::vector<std::vector<Pt>> Roads;

static bool in_river_bed(double x, double y) {
  return inside_map(x, y) && RiverBed[idx((int)x, (int)y)];
}

// A road keeps out of the sea, the lake and the high mountains, and crosses rivers on
// short bridges instead of running along them.
static bool road_ok(const std::vector<Pt> &line) {
  int run = 0;
  for (const Pt &p : resample(line, 4.0)) {
    if (water_at(p.x, p.y) == 1) return false;
    if (elevation_at(p.x, p.y) > 0.66) return false;
    run = in_river_bed(p.x, p.y) ? run + 1 : 0;
    if (run > 8) return false;
  }
  return true;
}

void plan_roads() {
  Rng r = {4242};
  size_t n = Settlements.size();
  // Minimum spanning tree over the settlements (Prim), then a few extra links.
  std::vector<std::pair<size_t, size_t>> edges;
  std::vector<bool> in(n, false);
  in[0] = true;
  for (size_t k = 1; k < n; k++) {
    double best = 1e18;
    size_t bi = 0, bj = 0;
    for (size_t i = 0; i < n; i++)
      if (in[i])
        for (size_t j = 0; j < n; j++)
          if (!in[j]) {
            double d = dist(Settlements[i].centre, Settlements[j].centre);
            if (d < best) best = d, bi = i, bj = j;
          }
    in[bj] = true;
    edges.push_back({bi, bj});
  }
  std::vector<std::pair<double, std::pair<size_t, size_t>>> extra;
  for (size_t i = 0; i < n; i++)
    for (size_t j = i + 1; j < n; j++) {
      bool have = false;
      for (auto &e : edges)
        if ((e.first == i && e.second == j) || (e.first == j && e.second == i)) have = true;
      if (!have) extra.push_back({dist(Settlements[i].centre, Settlements[j].centre), {i, j}});
    }
  std::sort(extra.begin(), extra.end());
  for (size_t k = 0; k < extra.size() && k < 4; k++) edges.push_back(extra[k].second);

  for (auto &e : edges) {
    Pt a = Settlements[e.first].centre, b = Settlements[e.second].centre;
    for (int attempt = 0; attempt < 12; attempt++) {
      std::vector<Pt> line = meander(a, b, 0.35 + 0.05 * attempt, 5, r);
      if (road_ok(line)) {
        Roads.push_back(line);
        break;
      }
    }
  }
  // A road leaving the map to the east and one to the north.
  std::vector<Pt> exits = {{MapWidth + 20.0, 1500}, {1300, -20.0}};
  for (const Pt &x : exits) {
    size_t best = 0;
    for (size_t i = 0; i < n; i++)
      if (dist(Settlements[i].centre, x) < dist(Settlements[best].centre, x)) best = i;
    for (int attempt = 0; attempt < 12; attempt++) {
      std::vector<Pt> line = meander(Settlements[best].centre, x, 0.35, 5, r);
      if (road_ok(line)) {
        Roads.push_back(line);
        break;
      }
    }
  }
}

void draw_roads(cairo_t *cr) {
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  // Bridges where a road crosses a river.
  for (const auto &line : Roads) {
    std::vector<Pt> pts = resample(line, 3.0);
    for (size_t i = 1; i + 1 < pts.size(); i++) {
      if (!in_river_bed(pts[i].x, pts[i].y)) continue;
      Pt p = pts[i - 1], q = pts[i + 1];
      set_rgb(cr, 90, 80, 70);
      cairo_set_line_width(cr, 12);
      cairo_move_to(cr, p.x, p.y);
      cairo_line_to(cr, q.x, q.y);
      cairo_stroke(cr);
    }
  }
  for (const auto &line : Roads) {
    path_polyline(cr, line);
    set_rgb(cr, 110, 82, 52, 0.85);
    cairo_set_line_width(cr, 7);
    cairo_stroke(cr);
  }
  for (const auto &line : Roads) {
    path_polyline(cr, line);
    set_rgb(cr, 224, 204, 156);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
  }
}

double distance_to_roads(Pt p, double limit) {
  double best = limit;
  for (const auto &line : Roads)
    for (size_t i = 0; i + 1 < line.size(); i++) {
      Pt a = line[i], b = line[i + 1];
      if (std::fabs(a.x - p.x) > limit + 40 || std::fabs(a.y - p.y) > limit + 40) continue;
      double vx = b.x - a.x, vy = b.y - a.y;
      double t = ((p.x - a.x) * vx + (p.y - a.y) * vy) / (vx * vx + vy * vy + 1e-9);
      t = clamp01(t);
      best = std::min(best, dist(p, {a.x + vx * t, a.y + vy * t}));
    }
  return best;
}
