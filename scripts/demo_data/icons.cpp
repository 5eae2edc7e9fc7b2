// The player pictures (heroes and coats of arms) and the program's icon.

#include "icons.h"

#include <cmath>
#include <filesystem>
#include <string>

#include "common.h"
#include "drawing.h"

// ---- heroes (drawn in a 32 x 32 box)

static void star_path(cairo_t *cr, double cx, double cy, double ro, double ri, int points) {
  cairo_new_path(cr);
  for (int k = 0; k < 2 * points; k++) {
    double a = -M_PI / 2 + k * M_PI / points;
    double rad = (k % 2) ? ri : ro;
    if (k == 0)
      cairo_move_to(cr, cx + std::cos(a) * rad, cy + std::sin(a) * rad);
    else
      cairo_line_to(cr, cx + std::cos(a) * rad, cy + std::sin(a) * rad);
  }
  cairo_close_path(cr);
}

static void shoulders(cairo_t *cr, int r, int g, int b) {
  cairo_new_path(cr);
  cairo_move_to(cr, 3, 31);
  cairo_curve_to(cr, 3, 23, 8, 20.5, 16, 20.5);
  cairo_curve_to(cr, 24, 20.5, 29, 23, 29, 31);
  cairo_close_path(cr);
  fill_ink(cr, r, g, b);
}

static void face(cairo_t *cr, double cx, double cy, double rad) {
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, rad, 0, 2 * M_PI);
  fill_ink(cr, 240, 200, 160);
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_arc(cr, cx - rad * 0.38, cy - rad * 0.05, 0.9, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, cx + rad * 0.38, cy - rad * 0.05, 0.9, 0, 2 * M_PI);
  cairo_fill(cr);
}

static void hero_knight(cairo_t *cr) {
  shoulders(cr, 40, 80, 170);
  cairo_rectangle(cr, 14.5, 22, 3, 9);
  cairo_rectangle(cr, 11, 24.5, 10, 3);
  set_rgb(cr, 245, 245, 240);
  cairo_fill(cr);
  // Plume.
  cairo_new_path(cr);
  cairo_move_to(cr, 16, 6);
  cairo_curve_to(cr, 18, 0.5, 25, 0.5, 27, 5);
  cairo_curve_to(cr, 23, 3.5, 20, 4.5, 17, 8);
  cairo_close_path(cr);
  fill_ink(cr, 200, 40, 40, 1.0);
  // Great helm.
  cairo_new_path(cr);
  rounded_rect(cr, 9, 5, 14, 16, 5);
  fill_ink(cr, 176, 182, 190);
  cairo_rectangle(cr, 10.5, 11.2, 11, 2.2);
  set_rgb(cr, 30, 30, 36);
  cairo_fill(cr);
  cairo_rectangle(cr, 15.3, 13.4, 1.4, 5);
  cairo_fill(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, 11.5, 7.5);
  cairo_line_to(cr, 11.5, 10);
  set_rgb(cr, 240, 244, 250, 0.9);
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
}

static void hero_shieldmaiden(cairo_t *cr) {
  shoulders(cr, 150, 60, 40);
  // Braids.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int side = -1; side <= 1; side += 2) {
    cairo_new_path(cr);
    cairo_move_to(cr, 16 + side * 6.5, 12);
    cairo_curve_to(cr, 16 + side * 8, 17, 16 + side * 7.5, 21, 16 + side * 8.5, 25);
    set_rgb(cr, Ink[0], Ink[1], Ink[2]);
    cairo_set_line_width(cr, 4.4);
    cairo_stroke_preserve(cr);
    set_rgb(cr, 236, 196, 90);
    cairo_set_line_width(cr, 2.6);
    cairo_stroke(cr);
  }
  face(cr, 16, 14, 6.5);
  // Horns.
  for (int side = -1; side <= 1; side += 2) {
    cairo_new_path(cr);
    cairo_move_to(cr, 16 + side * 5, 9);
    cairo_curve_to(cr, 16 + side * 10, 8, 16 + side * 12, 5, 16 + side * 12.5, 1.5);
    cairo_curve_to(cr, 16 + side * 10, 4.5, 16 + side * 8, 6, 16 + side * 4, 6.5);
    cairo_close_path(cr);
    fill_ink(cr, 240, 232, 210, 1.0);
  }
  // Helmet dome with a nose guard.
  cairo_new_path(cr);
  cairo_arc(cr, 16, 11.5, 7, M_PI, 2 * M_PI);
  cairo_close_path(cr);
  fill_ink(cr, 170, 176, 184);
  cairo_rectangle(cr, 15.2, 11.5, 1.6, 4);
  fill_ink(cr, 170, 176, 184, 0.6);
}

