// The mountain and tree signs of the map picture.
#pragma once

#include <cairo.h>

// Places and draws mountains over the high ground and woods and single trees over the low
// land, from north to south so that the southern ones overlap; keeps clear of the water,
// the settlements, the roads and the fields, so call it after draw_fields.
void draw_glyphs(cairo_t *cr);
