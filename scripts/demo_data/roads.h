// The roads of the map picture.
#pragma once

#include <cairo.h>

#include "polyline.h"

// Links the settlements by roads that avoid the sea, the lake and the high mountains, and
// leads one road off the map to the east and one to the north; needs the settlements
// planned and the rivers drawn.
void plan_roads();

// Draws the roads with their bridges over the rivers.
void draw_roads(cairo_t *cr);

// The distance from p to the nearest road, or `limit` when none is nearer.
double distance_to_roads(Pt p, double limit);