static void hero_wizard(cairo_t *cr) {
  shoulders(cr, 60, 50, 150);
  face(cr, 16, 14, 6);
  // Beard.
  cairo_new_path(cr);
  cairo_move_to(cr, 10.5, 15);
  cairo_curve_to(cr, 12, 26, 20, 26, 21.5, 15);
  cairo_curve_to(cr, 19, 18, 13, 18, 10.5, 15);
  cairo_close_path(cr);
  fill_ink(cr, 236, 236, 236, 1.0);
  // Pointed hat with a star.
  cairo_new_path(cr);
  cairo_move_to(cr, 6, 10.5);
  cairo_line_to(cr, 26, 10.5);
  cairo_line_to(cr, 22, 8);
  cairo_line_to(cr, 18, 0.8);
  cairo_line_to(cr, 10, 8);
  cairo_close_path(cr);
  fill_ink(cr, 50, 44, 140);
  star_path(cr, 16, 6.8, 2.6, 1.1, 5);
  set_rgb(cr, 250, 220, 70);
  cairo_fill(cr);
}

static void hero_huntress(cairo_t *cr) {
  shoulders(cr, 50, 110, 50);
  // Bow slung across the chest.
  cairo_new_path(cr);
  cairo_move_to(cr, 7, 22);
  cairo_curve_to(cr, 14, 24, 22, 28, 25, 31);
  set_rgb(cr, 120, 80, 40);
  cairo_set_line_width(cr, 2.0);
  cairo_stroke(cr);
  // Hood.
  cairo_new_path(cr);
  cairo_move_to(cr, 16, 2);
  cairo_curve_to(cr, 26, 3, 26, 18, 23, 22);
  cairo_line_to(cr, 9, 22);
  cairo_curve_to(cr, 6, 18, 6, 3, 16, 2);
  cairo_close_path(cr);
  fill_ink(cr, 40, 120, 50);
  face(cr, 16, 14, 5.5);
  cairo_new_path(cr);
  cairo_move_to(cr, 10.5, 12);
  cairo_curve_to(cr, 12, 7, 20, 7, 21.5, 12);
  cairo_line_to(cr, 21.5, 10);
  cairo_curve_to(cr, 20, 6, 12, 6, 10.5, 10);
  cairo_close_path(cr);
  set_rgb(cr, 110, 60, 30);
  cairo_fill(cr);
}

static void hero_priest(cairo_t *cr) {
  shoulders(cr, 236, 232, 218);
  // Golden cross pendant.
  cairo_rectangle(cr, 15, 22.5, 2, 7);
  cairo_rectangle(cr, 12.8, 24.5, 6.4, 2);
  fill_ink(cr, 230, 180, 40, 0.5);
  face(cr, 16, 13, 7);
  // Ring of hair around the bald crown.
  cairo_new_path(cr);
  cairo_arc(cr, 16, 13, 7.3, M_PI * 0.95, M_PI * 1.25);
  set_rgb(cr, 100, 70, 40);
  cairo_set_line_width(cr, 2.4);
  cairo_stroke(cr);
  cairo_new_path(cr);
  cairo_arc(cr, 16, 13, 7.3, M_PI * 1.75, M_PI * 2.05);
  cairo_stroke(cr);
  cairo_new_path(cr);
  cairo_arc(cr, 16, 16, 2.0, 0.2, M_PI - 0.2);
  set_rgb(cr, Ink[0], Ink[1], Ink[2]);
  cairo_set_line_width(cr, 0.9);
  cairo_stroke(cr);
}

