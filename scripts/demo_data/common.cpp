// Shared part of the demo-data generator: random numbers, colours and file writing.

#include "common.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>

static std::string OutDir;

uint64_t rng_next(Rng &r) {
  // splitmix64
  r.state += 0x9E3779B97F4A7C15ull;
  uint64_t z = r.state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double rng_unit(Rng &r) { return (double)(rng_next(r) >> 11) / 9007199254740992.0; }

double rng_range(Rng &r, double lo, double hi) { return lo + (hi - lo) * rng_unit(r); }

void set_rgb(cairo_t *cr, int r, int g, int b, double a) {
  cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, a);
}

void set_output_folder(const std::string &folder) { OutDir = folder; }

std::string out_path(const std::string &rel) { return OutDir + "/" + rel; }

bool write_text_file(const std::string &rel, const std::string &text) {
  FILE *f = std::fopen(out_path(rel).c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", out_path(rel).c_str());
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

bool write_png(cairo_surface_t *s, const std::string &rel) {
  cairo_surface_flush(s);
  cairo_status_t st = cairo_surface_write_to_png(s, out_path(rel).c_str());
  if (st != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot write %s: %s\n", rel.c_str(), cairo_status_to_string(st));
    return false;
  }
  return true;
}

bool write_jpeg(cairo_surface_t *s, const std::string &rel, int quality) {
  cairo_surface_flush(s);
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  const unsigned char *src = cairo_image_surface_get_data(s);
  GdkPixbuf *pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
  if (!pb) return false;
  int pstride = gdk_pixbuf_get_rowstride(pb);
  guchar *dst = gdk_pixbuf_get_pixels(pb);
  for (int y = 0; y < h; y++) {
    const uint32_t *row = (const uint32_t *)(src + (size_t)y * stride);
    guchar *d = dst + (size_t)y * pstride;
    for (int x = 0; x < w; x++) {
      uint32_t p = row[x];
      d[3 * x] = (p >> 16) & 255;
      d[3 * x + 1] = (p >> 8) & 255;
      d[3 * x + 2] = p & 255;
    }
  }
  std::string q = std::to_string(quality);
  GError *err = nullptr;
  gboolean ok = gdk_pixbuf_save(pb, out_path(rel).c_str(), "jpeg", &err, "quality", q.c_str(),
                                (char *)nullptr);
  if (!ok) {
    std::fprintf(stderr, "cannot write %s: %s\n", rel.c_str(), err ? err->message : "?");
    if (err) g_error_free(err);
  }
  g_object_unref(pb);
  return ok;
}
