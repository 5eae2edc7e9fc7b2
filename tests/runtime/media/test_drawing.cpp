// 2D drawing: modes and blend formulas, boxes, circles, images and text.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <thread>
#include <vector>

#include "runtime/media/drawing.h"

namespace {

static_assert(rgb(255, 0, 255) == 0x00FF00FF);
static_assert(rgb(1, 2, 3) == 0x030201);

// A plain pixel buffer with a drawing target on it, filled with one colour.
struct Canvas {
  std::vector<uint8_t> memory;
  DrawTarget target;
  Canvas(int width, int height, int bpp, std::array<uint8_t, 4> fill = {0, 0, 0, 0}) {
    target.width = width;
    target.height = height;
    target.bytes_per_pixel = bpp;
    target.stride = width * bpp + 4;  // rows with slack, as real buffers have
    memory.assign(size_t(target.stride) * height, 0xEE);
    target.pixels = memory.data();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < bpp; ++c) at(x, y)[c] = fill[c];
  }
  uint8_t* at(int x, int y) { return target.pixels + y * target.stride + x * target.bytes_per_pixel; }
  bool set(int x, int y) { return at(x, y)[0] != 0 || at(x, y)[1] != 0 || at(x, y)[2] != 0; }
  // Bounding box of the pixels that are not black: x0, y0, x1, y1 (inclusive); -1s if none.
  std::array<int, 4> extent() {
    std::array<int, 4> e = {INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x)
        if (set(x, y)) e = {std::min(e[0], x), std::min(e[1], y), std::max(e[2], x), std::max(e[3], y)};
    if (e[2] < 0) e = {-1, -1, -1, -1};
    return e;
  }
  int count() {
    int n = 0;
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x) n += set(x, y);
    return n;
  }
  // The slack bytes after each row were never written.
  bool slack_untouched() {
    for (int y = 0; y < target.height; ++y)
      for (int i = target.width * target.bytes_per_pixel; i < target.stride; ++i)
        if (memory[size_t(y) * target.stride + i] != 0xEE) return false;
    return true;
  }
};

// A toolkit pixel buffer with given pixels (R G B A each).
GdkPixbuf* make_image(int width, int height, bool alpha, const std::vector<std::array<uint8_t, 4>>& pixels) {
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  int n = gdk_pixbuf_get_n_channels(p);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* c = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * n;
      const auto& v = pixels[size_t(y) * width + x];
      for (int k = 0; k < n; ++k) c[k] = v[k];
    }
  return p;
}

int Released = 0;
void count_release(DrawTarget*) { ++Released; }

TEST(Drawing, StartStopAndRelease) {
  EXPECT_EQ(drawing_start(nullptr), 0);
  draw_box(0, 0, 5, 5, rgb(255, 255, 255));  // no current drawing: nothing happens
  drawing_stop();

  Canvas c(4, 4, 3);
  c.target.release = count_release;
  Released = 0;
  ASSERT_EQ(drawing_start(&c.target), 1);
  drawing_mode(DrawOutlined);
  drawing_origin(1, 1);
  drawing_stop();
  EXPECT_EQ(Released, 1);
  drawing_stop();
  EXPECT_EQ(Released, 1);

  // A new drawing starts with the default mode and origin.
  ASSERT_EQ(drawing_start(&c.target), 1);
  draw_box(0, 0, 2, 2, rgb(9, 9, 9));
  drawing_stop();
  EXPECT_EQ(c.extent(), (std::array<int, 4>{0, 0, 1, 1}));
  EXPECT_EQ(c.count(), 4);
  drawing_target_gone(&c.target);  // no drawing: nothing to end
}

