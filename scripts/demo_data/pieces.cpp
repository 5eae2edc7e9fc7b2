// The pictures of the pieces: graves and transports in both orientations, the double-click
// marker and the random cell of the piece picker.

#include "pieces.h"

#include <cmath>
#include <string>

#include "common.h"
#include "drawing.h"

// ---- graves and transports (drawn in a 40 x 40 box, side view)

static void wheel(cairo_t *cr, double cx, double cy, double r) {
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_set_line_width(cr, 2.6);
  cairo_stroke_preserve(cr);
  set_rgb(cr, 150, 100, 50);
  cairo_set_line_width(cr, 1.3);
  cairo_stroke(cr);
  for (int k = 0; k < 4; k++) {
    double a = k * M_PI / 4;
    cairo_move_to(cr, cx - std::cos(a) * r, cy - std::sin(a) * r);
    cairo_line_to(cr, cx + std::cos(a) * r, cy + std::sin(a) * r);
  }
  set_rgb(cr, 90, 60, 30);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, 1.4, 0, 2 * M_PI);
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_fill(cr);
}

static void ground_shadow(cairo_t *cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  set_rgb(cr, 0, 0, 0, 0.28);
  cairo_fill(cr);
}

static void grave_stone(cairo_t *cr) {
  ground_shadow(cr, 21, 35, 14, 3.5);
  // Grass tuft at the foot.
  cairo_new_path(cr);
  cairo_move_to(cr, 7, 36);
  cairo_curve_to(cr, 12, 31, 28, 31, 33, 36);
  cairo_close_path(cr);
  fill_ink(cr, 90, 140, 60, 1.0);
  cairo_new_path(cr);
  cairo_move_to(cr, 10, 34);
  cairo_line_to(cr, 10, 14);
  cairo_arc(cr, 20, 14, 10, M_PI, 2 * M_PI);
  cairo_line_to(cr, 30, 34);
  cairo_close_path(cr);
  cairo_pattern_t *g = cairo_pattern_create_linear(10, 0, 30, 0);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.78, 0.78, 0.80);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.52, 0.52, 0.56);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  ink(cr, 1.5);
  // Engraving: a cross and two lines of text.
  set_rgb(cr, 60, 60, 66);
  cairo_rectangle(cr, 19, 8, 2, 9);
  cairo_rectangle(cr, 16.5, 10.5, 7, 2);
  cairo_fill(cr);
  cairo_rectangle(cr, 14, 21, 12, 1.5);
  cairo_rectangle(cr, 15, 25, 10, 1.5);
  cairo_fill(cr);
}

static void grave_cross(cairo_t *cr) {
  ground_shadow(cr, 21, 35, 13, 3.5);
  // Earth mound.
  cairo_new_path(cr);
  cairo_move_to(cr, 5, 37);
  cairo_curve_to(cr, 10, 28, 30, 28, 35, 37);
  cairo_close_path(cr);
  fill_ink(cr, 130, 95, 60, 1.2);
  cairo_new_path(cr);
  cairo_move_to(cr, 18, 32);
  cairo_line_to(cr, 18, 15);
  cairo_line_to(cr, 10, 15);
  cairo_line_to(cr, 10, 11);
  cairo_line_to(cr, 18, 11);
  cairo_line_to(cr, 18, 3);
  cairo_line_to(cr, 22, 3);
  cairo_line_to(cr, 22, 11);
  cairo_line_to(cr, 30, 11);
  cairo_line_to(cr, 30, 15);
  cairo_line_to(cr, 22, 15);
  cairo_line_to(cr, 22, 32);
  cairo_close_path(cr);
  fill_ink(cr, 150, 100, 55, 1.4);
  // Wood grain and a little wreath.
  cairo_move_to(cr, 20, 5);
  cairo_line_to(cr, 20, 30);
  set_rgb(cr, 110, 70, 35, 0.7);
  cairo_set_line_width(cr, 0.7);
  cairo_stroke(cr);
  cairo_arc(cr, 20, 13, 3.2, 0, 2 * M_PI);
  set_rgb(cr, 60, 130, 50);
  cairo_set_line_width(cr, 1.8);
  cairo_stroke(cr);
}

