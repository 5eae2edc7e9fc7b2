// Drawing helpers used by more than one kind of picture. All of them draw with the current
// transformation of cr, so a caller scales its canvas first.
#pragma once

#include <cairo.h>

// The dark brown of all outlines.
inline constexpr int Ink[3] = {40, 30, 24};

// Strokes the current path in ink with the given width and clears it.
void ink(cairo_t *cr, double width);

// Fills the current path with the colour (channels 0 .. 255), then outlines it in ink.
void fill_ink(cairo_t *cr, int r, int g, int b, double width = 1.2);

// Adds a closed rectangle with rounded corners of radius r as a new sub-path.
void rounded_rect(cairo_t *cr, double x, double y, double w, double h, double r);

// A square card with rounded corners over its shadow, which lies (dx, dy)
// further in the shadow's colour; the card's outline is left as the path.
void shadowed_card(cairo_t *cr, double x, double y, double size, double radius, double dx, double dy, int r, int g,
                   int b, double alpha);

// A mountain of half-width s standing on (x, y) with its peak above peak_x: shadow side,
// lit side, a snow cap when asked, and the outline of the given width.
void mountain(cairo_t *cr, double x, double y, double s, double peak_x, bool snow, double outline);

// A sign of the map: a tree or a mountain standing on (x, y).
struct Glyph {
  double x, y, size;
  int kind;  // 0 deciduous tree, 1 conifer, 2 mountain
  double tint;
};

// Draws a tree sign (kind 0 or 1) with its shadow; size is its crown's radius, tint in
// 0 .. 1 shifts its green.
void draw_tree(cairo_t *cr, const Glyph &g);