TEST(Drawing, BoxesSpanNegativeSizesAndClip) {
  Canvas c(30, 30, 3);
  drawing_start(&c.target);
  draw_box(10, 10, -5, 3, rgb(255, 0, 0));
  drawing_stop();
  EXPECT_EQ(c.extent(), (std::array<int, 4>{5, 10, 9, 12}));
  EXPECT_EQ(c.count(), 15);

  Canvas d(30, 30, 3);
  drawing_start(&d.target);
  draw_box(-5, 25, 10, 100, rgb(0, 255, 0));      // cut at the left and bottom
  draw_box(40, 40, 5, 5, rgb(0, 255, 0));         // wholly outside
  draw_box(INT_MAX, INT_MIN, INT_MAX, INT_MIN, rgb(0, 255, 0));
  draw_box(0, 0, 0, 10, rgb(0, 255, 0));          // zero width
  drawing_stop();
  EXPECT_EQ(d.extent(), (std::array<int, 4>{0, 25, 4, 29}));
  EXPECT_EQ(d.count(), 25);
  EXPECT_TRUE(d.slack_untouched());

  Canvas e(20, 20, 3);
  drawing_start(&e.target);
  drawing_origin(2, 3);
  drawing_mode(DrawOutlined);
  draw_box(0, 0, 4, 3, rgb(1, 1, 1));
  drawing_stop();
  EXPECT_EQ(e.extent(), (std::array<int, 4>{2, 3, 5, 5}));
  EXPECT_EQ(e.count(), 10);
  EXPECT_FALSE(e.set(3, 4));

  Canvas f(20, 20, 3);
  drawing_start(&f.target);
  drawing_mode(DrawOutlined);
  draw_box(3, 2, 1, 6, rgb(1, 1, 1));
  draw_box(8, 9, 5, 1, rgb(1, 1, 1));
  drawing_stop();
  EXPECT_EQ(f.count(), 6 + 5);
  EXPECT_TRUE(f.set(3, 7));
  EXPECT_TRUE(f.set(12, 9));
}

TEST(Drawing, ShapeColoursInEachMode) {
  // Default mode replaces R G B and keeps the alpha byte of a 4-byte target.
  Canvas c(2, 1, 4, {10, 20, 30, 77});
  drawing_start(&c.target);
  draw_box(0, 0, 1, 1, 0xFF332211);
  drawing_mode(DrawAlphaBlend);
  draw_box(1, 0, 1, 1, rgb(200, 200, 200));  // alpha 0: no change
  drawing_stop();
  EXPECT_EQ(c.at(0, 0)[0], 0x11);
  EXPECT_EQ(c.at(0, 0)[1], 0x22);
  EXPECT_EQ(c.at(0, 0)[2], 0x33);
  EXPECT_EQ(c.at(0, 0)[3], 77);
  EXPECT_EQ(c.at(1, 0)[0], 10);

  // Alpha-blended colour on a 3-byte target: (200 * 128 + 0 * 127) / 255 = 100.
  Canvas d(1, 1, 3, {0, 255, 10});
  drawing_start(&d.target);
  drawing_mode(DrawAlphaBlend);
  draw_box(0, 0, 1, 1, 0x80000000u | rgb(200, 0, 10));
  drawing_stop();
  EXPECT_EQ(d.at(0, 0)[0], 100);
  EXPECT_EQ(d.at(0, 0)[1], 127);  // 255 * 127 / 255
  EXPECT_EQ(d.at(0, 0)[2], 10);
}

