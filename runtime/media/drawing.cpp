// Software 2D drawing: boxes, circles and images are computed directly on the
// target's pixel rows; text is laid out with pango, rendered by cairo into a
// coverage mask and then mixed into the target.
#include "runtime/media/drawing.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

#include "runtime/media/blend.h"

namespace {

struct DrawingState {
  DrawTarget* target = nullptr;
  uint32_t front = 0xFFFFFFFF;
  uint32_t back = 0xFF000000;
  int mode = DrawDefault;
  int origin_x = 0;
  int origin_y = 0;
  // The text scratch surface: a coverage mask as wide as the target.
  cairo_surface_t* scratch = nullptr;
  cairo_t* scratch_cairo = nullptr;
  int scratch_width = 0;
  int scratch_height = 0;
};

thread_local DrawingState* Current = nullptr;

// The text layout of this thread, kept between calls: a layout on the default
// screen's pango context, in the font such a new layout has.
struct TextLayout {
  PangoContext* context = nullptr;
  PangoLayout* layout = nullptr;
  std::string text;          // what the layout holds now
  bool has_text = false;
  int hg_height = -1;        // height of "Hg", sizes the scratch surface
  ~TextLayout() {
    if (layout) g_object_unref(layout);
    if (context) g_object_unref(context);
  }
};

thread_local TextLayout Text;

// The part of a target covered by [x0, x1) x [y0, y1), computed in 64 bits so
// that no coordinate overflows.
struct Span {
  int x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Span clip(const DrawTarget* t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  Span s;
  s.x0 = static_cast<int>(std::max<int64_t>(x0, 0));
  s.y0 = static_cast<int>(std::max<int64_t>(y0, 0));
  s.x1 = static_cast<int>(std::min<int64_t>(x1, t->pixels ? t->width : 0));
  s.y1 = static_cast<int>(std::min<int64_t>(y1, t->pixels ? t->height : 0));
  return s;
}

inline uint8_t* pixel_at(const DrawTarget* t, int x, int y) {
  return t->pixels + int64_t(y) * t->stride + int64_t(x) * t->bytes_per_pixel;
}

// Sets or blends count pixels of one row with a colour.
void colour_span(const DrawTarget* t, int x, int y, int count, uint32_t colour, bool blend) {
  if (count <= 0) return;
  uint8_t* p = pixel_at(t, x, y);
  const unsigned r = colour & 255, g = colour >> 8 & 255, b = colour >> 16 & 255, a = colour >> 24;
  const int bpp = t->bytes_per_pixel;
  if (!blend || a == 255) {
    if (blend && bpp == 4) {
      for (int i = 0; i < count; ++i, p += 4) blend_rgba(p, r, g, b, a);
      return;
    }
    for (int i = 0; i < count; ++i, p += bpp) p[0] = r, p[1] = g, p[2] = b;
  } else if (a != 0) {
    if (bpp == 3)
      for (int i = 0; i < count; ++i, p += 3) blend_rgb(p, r, g, b, a);
    else
      for (int i = 0; i < count; ++i, p += 4) blend_rgba(p, r, g, b, a);
  }
}

void colour_rect(const DrawTarget* t, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour,
                 bool blend) {
  Span s = clip(t, x0, y0, x1, y1);
  if (s.empty()) return;
  for (int y = s.y0; y < s.y1; ++y) colour_span(t, s.x0, y, s.x1 - s.x0, colour, blend);
}

bool blending() { return Current->mode & DrawAlphaBlend; }

// Places width x height source pixels (3 or 4 channels) with their top-left
// corner at (x, y) of the target.
void compose_pixels(const uint8_t* src, int64_t src_stride, int width, int height, int channels, int64_t x,
                    int64_t y) {
  const DrawTarget* t = Current->target;
  Span s = clip(t, x, y, x + width, y + height);
  if (s.empty()) return;
  const int bpp = t->bytes_per_pixel;
  const int count = s.x1 - s.x0;
  const bool blend = channels == 4 && blending();
  for (int row = s.y0; row < s.y1; ++row) {
    const uint8_t* in = src + (row - y) * src_stride + (s.x0 - x) * channels;
    uint8_t* out = pixel_at(t, s.x0, row);
    if (!blend) {
      if (channels == 3 && bpp == 3) {
        std::memmove(out, in, size_t(count) * 3);
      } else {
        for (int i = 0; i < count; ++i, in += channels, out += bpp) out[0] = in[0], out[1] = in[1], out[2] = in[2];
      }
    } else if (bpp == 3) {
      for (int i = 0; i < count; ++i, in += 4, out += 3) {
        unsigned a = in[3];
        if (a == 255)
          out[0] = in[0], out[1] = in[1], out[2] = in[2];
        else if (a != 0)
          blend_rgb(out, in[0], in[1], in[2], a);
      }
    } else {
      for (int i = 0; i < count; ++i, in += 4, out += 4) blend_rgba(out, in[0], in[1], in[2], in[3]);
    }
  }
}

// Checks that a pixel buffer holds 8-bit R G B or R G B A.
bool usable_image(ImageHandle image) {
  return image && gdk_pixbuf_get_colorspace(image) == GDK_COLORSPACE_RGB &&
         gdk_pixbuf_get_bits_per_sample(image) == 8 &&
         gdk_pixbuf_get_n_channels(image) == (gdk_pixbuf_get_has_alpha(image) ? 4 : 3);
}

// Integer square root, exact for every value a circle needs.
int64_t root(int64_t v) {
  if (v <= 0) return 0;
  int64_t r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

// Half width of the circle's row dy rows from the centre; -1 outside it.
// Using r*r + r (a distance below r + 1/2) gives round shapes at small radii
// and exactly r on the centre row.
int64_t half_width(int64_t r, int64_t dy) {
  if (dy < -r || dy > r) return -1;
  return root(r * r + r - dy * dy);
}

void free_scratch(DrawingState* s) {
  if (s->scratch_cairo) cairo_destroy(s->scratch_cairo);
  if (s->scratch) cairo_surface_destroy(s->scratch);
  s->scratch_cairo = nullptr;
  s->scratch = nullptr;
  s->scratch_width = s->scratch_height = 0;
}

// Lays the text out; false (and 0 x 0) for an empty text or without a display.
bool layout_text(const String& text, int* width, int* height) {
  *width = *height = 0;
  if (text.empty()) return false;
  if (!Text.layout) {
    if (!gdk_display_get_default()) return false;
    Text.context = gdk_pango_context_get();
    if (!Text.context) return false;
    Text.layout = pango_layout_new(Text.context);
  }
  std::string utf8 = string_to_utf8(text);
  if (!Text.has_text || utf8 != Text.text) {
    pango_layout_set_text(Text.layout, utf8.c_str(), static_cast<int>(utf8.size()));
    Text.text = std::move(utf8);
    Text.has_text = true;
  }
  int w = 0, h = 0;
  pango_layout_get_size(Text.layout, &w, &h);
  *width = w / 1024;
  *height = h / 1024;
  return true;
}

// Makes sure the drawing has a scratch surface as wide as its target and tall
// enough for one line of the font.
bool prepare_scratch(DrawingState* s) {
  if (Text.hg_height < 0) {
    int w, h;
    layout_text(u"Hg", &w, &h);
    Text.hg_height = h;
  }
  int width = s->target->width;
  int height = std::max(50, Text.hg_height + 20) * std::max(1, s->target->scale);
  if (s->scratch && s->scratch_width == width && s->scratch_height >= height) return true;
  free_scratch(s);
  s->scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(s->scratch) != CAIRO_STATUS_SUCCESS) {
    free_scratch(s);
    return false;
  }
  s->scratch_cairo = cairo_create(s->scratch);
  s->scratch_width = width;
  s->scratch_height = height;
  return true;
}

}  // namespace

int drawing_start(DrawTarget* target) {
  if (!target) return 0;
  if (Current) drawing_stop();
  Current = new DrawingState;
  Current->target = target;
  return 1;
}

void drawing_stop() {
  DrawingState* s = Current;
  if (!s) return;
  Current = nullptr;
  free_scratch(s);
  DrawTarget* target = s->target;
  delete s;
  target->version = drawing_new_version();
  if (target->release) target->release(target);
}

void drawing_target_gone(DrawTarget* target) {
  if (!Current || Current->target != target) return;
  free_scratch(Current);
  delete Current;
  Current = nullptr;
}

void drawing_mode(int mode) {
  if (Current) Current->mode = mode;
}

void drawing_front_colour(uint32_t colour) {
  if (Current) Current->front = colour;
}

void drawing_back_colour(uint32_t colour) {
  if (Current) Current->back = colour;
}

void drawing_origin(int x, int y) {
  if (!Current) return;
  Current->origin_x = x;
  Current->origin_y = y;
}

void draw_box(int x, int y, int width, int height, uint32_t colour) {
  if (!Current) return;
  const DrawTarget* t = Current->target;
  int64_t x0 = int64_t(x) + Current->origin_x, y0 = int64_t(y) + Current->origin_y;
  int64_t w = width, h = height;
  if (w < 0) x0 += w, w = -w;
  if (h < 0) y0 += h, h = -h;
  if (w == 0 || h == 0) return;
  const bool blend = blending();
  if (!(Current->mode & DrawOutlined)) {
    colour_rect(t, x0, y0, x0 + w, y0 + h, colour, blend);
    return;
  }
  // Outline: top and bottom rows, then the columns between them, each pixel once.
  colour_rect(t, x0, y0, x0 + w, y0 + 1, colour, blend);
  if (h > 1) colour_rect(t, x0, y0 + h - 1, x0 + w, y0 + h, colour, blend);
  if (h > 2) {
    colour_rect(t, x0, y0 + 1, x0 + 1, y0 + h - 1, colour, blend);
    if (w > 1) colour_rect(t, x0 + w - 1, y0 + 1, x0 + w, y0 + h - 1, colour, blend);
  }
}

void draw_circle(int x, int y, int radius, uint32_t colour) {
  if (!Current || radius < 0) return;
  const DrawTarget* t = Current->target;
  const int64_t cx = int64_t(x) + Current->origin_x, cy = int64_t(y) + Current->origin_y, r = radius;
  Span rows = clip(t, 0, cy - r, 1, cy + r + 1);
  if (rows.y0 >= rows.y1 || !t->pixels || t->width <= 0) return;
  const bool blend = blending();
  const bool outlined = Current->mode & DrawOutlined;
  for (int row = rows.y0; row < rows.y1; ++row) {
    const int64_t dy = row - cy;
    const int64_t half = half_width(r, dy);
    const int64_t inner = outlined ? std::min(half_width(r, dy - 1), half_width(r, dy + 1)) : -1;
    if (inner < 0) {
      colour_rect(t, cx - half, row, cx + half + 1, row + 1, colour, blend);
    } else {
      // The outline keeps the pixels of the row that the rows above and below
      // do not cover (at least the two end pixels).
      int64_t edge = std::min(inner, half - 1);
      colour_rect(t, cx - half, row, cx - edge, row + 1, colour, blend);
      colour_rect(t, cx + edge + 1, row, cx + half + 1, row + 1, colour, blend);
    }
  }
}

void draw_image(ImageHandle image, int x, int y) {
  if (!Current || !usable_image(image)) return;
  compose_pixels(gdk_pixbuf_read_pixels(image), gdk_pixbuf_get_rowstride(image), gdk_pixbuf_get_width(image),
                 gdk_pixbuf_get_height(image), gdk_pixbuf_get_n_channels(image),
                 int64_t(x) + Current->origin_x, int64_t(y) + Current->origin_y);
}

void draw_image(ImageHandle image, int x, int y, int width, int height) {
  if (!Current || !usable_image(image) || width < 1 || height < 1) return;
  const int source_width = gdk_pixbuf_get_width(image), source_height = gdk_pixbuf_get_height(image);
  if (width == source_width && height == source_height) {
    draw_image(image, x, y);
    return;
  }
  // Only the visible part of the scaled picture is computed.
  const int64_t x0 = int64_t(x) + Current->origin_x, y0 = int64_t(y) + Current->origin_y;
  Span s = clip(Current->target, x0, y0, x0 + width, y0 + height);
  // The toolkit takes the offsets as int: pictures placed absurdly far away are skipped.
  if (s.empty() || x0 - s.x0 < -(int64_t(1) << 30) || y0 - s.y0 < -(int64_t(1) << 30)) return;
  GdkPixbuf* part = gdk_pixbuf_new(GDK_COLORSPACE_RGB, gdk_pixbuf_get_has_alpha(image), 8, s.x1 - s.x0,
                                   s.y1 - s.y0);
  if (!part) return;
  gdk_pixbuf_scale(image, part, 0, 0, s.x1 - s.x0, s.y1 - s.y0, double(x0 - s.x0), double(y0 - s.y0),
                   double(width) / source_width, double(height) / source_height, GDK_INTERP_BILINEAR);
  compose_pixels(gdk_pixbuf_read_pixels(part), gdk_pixbuf_get_rowstride(part), s.x1 - s.x0, s.y1 - s.y0,
                 gdk_pixbuf_get_n_channels(part), s.x0, s.y0);
  g_object_unref(part);
}

int draw_text(int x, int y, const String& text) {
  int width = 0, height = 0;
  if (!layout_text(text, &width, &height) || !Current) return x + width;
  DrawingState* state = Current;
  const DrawTarget* t = state->target;
  if (!t->pixels || t->width <= 0 || t->height <= 0 || !prepare_scratch(state)) return x + width;
  // The layout may have been used to measure "Hg" meanwhile.
  layout_text(text, &width, &height);
  const int k = std::max(1, t->scale);
  width *= k;
  height *= k;

  const int64_t tx = int64_t(x) + state->origin_x, ty = int64_t(y) + state->origin_y;
  const int64_t shown_height = std::min<int64_t>(height, state->scratch_height);
  Span s = clip(t, tx, ty, tx + width, ty + shown_height);
  if (s.empty()) return x + width;

  // Scratch row n stands for target row ty + n; its columns are the target's.
  cairo_t* cr = state->scratch_cairo;
  cairo_save(cr);
  cairo_rectangle(cr, s.x0, double(s.y0 - ty), s.x1 - s.x0, s.y1 - s.y0);
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgba(cr, 1, 1, 1, 1);
  cairo_translate(cr, double(tx), 0);
  cairo_scale(cr, k, k);
  cairo_move_to(cr, 0, 0);
  pango_cairo_show_layout(cr, Text.layout);
  cairo_restore(cr);
  cairo_surface_flush(state->scratch);

  const uint8_t* mask = cairo_image_surface_get_data(state->scratch);
  const int mask_stride = cairo_image_surface_get_stride(state->scratch);
  const unsigned fr = state->front & 255, fg = state->front >> 8 & 255, fb = state->front >> 16 & 255;
  const unsigned fa = state->front >> 24;
  const unsigned br = state->back & 255, bg = state->back >> 8 & 255, bb = state->back >> 16 & 255;
  const bool blend = state->mode & DrawAlphaBlend;
  const int bpp = t->bytes_per_pixel;
  for (int row = s.y0; row < s.y1; ++row) {
    const uint8_t* cover = mask + (row - ty) * mask_stride + s.x0;
    uint8_t* p = pixel_at(t, s.x0, row);
    if (!blend) {
      // The text's box: back colour mixed with the front colour by coverage.
      for (int col = s.x0; col < s.x1; ++col, ++cover, p += bpp) {
        unsigned c = *cover, k = 255 - c;
        p[0] = static_cast<uint8_t>((fr * c + br * k) / 255);
        p[1] = static_cast<uint8_t>((fg * c + bg * k) / 255);
        p[2] = static_cast<uint8_t>((fb * c + bb * k) / 255);
      }
    } else {
      // Glyphs only, blended by coverage times the front colour's alpha.
      for (int col = s.x0; col < s.x1; ++col, ++cover, p += bpp) {
        unsigned a = *cover * fa / 255;
        if (a == 0) continue;
        if (bpp == 3)
          blend_rgb(p, fr, fg, fb, a);
        else
          blend_rgba(p, fr, fg, fb, a);
      }
    }
  }
  return x + width;
}

int text_width(const String& text) {
  int width, height;
  layout_text(text, &width, &height);
  return width;
}

int text_height(const String& text) {
  int width, height;
  layout_text(text, &width, &height);
  return height;
}

void drawing_target_describe(DrawTarget* target, ImageHandle pixels) {
  DrawTarget before = *target;
  target->pixels = gdk_pixbuf_get_pixels(pixels);
  target->stride = gdk_pixbuf_get_rowstride(pixels);
  target->width = gdk_pixbuf_get_width(pixels);
  target->height = gdk_pixbuf_get_height(pixels);
  target->bytes_per_pixel = gdk_pixbuf_get_has_alpha(pixels) ? 4 : 3;
  if (target->pixels != before.pixels || target->stride != before.stride || target->width != before.width ||
      target->height != before.height || target->bytes_per_pixel != before.bytes_per_pixel || target->version == 0)
    target->version = drawing_new_version();
}

uint64_t drawing_new_version() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}