static void grave_tomb(cairo_t *cr) {
  ground_shadow(cr, 21, 35, 17, 3.5);
  // Base.
  cairo_rectangle(cr, 3, 27, 34, 8);
  fill_ink(cr, 120, 118, 112, 1.4);
  // Sarcophagus body and lid.
  cairo_rectangle(cr, 6, 15, 28, 12);
  fill_ink(cr, 170, 166, 156, 1.4);
  cairo_new_path(cr);
  cairo_move_to(cr, 4, 15);
  cairo_line_to(cr, 9, 8);
  cairo_line_to(cr, 31, 8);
  cairo_line_to(cr, 36, 15);
  cairo_close_path(cr);
  fill_ink(cr, 200, 196, 186, 1.4);
  // Cross on the front.
  set_rgb(cr, 90, 86, 80);
  cairo_rectangle(cr, 19, 17, 2, 8);
  cairo_rectangle(cr, 16.5, 19, 7, 2);
  cairo_fill(cr);
  cairo_rectangle(cr, 8, 18, 5, 6);
  cairo_rectangle(cr, 27, 18, 5, 6);
  set_rgb(cr, 90, 86, 80, 0.5);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

static void transport_wagon(cairo_t *cr) {
  ground_shadow(cr, 20, 35, 18, 3);
  // Shaft.
  cairo_move_to(cr, 4, 26);
  cairo_line_to(cr, 0.5, 30);
  set_rgb(cr, 110, 70, 35);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // Canvas cover.
  cairo_new_path(cr);
  cairo_move_to(cr, 6, 20);
  cairo_curve_to(cr, 4, 5, 10, 4, 14, 6);
  cairo_curve_to(cr, 18, 4, 22, 4, 26, 6);
  cairo_curve_to(cr, 30, 4, 37, 5, 34, 20);
  cairo_close_path(cr);
  fill_ink(cr, 244, 236, 214, 1.4);
  cairo_move_to(cr, 14, 6.5);
  cairo_line_to(cr, 13, 20);
  cairo_move_to(cr, 26, 6.5);
  cairo_line_to(cr, 27, 20);
  set_rgb(cr, 160, 140, 110);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // Wooden box.
  cairo_rectangle(cr, 4, 19, 32, 8);
  fill_ink(cr, 150, 95, 45, 1.4);
  cairo_move_to(cr, 4, 23);
  cairo_line_to(cr, 36, 23);
  set_rgb(cr, 110, 70, 35);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  wheel(cr, 10, 30, 5.5);
  wheel(cr, 30, 30, 5.5);
}

static void transport_horse(cairo_t *cr) {
  ground_shadow(cr, 20, 36, 16, 2.5);
  const int hr = 140, hg = 90, hb = 50;
  // Legs.
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  double legs[4] = {11, 14, 26, 29};
  for (double lx : legs) {
    cairo_rectangle(cr, lx - 1.6, 20, 3.2, 15);
    fill_ink(cr, hr - 20, hg - 15, hb - 10, 1.0);
    cairo_rectangle(cr, lx - 1.6, 32.5, 3.2, 2.5);
    set_rgb(cr, 40, 30, 24);
    cairo_fill(cr);
  }
  // Tail.
  cairo_new_path(cr);
  cairo_move_to(cr, 8, 16);
  cairo_curve_to(cr, 2, 17, 2, 26, 4, 30);
  cairo_curve_to(cr, 5, 25, 6, 21, 9, 19);
  cairo_close_path(cr);
  fill_ink(cr, 60, 40, 25, 1.0);
  // Body.
  cairo_save(cr);
  cairo_translate(cr, 19, 19);
  cairo_scale(cr, 12, 6.5);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  fill_ink(cr, hr, hg, hb, 1.3);
  // Neck and head.
  cairo_new_path(cr);
  cairo_move_to(cr, 25, 16);
  cairo_line_to(cr, 28, 6);
  cairo_line_to(cr, 31, 4);
  cairo_line_to(cr, 38, 9);
  cairo_line_to(cr, 37, 12);
  cairo_line_to(cr, 32, 11);
  cairo_line_to(cr, 31, 19);
  cairo_close_path(cr);
  fill_ink(cr, hr, hg, hb, 1.3);
  // Ear, eye, mane.
  cairo_new_path(cr);
  cairo_move_to(cr, 29.5, 5);
  cairo_line_to(cr, 29.5, 1.5);
  cairo_line_to(cr, 31.5, 4);
  cairo_close_path(cr);
  fill_ink(cr, hr, hg, hb, 0.8);
  cairo_arc(cr, 32.5, 7, 0.9, 0, 2 * M_PI);
  set_rgb(cr, 20, 16, 12);
  cairo_fill(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, 28.5, 5);
  cairo_curve_to(cr, 26, 8, 25, 11, 23.5, 15);
  set_rgb(cr, 60, 40, 25);
  cairo_set_line_width(cr, 2.2);
  cairo_stroke(cr);
  // Saddle with a blanket.
  cairo_rectangle(cr, 14, 12.5, 9, 7);
  fill_ink(cr, 170, 40, 40, 1.0);
  cairo_new_path(cr);
  cairo_move_to(cr, 13.5, 13);
  cairo_curve_to(cr, 16, 10, 21, 10, 23.5, 13);
  fill_ink(cr, 90, 55, 30, 1.0);
}

static void transport_boat(cairo_t *cr) {
  // Water.
  cairo_new_path(cr);
  for (int k = 0; k < 3; k++) {
    cairo_move_to(cr, 2 + k * 12, 36);
    cairo_curve_to(cr, 5 + k * 12, 34, 8 + k * 12, 34, 11 + k * 12, 36);
  }
  set_rgb(cr, 60, 110, 170);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);
  // Mast and sail.
  cairo_rectangle(cr, 19, 3, 2, 25);
  fill_ink(cr, 120, 80, 40, 0.8);
  cairo_new_path(cr);
  cairo_move_to(cr, 22, 4);
  cairo_curve_to(cr, 30, 10, 33, 18, 33, 24);
  cairo_line_to(cr, 22, 24);
  cairo_close_path(cr);
  fill_ink(cr, 246, 240, 226, 1.2);
  cairo_new_path(cr);
  cairo_move_to(cr, 18, 6);
  cairo_line_to(cr, 9, 24);
  cairo_line_to(cr, 18, 24);
  cairo_close_path(cr);
  fill_ink(cr, 200, 50, 40, 1.2);
  // Pennant.
  cairo_new_path(cr);
  cairo_move_to(cr, 21, 3);
  cairo_line_to(cr, 27, 1.5);
  cairo_line_to(cr, 21, 0.5);
  cairo_close_path(cr);
  set_rgb(cr, 240, 200, 50);
  cairo_fill(cr);
  // Hull.
  cairo_new_path(cr);
  cairo_move_to(cr, 2, 25);
  cairo_line_to(cr, 38, 25);
  cairo_curve_to(cr, 35, 31, 32, 33, 28, 33);
  cairo_line_to(cr, 11, 33);
  cairo_curve_to(cr, 7, 33, 4, 30, 2, 25);
  cairo_close_path(cr);
  fill_ink(cr, 140, 85, 40, 1.4);
  cairo_move_to(cr, 4, 28.5);
  cairo_line_to(cr, 36, 28.5);
  set_rgb(cr, 100, 60, 28);
  cairo_set_line_width(cr, 0.9);
  cairo_stroke(cr);
}