TEST(Drawing, ImagesBlendByTheirAlpha) {
  GdkPixbuf* image = make_image(3, 1, true, {{200, 0, 255, 128}, {1, 2, 3, 0}, {40, 50, 60, 255}});

  // 3-byte target: c = (s * a + d * (255 - a)) / 255.
  Canvas c(3, 1, 3, {0, 100, 0});
  drawing_start(&c.target);
  drawing_mode(DrawAlphaBlend);
  draw_image(image, 0, 0);
  drawing_stop();
  EXPECT_EQ(c.at(0, 0)[0], 100);            // 200 * 128 / 255
  EXPECT_EQ(c.at(0, 0)[1], 49);             // 100 * 127 / 255
  EXPECT_EQ(c.at(0, 0)[2], 128);            // 255 * 128 / 255
  EXPECT_EQ(c.at(1, 0)[1], 100);            // alpha 0 leaves the target
  EXPECT_EQ(c.at(2, 0)[0], 40);             // alpha 255 replaces it

  // 4-byte target, "over": a 128 over b 100, s 200 over d 50.
  // A = 128*255 + 100*127 = 45340; c = (50*127*100 + 200*128*255) / 45340 = 157; alpha 45340/255 = 177.
  Canvas d(3, 1, 4, {50, 50, 50, 100});
  d.at(2, 0)[3] = 0;  // a transparent target pixel takes the image pixel
  drawing_start(&d.target);
  drawing_mode(DrawAlphaBlend);
  draw_image(image, 0, 0);
  drawing_stop();
  EXPECT_EQ(d.at(0, 0)[0], 157);
  EXPECT_EQ(d.at(0, 0)[3], 177);
  EXPECT_EQ(d.at(1, 0)[0], 50);
  EXPECT_EQ(d.at(1, 0)[3], 100);
  EXPECT_EQ(d.at(2, 0)[0], 40);
  EXPECT_EQ(d.at(2, 0)[2], 60);
  EXPECT_EQ(d.at(2, 0)[3], 255);

  // Default mode copies R G B, transparent pixels included, and keeps the target's alpha.
  Canvas e(3, 1, 4, {9, 9, 9, 33});
  drawing_start(&e.target);
  draw_image(image, 0, 0);
  drawing_stop();
  EXPECT_EQ(e.at(1, 0)[0], 1);
  EXPECT_EQ(e.at(1, 0)[2], 3);
  EXPECT_EQ(e.at(1, 0)[3], 33);

  // An image without alpha is copied in the blend mode too.
  GdkPixbuf* opaque = make_image(1, 1, false, {{7, 8, 9, 0}});
  Canvas f(1, 1, 3);
  drawing_start(&f.target);
  drawing_mode(DrawAlphaBlend);
  draw_image(opaque, 0, 0);
  draw_image(nullptr, 0, 0);
  drawing_stop();
  EXPECT_EQ(f.at(0, 0)[0], 7);
  g_object_unref(opaque);
  g_object_unref(image);
}

TEST(Drawing, ImagesAreClippedAndScaled) {
  std::vector<std::array<uint8_t, 4>> px;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) px.push_back({uint8_t(10 + x * 60), uint8_t(10 + y * 60), 200, 255});
  GdkPixbuf* image = make_image(4, 4, false, px);

  Canvas c(6, 6, 3);
  drawing_start(&c.target);
  draw_image(image, -2, 4);
  drawing_stop();
  EXPECT_EQ(c.extent(), (std::array<int, 4>{0, 4, 1, 5}));
  EXPECT_EQ(c.at(0, 4)[0], 130);
  EXPECT_EQ(c.at(1, 5)[1], 70);
  EXPECT_TRUE(c.slack_untouched());

  // Scaled: the whole picture, and the same picture cut by the target's
  // edge, agree pixel for pixel.
  Canvas whole(20, 20, 3);
  drawing_start(&whole.target);
  draw_image(image, 0, 0, 13, 9);
  drawing_stop();
  EXPECT_EQ(whole.extent(), (std::array<int, 4>{0, 0, 12, 8}));
  GdkPixbuf* reference = gdk_pixbuf_scale_simple(image, 13, 9, GDK_INTERP_BILINEAR);
  const uint8_t* ref = gdk_pixbuf_read_pixels(reference);
  EXPECT_EQ(whole.at(6, 4)[0], ref[4 * gdk_pixbuf_get_rowstride(reference) + 6 * 3]);
  g_object_unref(reference);

  Canvas part(8, 5, 3);
  drawing_start(&part.target);
  draw_image(image, -5, -4, 13, 9);
  draw_image(image, 0, 0, 0, 9);  // no width: nothing
  draw_image(image, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  draw_image(image, -2000000000, 0, 2100000000, 5);
  drawing_stop();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x)
      for (int k = 0; k < 3; ++k) ASSERT_EQ(part.at(x, y)[k], whole.at(x + 5, y + 4)[k]) << x << "," << y;
  g_object_unref(image);
}

