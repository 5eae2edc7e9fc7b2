// Polylines: meandering lines for rivers and roads, resampling, and cairo paths.

#include "polyline.h"

#include <algorithm>

#include "common.h"

std::vector<Pt> meander(Pt a, Pt b, double rough, int depth, Rng &r) {
  std::vector<Pt> pts = {a, b};
  double amp = rough;
  for (int d = 0; d < depth; d++) {
    std::vector<Pt> next;
    for (size_t i = 0; i + 1 < pts.size(); i++) {
      Pt p = pts[i], q = pts[i + 1];
      double len = dist(p, q);
      double nx = -(q.y - p.y) / (len + 1e-9), ny = (q.x - p.x) / (len + 1e-9);
      double off = (rng_unit(r) - 0.5) * len * amp;
      next.push_back(p);
      next.push_back({(p.x + q.x) / 2 + nx * off, (p.y + q.y) / 2 + ny * off});
    }
    next.push_back(pts.back());
    pts = next;
    amp *= 0.85;
  }
  for (int it = 0; it < 3; it++) {
    std::vector<Pt> next = {pts.front()};
    for (size_t i = 0; i + 1 < pts.size(); i++) {
      Pt p = pts[i], q = pts[i + 1];
      next.push_back({0.75 * p.x + 0.25 * q.x, 0.75 * p.y + 0.25 * q.y});
      next.push_back({0.25 * p.x + 0.75 * q.x, 0.25 * p.y + 0.75 * q.y});
    }
    next.push_back(pts.back());
    pts = next;
  }
  return pts;
}

std::vector<Pt> resample(const std::vector<Pt> &line, double step) {
  std::vector<Pt> out;
  for (size_t i = 0; i + 1 < line.size(); i++) {
    double len = dist(line[i], line[i + 1]);
    int n = std::max(1, (int)(len / step));
    for (int k = 0; k < n; k++) {
      double t = (double)k / n;
      out.push_back({mix(line[i].x, line[i + 1].x, t), mix(line[i].y, line[i + 1].y, t)});
    }
  }
  if (!line.empty()) out.push_back(line.back());
  return out;
}

void path_polyline(cairo_t *cr, const std::vector<Pt> &line) {
  cairo_new_path(cr);
  for (size_t i = 0; i < line.size(); i++) {
    if (i == 0)
      cairo_move_to(cr, line[i].x, line[i].y);
    else
      cairo_line_to(cr, line[i].x, line[i].y);
  }
}
