// Drawing helpers used by more than one kind of picture: ink outlines, rounded cards, and the
// mountain and tree signs of the map, which the program's icon shows as well.

#include "drawing.h"

#include <cmath>

#include "common.h"

void ink(cairo_t *cr, double width) {
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void fill_ink(cairo_t *cr, int r, int g, int b, double width) {
  set_rgb(cr, r, g, b);
  cairo_fill_preserve(cr);
  ink(cr, width);
}

void rounded_rect(cairo_t *cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void shadowed_card(cairo_t *cr, double x, double y, double size, double radius, double dx, double dy, int r,
                   int g, int b, double alpha) {
  cairo_new_path(cr);
  rounded_rect(cr, x + dx, y + dy, size, size, radius);
  set_rgb(cr, r, g, b, alpha);
  cairo_fill(cr);
  cairo_new_path(cr);
  rounded_rect(cr, x, y, size, size, radius);
}

void mountain(cairo_t *cr, double x, double y, double s, double peak_x, bool snow, double outline) {
  cairo_move_to(cr, x - s, y);
  cairo_line_to(cr, peak_x, y - s * 1.1);
  cairo_line_to(cr, x + s, y);
  cairo_close_path(cr);
  set_rgb(cr, 120, 108, 92);
  cairo_fill(cr);
  cairo_move_to(cr, x - s, y);
  cairo_line_to(cr, peak_x, y - s * 1.1);
  cairo_line_to(cr, peak_x + s * 0.15, y - s * 0.5);
  cairo_line_to(cr, peak_x - s * 0.05, y);
  cairo_close_path(cr);
  set_rgb(cr, 196, 184, 160);
  cairo_fill(cr);
  if (snow) {
    cairo_move_to(cr, peak_x - s * 0.36, y - s * 0.72);
    cairo_line_to(cr, peak_x, y - s * 1.1);
    cairo_line_to(cr, peak_x + s * 0.36, y - s * 0.72);
    cairo_line_to(cr, peak_x + s * 0.1, y - s * 0.78);
    cairo_line_to(cr, peak_x - s * 0.08, y - s * 0.66);
    cairo_close_path(cr);
    set_rgb(cr, 246, 246, 240);
    cairo_fill(cr);
  }
  cairo_move_to(cr, x - s, y);
  cairo_line_to(cr, peak_x, y - s * 1.1);
  cairo_line_to(cr, x + s, y);
  set_rgb(cr, 70, 58, 44);
  cairo_set_line_width(cr, outline);
  cairo_stroke(cr);
}

void draw_tree(cairo_t *cr, const Glyph &g) {
  double s = g.size;
  if (g.kind == 1) {
    cairo_move_to(cr, g.x + 1.5 - s * 0.7, g.y + 2);
    cairo_line_to(cr, g.x + 1.5, g.y - s * 1.6 + 2);
    cairo_line_to(cr, g.x + 1.5 + s * 0.7, g.y + 2);
    cairo_close_path(cr);
    set_rgb(cr, 40, 50, 30, 0.28);
    cairo_fill(cr);
    cairo_move_to(cr, g.x - s * 0.7, g.y);
    cairo_line_to(cr, g.x, g.y - s * 1.6);
    cairo_line_to(cr, g.x + s * 0.7, g.y);
    cairo_close_path(cr);
    set_rgb(cr, (int)(46 + 20 * g.tint), (int)(84 + 22 * g.tint), (int)(56 + 10 * g.tint));
    cairo_fill_preserve(cr);
    set_rgb(cr, 28, 46, 30, 0.8);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    return;
  }
  cairo_arc(cr, g.x + 2, g.y + 2, s, 0, 2 * M_PI);
  set_rgb(cr, 40, 50, 30, 0.28);
  cairo_fill(cr);
  cairo_arc(cr, g.x, g.y, s, 0, 2 * M_PI);
  set_rgb(cr, (int)(72 + 30 * g.tint), (int)(108 + 26 * g.tint), (int)(58 + 12 * g.tint));
  cairo_fill_preserve(cr);
  set_rgb(cr, 38, 58, 32, 0.75);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  cairo_arc(cr, g.x - s * 0.3, g.y - s * 0.35, s * 0.45, 0, 2 * M_PI);
  set_rgb(cr, 150, 178, 110, 0.55);
  cairo_fill(cr);
}
