// Points and polylines of the map picture.
#pragma once

#include <cairo.h>

#include <cmath>
#include <vector>

#include "common.h"

struct Pt {
  double x, y;
};

inline double dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// A meandering line from a to b by midpoint displacement, then rounded by Chaikin's corner
// cutting. rough sets how far it strays, depth how often it is subdivided; takes one number
// from r per segment and subdivision. The result is a dense polyline.
std::vector<Pt> meander(Pt a, Pt b, double rough, int depth, Rng &r);

// Points every `step` pixels along a polyline, its last point included.
std::vector<Pt> resample(const std::vector<Pt> &line, double step);

// Replaces the path of cr with the polyline.
void path_polyline(cairo_t *cr, const std::vector<Pt> &line);