static void transport_cart(cairo_t *cr) {
  ground_shadow(cr, 18, 35, 15, 3);
  // Handles.
  cairo_move_to(cr, 28, 22);
  cairo_line_to(cr, 39, 27);
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_set_line_width(cr, 3.2);
  cairo_stroke(cr);
  cairo_move_to(cr, 28, 22);
  cairo_line_to(cr, 39, 27);
  set_rgb(cr, 150, 100, 50);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);
  // Load: two sacks and a barrel.
  cairo_new_path(cr);
  cairo_move_to(cr, 6, 17);
  cairo_curve_to(cr, 5, 9, 9, 6, 12, 6);
  cairo_curve_to(cr, 15, 6, 18, 10, 17, 17);
  cairo_close_path(cr);
  fill_ink(cr, 220, 200, 150, 1.1);
  cairo_new_path(cr);
  rounded_rect(cr, 17, 8, 9, 10, 2);
  fill_ink(cr, 160, 110, 60, 1.1);
  cairo_move_to(cr, 17, 11);
  cairo_line_to(cr, 26, 11);
  cairo_move_to(cr, 17, 15);
  cairo_line_to(cr, 26, 15);
  set_rgb(cr, 70, 70, 74);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // Box.
  cairo_new_path(cr);
  cairo_move_to(cr, 2, 16);
  cairo_line_to(cr, 30, 16);
  cairo_line_to(cr, 28, 25);
  cairo_line_to(cr, 4, 25);
  cairo_close_path(cr);
  fill_ink(cr, 170, 120, 60, 1.4);
  cairo_move_to(cr, 10, 16);
  cairo_line_to(cr, 10.5, 25);
  cairo_move_to(cr, 20, 16);
  cairo_line_to(cr, 19.5, 25);
  set_rgb(cr, 120, 80, 40);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  wheel(cr, 16, 29, 7);
}

