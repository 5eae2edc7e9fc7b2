// The settlements of the map picture: the walled port town Varn and the villages.
#pragma once

#include <cairo.h>

#include <vector>

#include "polyline.h"

struct House {
  double x, y, w, h, angle;
  int kind;  // 0 house, 1 hall, 2 tower
};

struct Settlement {
  Pt centre;
  const char *name;
  int size;  // number of houses
  double radius;
  bool walled;
  std::vector<House> houses;
};

// Filled by plan_settlements; Varn comes first.
extern std::vector<Settlement> Settlements;

// Places Varn near the mouth of the last river, the villages, and the houses of each; needs
// the terrain and the rivers drawn.
void plan_settlements();

// The distance from p to the edge of the nearest settlement; negative inside one.
double distance_to_settlements(Pt p);

// Draws the squares, the houses and Varn's wall with its towers.
void draw_settlements(cairo_t *cr);