TEST(Drawing, CirclesAreCentredAndSpanTheirRadius) {
  for (int radius : {0, 1, 2, 5, 12}) {
    for (int mode : {DrawDefault, DrawOutlined}) {
      Canvas c(40, 40, 3);
      drawing_start(&c.target);
      drawing_mode(mode);
      draw_circle(20, 19, radius, rgb(255, 255, 255));
      drawing_stop();
      EXPECT_EQ(c.extent(), (std::array<int, 4>{20 - radius, 19 - radius, 20 + radius, 19 + radius}))
          << radius << " " << mode;
      // Symmetric about the centre.
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          ASSERT_EQ(c.set(20 + dx, 19 + dy), c.set(20 - dx, 19 + dy));
          ASSERT_EQ(c.set(20 + dx, 19 + dy), c.set(20 + dx, 19 - dy));
        }
      if (mode == DrawOutlined && radius > 0) {
        EXPECT_FALSE(c.set(20, 19));
        // One pixel wide: the centre row holds just its two ends.
        int row = 0;
        for (int x = 0; x < 40; ++x) row += c.set(x, 19);
        EXPECT_EQ(row, 2);
      } else {
        EXPECT_TRUE(c.set(20, 19));
      }
    }
  }

  Canvas edge(10, 10, 4);
  drawing_start(&edge.target);
  draw_circle(0, 9, 6, rgb(5, 5, 5));
  draw_circle(INT_MAX - 3, 5, INT_MAX, rgb(5, 5, 5));
  draw_circle(5, 5, -1, rgb(5, 5, 5));
  drawing_stop();
  EXPECT_TRUE(edge.set(0, 9));
  EXPECT_TRUE(edge.set(6, 9));
  EXPECT_TRUE(edge.slack_untouched());
}

TEST(Drawing, TextIsWhiteOnABlackBox) {
  if (!gdk_display_get_default()) GTEST_SKIP() << "text needs a display";
  EXPECT_EQ(text_width(u""), 0);
  EXPECT_EQ(text_height(u""), 0);
  int w = text_width(u"Hallo Welt");
  int h = text_height(u"Hallo Welt");
  ASSERT_GT(w, 10);
  ASSERT_GT(h, 5);
  EXPECT_LT(text_width(u"Hi"), w);
  EXPECT_EQ(text_height(u"Hi"), h);

  Canvas c(200, 60, 3, {50, 60, 70});
  drawing_start(&c.target);
  EXPECT_EQ(draw_text(7, 9, u"Hallo Welt"), 7 + w);
  drawing_stop();
  int white = 0, black = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint8_t* p = c.at(x, y);
      bool inside = x >= 7 && x < 7 + w && y >= 9 && y < 9 + h;
      if (!inside) {
        ASSERT_EQ(p[0], 50) << x << "," << y;
        continue;
      }
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
      white += p[0] == 255;
      black += p[0] == 0;
    }
  EXPECT_GT(white, 10);
  EXPECT_GT(black, w * h / 2);

  // Colours, the origin and clipping at every edge.
  Canvas d(30, 20, 4, {0, 0, 0, 99});
  drawing_start(&d.target);
  drawing_front_colour(rgb(255, 0, 0));
  drawing_back_colour(rgb(0, 0, 255));
  drawing_origin(-3, -2);
  EXPECT_EQ(draw_text(0, 0, u"Mmmmmmmmmmmmmmmm"), text_width(u"Mmmmmmmmmmmmmmmm"));
  draw_text(-500, -500, u"x");
  draw_text(25, 15, u"Hg");
  drawing_stop();
  EXPECT_EQ(d.at(0, 0)[2] + d.at(0, 0)[0], 255);
  EXPECT_EQ(d.at(0, 0)[1], 0);
  EXPECT_EQ(d.at(0, 0)[3], 99);
  EXPECT_TRUE(d.slack_untouched());
}

TEST(Drawing, EachThreadHasItsOwnDrawing) {
  Canvas main_canvas(4, 4, 3);
  Canvas thread_canvas(4, 4, 3);
  drawing_start(&main_canvas.target);
  std::thread other([&] {
    draw_box(0, 0, 4, 4, rgb(1, 1, 1));  // this thread has no drawing yet
    drawing_start(&thread_canvas.target);
    draw_box(0, 0, 1, 1, rgb(1, 1, 1));
    drawing_stop();
  });
  other.join();
  draw_box(3, 3, 1, 1, rgb(2, 2, 2));
  drawing_stop();
  EXPECT_EQ(main_canvas.count(), 1);
  EXPECT_TRUE(main_canvas.set(3, 3));
  EXPECT_EQ(thread_canvas.count(), 1);
  EXPECT_TRUE(thread_canvas.set(0, 0));
}

}  // namespace
