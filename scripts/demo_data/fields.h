// The fields around the settlements of the map picture.
#pragma once

#include <cairo.h>

#include "polyline.h"

// Lays out and draws the fields around every settlement, away from the roads; needs the
// settlements and the roads planned.
void draw_fields(cairo_t *cr);

// Whether p lies in a field drawn by draw_fields or within `margin` pixels of one.
bool in_field(Pt p, double margin);
