// 2D drawing: modes and blend formulas, boxes, circles and images. (Text is
// checked by the application's hover label and export tests.)
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "runtime/media/drawing.h"

namespace {

using Channels = std::vector<int>;
using Shape = std::array<int, 5>;  // bounding box x0, y0, x1, y1 (inclusive) and count of non-black pixels
constexpr Shape None = {INT_MAX, INT_MAX, -1, -1, 0};

// A pixel buffer filled with one colour.
struct Canvas {
  std::vector<uint8_t> memory;
  DrawTarget target;
  Canvas(int width, int height, Channels fill = {0, 0, 0}) : memory(size_t(width) * height * fill.size()) {
    target = {memory.data(), int(width * fill.size()), width, height, int(fill.size())};
    for (size_t i = 0; i < memory.size(); ++i) memory[i] = uint8_t(fill[i % fill.size()]);
  }
  Channels get(int x, int y) {
    const uint8_t* p = target.pixels + y * target.stride + x * target.bytes_per_pixel;
    return Channels(p, p + target.bytes_per_pixel);
  }
  Shape shape() {
    Shape s = None;
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width; ++x)
        if (get(x, y) != Channels{0, 0, 0})
          s = {std::min(s[0], x), std::min(s[1], y), std::max(s[2], x), std::max(s[3], y), s[4] + 1};
    return s;
  }
};

GdkPixbuf* make_image(int width, int height, const std::vector<Channels>& pixels) {
  const int n = int(pixels[0].size());
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, n == 4, 8, width, height);
  for (int i = 0; i < width * height; ++i)
    std::copy(pixels[i].begin(), pixels[i].end(),
              gdk_pixbuf_get_pixels(p) + i / width * gdk_pixbuf_get_rowstride(p) + i % width * n);
  return p;
}

int Released = 0;

TEST(Drawing, BoxesAndCircles) {
  const struct { int x, y, w, h, mode, origin; Shape shape; } boxes[] = {
      {10, 10, -5, 3, DrawDefault, 0, {5, 10, 9, 12, 15}},    {-5, 25, 10, 100, DrawDefault, 0, {0, 25, 4, 29, 25}},
      {INT_MAX, INT_MIN, INT_MAX, INT_MIN, DrawDefault, 0, None}, {0, 0, 4, 3, DrawOutlined, 2, {2, 2, 5, 4, 10}},
      {3, 2, 1, 6, DrawOutlined, 0, {3, 2, 3, 7, 6}},         {28, -1, 5, 4, DrawOutlined, 0, {28, 0, 29, 2, 4}},
      {0, 0, 3, 3, DrawDefault, 0, {0, 0, 2, 2, 9}}};  // mode and origin of the case before are gone
  for (const auto& b : boxes) {
    Canvas c(30, 30);
    c.target.release = [](DrawTarget*) { ++Released; };
    drawing_start(&c.target);
    drawing_mode(b.mode);
    drawing_origin(b.origin, b.origin);
    draw_box(b.x, b.y, b.w, b.h, rgb(255, 1, 1));
    drawing_stop();
    drawing_stop();
    EXPECT_EQ(c.shape(), b.shape) << b.x << "," << b.y;
  }
  EXPECT_EQ(Released, 7);

  // Circles are centred and span their radius; an outline is one pixel wide,
  // so the centre row holds just its two ends.
  for (int r : {0, 1, 7})
    for (int mode : {DrawDefault, DrawOutlined}) {
      Canvas c(40, 40);
      drawing_start(&c.target);
      drawing_mode(mode);
      draw_circle(20, 19, r, rgb(255, 255, 255));
      drawing_stop();
      Shape s = c.shape();
      EXPECT_EQ(s, (Shape{20 - r, 19 - r, 20 + r, 19 + r, s[4]})) << r << " " << mode;
      int centre_row = 0;
      for (int x = 0; x < 40; ++x) centre_row += c.get(x, 19) != Channels{0, 0, 0};
      EXPECT_EQ(centre_row, mode == DrawOutlined && r > 0 ? 2 : 2 * r + 1) << r;
    }
}

TEST(Drawing, BlendFormulas) {
  const struct {
    bool image;  // a 1 x 1 image of the source pixel, else a box in its colour
    Channels source, target;
    int mode;
    Channels expected;
  } cases[] = {
      // 3-byte target: c = (s * a + d * (255 - a)) / 255.
      {true, {200, 0, 255, 128}, {100, 100, 0}, DrawAlphaBlend, {150, 49, 128}},
      // 4-byte target, "over" with a 128 onto b 100: A = 128*255 + 100*127 = 45340,
      // red (50*127*100 + 200*128*255) / 45340 = 157, alpha A / 255 = 177. Alpha
      // 0 keeps even a transparent target pixel, which takes any other pixel.
      {true, {200, 0, 255, 128}, {50, 50, 50, 100}, DrawAlphaBlend, {157, 14, 197, 177}},
      {true, {1, 2, 3, 0}, {50, 50, 50, 0}, DrawAlphaBlend, {50, 50, 50, 0}},
      {true, {40, 50, 60, 200}, {50, 50, 50, 0}, DrawAlphaBlend, {40, 50, 60, 200}},
      // Boxes blend by their colour's alpha; without blending R G B are
      // replaced, a transparent image pixel's too, and the target keeps its alpha.
      {false, {200, 0, 10, 128}, {0, 255, 10}, DrawAlphaBlend, {100, 127, 10}},
      {true, {1, 2, 3, 0}, {9, 9, 9, 33}, DrawDefault, {1, 2, 3, 33}},
  };
  for (const auto& c : cases) {
    Canvas t(1, 1, c.target);
    GdkPixbuf* image = make_image(1, 1, {c.source});
    drawing_start(&t.target);
    drawing_mode(c.mode);
    if (c.image)
      draw_image(image, 0, 0);
    else
      draw_box(0, 0, 1, 1, rgb(c.source[0], c.source[1], c.source[2]) | uint32_t(c.source[3]) << 24);
    drawing_stop();
    g_object_unref(image);
    EXPECT_EQ(t.get(0, 0), c.expected) << &c - cases;
  }
}

TEST(Drawing, ImagesAreClippedAndScaled) {
  std::vector<Channels> px;
  for (int i = 0; i < 16; ++i) px.push_back({10 + i % 4 * 60, 10 + i / 4 * 60, 200});
  GdkPixbuf* image = make_image(4, 4, px);
  Canvas c(6, 6), whole(20, 20), part(8, 5);
  drawing_start(&c.target);
  draw_image(image, -2, 4);
  drawing_start(&whole.target);
  draw_image(image, 0, 0, 13, 9);
  // The scaled picture cut by the target's edges agrees with the whole one pixel for pixel.
  drawing_start(&part.target);
  draw_image(image, -5, -4, 13, 9);
  draw_image(image, 0, 0, 0, 9);
  draw_image(nullptr, 0, 0);
  draw_image(image, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  drawing_stop();
  g_object_unref(image);
  EXPECT_EQ(c.shape(), (Shape{0, 4, 1, 5, 4}));
  EXPECT_EQ(c.get(0, 4), (Channels{130, 10, 200}));
  EXPECT_EQ(c.get(1, 5), (Channels{190, 70, 200}));
  EXPECT_EQ(whole.shape(), (Shape{0, 0, 12, 8, 13 * 9}));
  for (int i = 0; i < 40; ++i) ASSERT_EQ(part.get(i % 8, i / 8), whole.get(i % 8 + 5, i / 8 + 4)) << i;
}

}  // namespace