static void hero_king(cairo_t *cr) {
  shoulders(cr, 170, 30, 40);
  // Ermine collar.
  cairo_new_path(cr);
  cairo_move_to(cr, 7, 23);
  cairo_curve_to(cr, 11, 27, 21, 27, 25, 23);
  cairo_curve_to(cr, 21, 21, 11, 21, 7, 23);
  cairo_close_path(cr);
  fill_ink(cr, 250, 250, 245, 0.8);
  set_rgb(cr, 20, 20, 20);
  for (int k = 0; k < 4; k++) {
    cairo_arc(cr, 10 + k * 4, 23.7, 0.7, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  face(cr, 16, 14, 6.3);
  // Beard.
  cairo_new_path(cr);
  cairo_move_to(cr, 10.5, 15);
  cairo_curve_to(cr, 12, 22, 20, 22, 21.5, 15);
  cairo_curve_to(cr, 19, 17.5, 13, 17.5, 10.5, 15);
  cairo_close_path(cr);
  fill_ink(cr, 130, 80, 40, 0.8);
  // Crown.
  cairo_new_path(cr);
  cairo_move_to(cr, 8.5, 10);
  cairo_line_to(cr, 8, 2.5);
  cairo_line_to(cr, 11.5, 6);
  cairo_line_to(cr, 16, 1);
  cairo_line_to(cr, 20.5, 6);
  cairo_line_to(cr, 24, 2.5);
  cairo_line_to(cr, 23.5, 10);
  cairo_close_path(cr);
  fill_ink(cr, 245, 200, 40);
  cairo_arc(cr, 16, 7.5, 1.3, 0, 2 * M_PI);
  set_rgb(cr, 200, 20, 40);
  cairo_fill(cr);
}

static void hero_bard(cairo_t *cr) {
  shoulders(cr, 120, 50, 140);
  cairo_new_path(cr);
  cairo_move_to(cr, 16, 21);
  cairo_line_to(cr, 16, 31);
  set_rgb(cr, 240, 200, 60);
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
  face(cr, 16, 14, 6.3);
  // Moustache.
  cairo_new_path(cr);
  cairo_move_to(cr, 13, 17.2);
  cairo_curve_to(cr, 14.5, 15.8, 17.5, 15.8, 19, 17.2);
  set_rgb(cr, 90, 50, 30);
  cairo_set_line_width(cr, 1.3);
  cairo_stroke(cr);
  // Feather and cap.
  cairo_new_path(cr);
  cairo_move_to(cr, 18, 8);
  cairo_curve_to(cr, 22, 2, 27, 0.5, 30, 1);
  cairo_curve_to(cr, 27, 4, 24, 7, 19, 9.5);
  cairo_close_path(cr);
  fill_ink(cr, 220, 50, 40, 0.9);
  cairo_new_path(cr);
  cairo_move_to(cr, 6.5, 11);
  cairo_curve_to(cr, 7, 4, 20, 3, 25.5, 9.5);
  cairo_line_to(cr, 26, 11);
  cairo_close_path(cr);
  fill_ink(cr, 130, 40, 150);
}

static void shield_path(cairo_t *cr) {
  cairo_new_path(cr);
  cairo_move_to(cr, 4.5, 3.5);
  cairo_line_to(cr, 27.5, 3.5);
  cairo_line_to(cr, 27.5, 14);
  cairo_curve_to(cr, 27.5, 22, 22, 27, 16, 30);
  cairo_curve_to(cr, 10, 27, 4.5, 22, 4.5, 14);
  cairo_close_path(cr);
}

static void shield_begin(cairo_t *cr, int r, int g, int b) {
  shield_path(cr);
  set_rgb(cr, r, g, b);
  cairo_fill(cr);
  cairo_save(cr);
  shield_path(cr);
  cairo_clip(cr);
}

static void shield_end(cairo_t *cr) {
  // Light from the top left.
  cairo_pattern_t *gl = cairo_pattern_create_linear(4, 3, 28, 30);
  cairo_pattern_add_color_stop_rgba(gl, 0, 1, 1, 1, 0.30);
  cairo_pattern_add_color_stop_rgba(gl, 0.5, 1, 1, 1, 0.0);
  cairo_pattern_add_color_stop_rgba(gl, 1, 0, 0, 0, 0.25);
  cairo_set_source(cr, gl);
  cairo_paint(cr);
  cairo_pattern_destroy(gl);
  cairo_restore(cr);
  shield_path(cr);
  set_rgb(cr, 200, 200, 205);
  cairo_set_line_width(cr, 3.2);
  cairo_stroke(cr);
  shield_path(cr);
  ink(cr, 1.2);
}

static void shield_red(cairo_t *cr) {
  shield_begin(cr, 190, 30, 35);
  cairo_rectangle(cr, 13.5, 2, 5, 30);
  cairo_rectangle(cr, 2, 11, 28, 5);
  set_rgb(cr, 248, 246, 240);
  cairo_fill(cr);
  shield_end(cr);
}

static void shield_blue(cairo_t *cr) {
  shield_begin(cr, 30, 70, 170);
  star_path(cr, 16, 15, 9, 3.8, 5);
  set_rgb(cr, 250, 212, 50);
  cairo_fill_preserve(cr);
  ink(cr, 0.8);
  shield_end(cr);
}

static void shield_green(cairo_t *cr) {
  shield_begin(cr, 40, 130, 60);
  cairo_new_path(cr);
  cairo_move_to(cr, 2, 24);
  cairo_line_to(cr, 16, 10);
  cairo_line_to(cr, 30, 24);
  cairo_line_to(cr, 30, 30);
  cairo_line_to(cr, 16, 16);
  cairo_line_to(cr, 2, 30);
  cairo_close_path(cr);
  set_rgb(cr, 240, 240, 235);
  cairo_fill(cr);
  cairo_arc(cr, 16, 6.8, 2.2, 0, 2 * M_PI);
  set_rgb(cr, 250, 212, 50);
  cairo_fill(cr);
  shield_end(cr);
}

static void shield_gold(cairo_t *cr) {
  shield_begin(cr, 236, 190, 50);
  cairo_new_path(cr);
  cairo_move_to(cr, 9, 19);
  cairo_line_to(cr, 8, 9);
  cairo_line_to(cr, 12, 13);
  cairo_line_to(cr, 16, 7);
  cairo_line_to(cr, 20, 13);
  cairo_line_to(cr, 24, 9);
  cairo_line_to(cr, 23, 19);
  cairo_close_path(cr);
  set_rgb(cr, 30, 26, 24);
  cairo_fill(cr);
  cairo_rectangle(cr, 9, 20.5, 14, 2.5);
  cairo_fill(cr);
  shield_end(cr);
}

static void shield_black(cairo_t *cr) {
  shield_begin(cr, 240, 238, 232);
  cairo_rectangle(cr, 2, 2, 14, 12.5);
  cairo_rectangle(cr, 16, 14.5, 14, 17);
  set_rgb(cr, 30, 30, 34);
  cairo_fill(cr);
  cairo_arc(cr, 16, 14.5, 4.2, 0, 2 * M_PI);
  set_rgb(cr, 200, 30, 40);
  cairo_fill_preserve(cr);
  ink(cr, 0.8);
  shield_end(cr);
}

struct IconDef {
  const char *file;
  void (*draw)(cairo_t *);
};

static const IconDef HeroIcons[] = {
    {"ritter.png", hero_knight},     {"schildmaid.png", hero_shieldmaiden},
    {"magier.png", hero_wizard},     {"jaegerin.png", hero_huntress},
    {"priester.png", hero_priest},   {"koenig.png", hero_king},
    {"barde.png", hero_bard},        {"schild_rot.png", shield_red},
    {"schild_blau.png", shield_blue}, {"schild_gruen.png", shield_green},
    {"schild_gold.png", shield_gold}, {"schild_schwarz.png", shield_black},
};

bool make_hero_icons() {
  bool ok = true;
  for (const IconDef &d : HeroIcons) {
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, PlayerSize, PlayerSize);
    cairo_t *cr = cairo_create(s);
    cairo_scale(cr, PlayerSize / 32.0, PlayerSize / 32.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    d.draw(cr);
    cairo_destroy(cr);
    ok = write_png(s, std::string("players/") + d.file) && ok;
    cairo_surface_destroy(s);
  }
  return ok;
}

// ---- the program's icon: a corner of the map on a sheet of parchment (sea, coast, a mountain,
// a road) with the red rings of the map marker, drawn on a 256 x 256 canvas and scaled to each
// size of the icon theme. Below 32 pixels the details that would only blur are left out.

static const int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

static void draw_icon(cairo_t *cr, int size) {
  bool small = size < 32;
  cairo_scale(cr, size / 256.0, size / 256.0);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  // The sheet with a soft shadow.
  shadowed_card(cr, 12, 12, 228, 26, 6, 10, 40, 28, 16, 0.35);
  cairo_pattern_t *paper = cairo_pattern_create_radial(110, 100, 30, 126, 126, 190);
  cairo_pattern_add_color_stop_rgb(paper, 0, 0.97, 0.92, 0.80);
  cairo_pattern_add_color_stop_rgb(paper, 1, 0.80, 0.68, 0.48);
  cairo_set_source(cr, paper);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(paper);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  // The sea in the lower left corner, with a lighter shallow band along the coast.
  auto coast = [&](double grow) {
    cairo_new_path(cr);
    cairo_move_to(cr, 0, 120 - grow);
    cairo_curve_to(cr, 50 + grow, 118 - grow, 70 + grow, 160, 96 + grow, 176);
    cairo_curve_to(cr, 124 + grow, 192, 118 + grow, 226, 150 + grow, 256);
    cairo_line_to(cr, 0, 256);
    cairo_close_path(cr);
  };
  coast(10);
  set_rgb(cr, 142, 178, 190);
  cairo_fill(cr);
  coast(0);
  set_rgb(cr, 84, 128, 156);
  cairo_fill_preserve(cr);
  set_rgb(cr, 52, 74, 92);
  cairo_set_line_width(cr, small ? 6 : 3);
  cairo_stroke(cr);
  if (!small) {
    // Waves.
    set_rgb(cr, 200, 222, 230, 0.9);
    cairo_set_line_width(cr, 3);
    for (int i = 0; i < 3; i++) {
      double x = 26 + i * 24, y = 166 + i * 22;
      cairo_move_to(cr, x, y);
      cairo_curve_to(cr, x + 6, y - 6, x + 12, y - 6, x + 18, y);
      cairo_stroke(cr);
    }
    // A mountain and a wood in the upper right.
    mountain(cr, 186, 96, 42, 186 + 42 * 0.03, true, 3);
    for (int i = 0; i < 3; i++) draw_tree(cr, Glyph{120.0 + i * 20, 70.0 + (i % 2) * 14, 11, 1, 0.3 * i});
    // A dashed road from the coast to the mountain.
    double dashes[] = {10, 8};
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_move_to(cr, 104, 150);
    cairo_curve_to(cr, 130, 130, 150, 140, 170, 110);
    set_rgb(cr, 110, 70, 40);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
  }
  cairo_restore(cr);
  // The edge of the sheet.
  cairo_new_path(cr);
  rounded_rect(cr, 12, 12, 228, 228, 26);
  set_rgb(cr, 90, 62, 36);
  cairo_set_line_width(cr, small ? 10 : 6);
  cairo_stroke(cr);
  // The marker: red rings around the marked spot.
  const double mx = 150, my = 178;
  set_rgb(cr, 200, 24, 20);
  for (int i = 0; i < (small ? 2 : 3); i++) {
    cairo_new_path(cr);
    cairo_arc(cr, mx, my, (small ? 22 : 14) + i * (small ? 24 : 17), 0, 2 * M_PI);
    cairo_set_line_width(cr, small ? 14 : 7 - i);
    cairo_stroke(cr);
  }
  cairo_arc(cr, mx, my, small ? 12 : 7, 0, 2 * M_PI);
  cairo_fill(cr);
}

bool make_app_icons() {
  bool ok = true;
  for (int size : IconSizes) {
    std::string folder = "icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::error_code ec;
    std::filesystem::create_directories(out_path(folder), ec);
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t *cr = cairo_create(s);
    draw_icon(cr, size);
    cairo_destroy(cr);
    ok = !ec && write_png(s, folder + "/tavrel.png") && ok;
    cairo_surface_destroy(s);
  }
  return ok;
}