struct TileDef {
  const char *id;
  void (*draw)(cairo_t *);
};

// The ids name the pictures; graves.xml and transports.xml use the same.
static const TileDef GraveTiles[] = {{"stone", grave_stone}, {"cross", grave_cross}, {"tomb", grave_tomb}};
static const TileDef TransportTiles[] = {
    {"wagon", transport_wagon}, {"horse", transport_horse}, {"boat", transport_boat}, {"cart", transport_cart}};

// Orientation 0 is drawn upright in a tile_x by tile_y box; orientation 1 is the same picture
// turned a quarter clockwise, in a tile_y by tile_x box.
static bool make_tile(const TileDef &d, int orientation) {
  int w = orientation ? TileY : TileX, h = orientation ? TileX : TileY;
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t *cr = cairo_create(s);
  if (orientation) {
    cairo_translate(cr, w, 0);
    cairo_rotate(cr, M_PI / 2);
  }
  cairo_scale(cr, TileX / 40.0, TileY / 40.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  d.draw(cr);
  cairo_destroy(cr);
  bool ok = write_png(s, std::string("pics/") + d.id + std::to_string(orientation) + ".png");
  cairo_surface_destroy(s);
  return ok;
}

bool make_grave_pictures() {
  bool ok = true;
  for (const TileDef &d : GraveTiles) ok = make_tile(d, 0) && make_tile(d, 1) && ok;
  return ok;
}

bool make_transport_pictures() {
  bool ok = true;
  for (const TileDef &d : TransportTiles) ok = make_tile(d, 0) && make_tile(d, 1) && ok;
  return ok;
}

// ---- the marker and the random cell

bool make_cursor() {
  const int size = 32;
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t *cr = cairo_create(s);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_new_path(cr);
  cairo_move_to(cr, 2, 2);
  cairo_line_to(cr, 24, 10);
  cairo_line_to(cr, 16, 14);
  cairo_line_to(cr, 29, 27);
  cairo_line_to(cr, 27, 29);
  cairo_line_to(cr, 14, 16);
  cairo_line_to(cr, 10, 24);
  cairo_close_path(cr);
  set_rgb(cr, 255, 255, 255, 0.9);
  cairo_set_line_width(cr, 4.5);
  cairo_stroke_preserve(cr);
  cairo_pattern_t *g = cairo_pattern_create_linear(2, 2, 28, 28);
  cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.25, 0.2);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.65, 0.05, 0.05);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  set_rgb(cr, 70, 0, 0);
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
  cairo_destroy(cr);
  bool ok = write_png(s, "pics/cursor.png");
  cairo_surface_destroy(s);
  return ok;
}

bool make_random_cell() {
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, TileX, TileY);
  cairo_t *cr = cairo_create(s);
  cairo_scale(cr, TileX / 40.0, TileY / 40.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  shadowed_card(cr, 4, 4, 30, 6, 2, 2, 0, 0, 0, 0.3);
  cairo_pattern_t *g = cairo_pattern_create_linear(4, 4, 34, 34);
  cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.98, 0.92);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.85, 0.80, 0.70);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  ink(cr, 1.6);
  // Pips in two corners.
  set_rgb(cr, 40, 30, 24);
  cairo_arc(cr, 10, 10, 2, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, 28, 28, 2, 0, 2 * M_PI);
  cairo_fill(cr);
  // Question mark.
  cairo_new_path(cr);
  cairo_arc(cr, 19, 14.5, 5, M_PI * 1.05, M_PI * 2.3);
  cairo_curve_to(cr, 22, 19.5, 19, 19.5, 19, 23.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  set_rgb(cr, 170, 30, 30);
  cairo_set_line_width(cr, 3.2);
  cairo_stroke(cr);
  cairo_arc(cr, 19, 28.2, 1.9, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_destroy(cr);
  bool ok = write_png(s, "pics/rnd.png");
  cairo_surface_destroy(s);
  return ok;
}
