// The map picture: its parts planned and drawn one after the other, then the labels, the
// compass, the frame and the parchment finish; written as JPEG.

#include "map.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common.h"
#include "fields.h"
#include "glyphs.h"
#include "noise.h"
#include "rivers.h"
#include "roads.h"
#include "settlements.h"
#include "terrain.h"

static void label(cairo_t *cr, const char *text, double x, double y, double size, bool italic,
                  int r, int g, int b) {
  cairo_select_font_face(cr, "DejaVu Serif", italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text, &ext);
  double tx = x - ext.width / 2 - ext.x_bearing, ty = y;
  cairo_new_path(cr);
  cairo_move_to(cr, tx, ty);
  cairo_text_path(cr, text);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  set_rgb(cr, 246, 236, 210, 0.85);
  cairo_set_line_width(cr, size * 0.22);
  cairo_stroke_preserve(cr);
  set_rgb(cr, r, g, b);
  cairo_fill(cr);
}

static void draw_labels(cairo_t *cr) {
  for (const Settlement &s : Settlements) {
    double size = s.walled ? 34 : 20;
    label(cr, s.name, s.centre.x, s.centre.y - s.radius * 0.8 - (s.walled ? 34 : 16), size, false, 62, 40, 26);
  }
  label(cr, "Westmeer", 240, 1250, 44, true, 40, 70, 96);
  label(cr, "Spiegelsee", LakeCentre.x, LakeCentre.y + 8, 24, true, 40, 70, 96);
  label(cr, "Grauzahn-Gebirge", MountainCentre.x - 80, MountainCentre.y + 330, 30, true, 80, 60, 40);
}

static void draw_compass(cairo_t *cr, double cx, double cy, double r) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  set_rgb(cr, 60, 45, 30, 0.8);
  cairo_set_line_width(cr, 2);
  cairo_arc(cr, 0, 0, r * 0.72, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1);
  cairo_arc(cr, 0, 0, r * 0.78, 0, 2 * M_PI);
  cairo_stroke(cr);
  for (int k = 0; k < 8; k++) {
    double len = (k % 2 == 0) ? r : r * 0.55;
    double wid = (k % 2 == 0) ? r * 0.16 : r * 0.11;
    cairo_save(cr);
    cairo_rotate(cr, k * M_PI / 4);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, -wid, -wid);
    cairo_line_to(cr, 0, -len);
    cairo_close_path(cr);
    set_rgb(cr, 240, 228, 200);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 45, 30);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, wid, -wid);
    cairo_line_to(cr, 0, -len);
    cairo_close_path(cr);
    if (k == 0)
      set_rgb(cr, 150, 40, 30);
    else
      set_rgb(cr, 80, 62, 42);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 45, 30);
    cairo_stroke(cr);
    cairo_restore(cr);
  }
  cairo_restore(cr);
  label(cr, "N", cx, cy - r - 8, r * 0.35, false, 60, 45, 30);
}

// Warm paper tone, stains, grain and darker edges over the whole picture.
static void parchment(uint32_t *pix, int stride_px) {
  const Colour paper = {242, 228, 196};
  for (int y = 0; y < MapHeight; y++) {
    for (int x = 0; x < MapWidth; x++) {
      uint32_t &p = pix[(size_t)y * stride_px + x];
      Colour c = {(double)((p >> 16) & 255), (double)((p >> 8) & 255), (double)(p & 255)};
      c = mix_colour(c, paper, 0.16);
      double stain = fbm(x / 300.0, y / 300.0, 4, 8080);
      double m = 1.0 - 0.09 * smoothstep(0.45, 0.75, stain);
      double ex = std::min(x, MapWidth - 1 - x) / 220.0, ey = std::min(y, MapHeight - 1 - y) / 220.0;
      m *= 0.78 + 0.22 * smoothstep(0.0, 1.0, std::min(ex, ey));
      double grain = ((int)(hash_u32((uint32_t)(x * 7919 + y * 104729)) & 7) - 3.5) * 0.6;
      c = {c.r * m * 1.0 + grain, c.g * m * 0.99 + grain, c.b * m * 0.95 + grain};
      int r = (int)std::lround(std::clamp(c.r, 0.0, 255.0));
      int g = (int)std::lround(std::clamp(c.g, 0.0, 255.0));
      int b = (int)std::lround(std::clamp(c.b, 0.0, 255.0));
      p = 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
    }
  }
}

bool make_map() {
  compute_terrain();
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, MapWidth, MapHeight);
  uint32_t *pix = (uint32_t *)cairo_image_surface_get_data(s);
  int stride_px = cairo_image_surface_get_stride(s) / 4;
  paint_terrain(pix, stride_px);
  cairo_surface_mark_dirty(s);
  plan_rivers();
  draw_rivers(pix, stride_px);
  cairo_surface_mark_dirty(s);
  cairo_t *cr = cairo_create(s);
  plan_settlements();
  plan_roads();
  draw_fields(cr);
  draw_glyphs(cr);
  draw_roads(cr);
  draw_settlements(cr);
  draw_labels(cr);
  draw_compass(cr, 230, 1780, 90);
  // Frame.
  set_rgb(cr, 70, 50, 30);
  cairo_set_line_width(cr, 4);
  cairo_rectangle(cr, 10, 10, MapWidth - 20, MapHeight - 20);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_rectangle(cr, 18, 18, MapWidth - 36, MapHeight - 36);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  parchment(pix, stride_px);
  cairo_surface_mark_dirty(s);
  bool ok = write_jpeg(s, std::string("pics/") + MapFileName, 85);
  cairo_surface_destroy(s);
  return ok;
}
