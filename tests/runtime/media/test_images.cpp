// Image loading (BMP, PNG, JPEG, recognised by content), damaged files, and
// copying, resizing and freeing images.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <climits>

#include "media_files.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

using Pixels = std::vector<uint32_t>;

// All pixels row by row: 0xRRGGBB for 24-bit images, 0xRRGGBBAA for 32-bit ones.
Pixels pixels_of(int number) {
  ImageHandle p = image_handle(number);
  const int n = gdk_pixbuf_get_n_channels(p), w = gdk_pixbuf_get_width(p);
  Pixels out;
  for (int i = 0; i < w * gdk_pixbuf_get_height(p); ++i) {
    const uint8_t* c = gdk_pixbuf_read_pixels(p) + i / w * gdk_pixbuf_get_rowstride(p) + i % w * n;
    out.push_back(n == 4 ? uint32_t(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3] : c[0] << 16 | c[1] << 8 | c[2]);
  }
  return out;
}

int load(const Bytes& b, int number = AnyNumber) { return image_load_memory(number, b.data(), b.size()); }

class Images : public testing::Test {
 protected:
  void TearDown() override { image_free(-1); }
};

TEST_F(Images, PicturesDecodeToKnownPixelsAndDamagedOnesToNoImage) {
  for (const SamplePicture& e : sample_pictures()) {
    int a = load(e.file);
    ASSERT_NE(a, 0) << e.name;
    EXPECT_EQ(std::vector<int>({image_width(a), image_depth(a), image_file_depth(a),
                                gdk_pixbuf_get_rowstride(image_handle(a))}),
              std::vector<int>({e.width, e.depth, e.file_depth, e.stride})) << e.name;
    EXPECT_EQ(pixels_of(a), e.pixels) << e.name;
  }
  // JPEG: grey, colour and CMYK as stored by the usual inverted files (R = C * K / 255).
  for (auto [sample, rgb] :
       {std::pair{Bytes{200, 40, 90}, 0xC8285A}, {Bytes{77}, 0x4D4D4D}, {Bytes{255, 128, 0, 200}, 0xC86400}}) {
    Bytes samples;
    for (int i = 0; i < 64; ++i) samples.insert(samples.end(), sample.begin(), sample.end());
    int a = load(make_jpeg(8, 8, int(sample.size()), samples));
    ASSERT_NE(a, 0);
    EXPECT_EQ(image_depth(a) * 100 + image_file_depth(a), 2400 + int(sample.size()) * 8);
    for (int shift : {16, 8, 0}) EXPECT_NEAR(int(pixels_of(a)[27] >> shift & 255), int(rgb >> shift & 255), 3);
  }

  for (const Bytes& tiny : {Bytes{'B', 'M'}, Bytes{0xFF, 0xD8}, Bytes{0x89, 'P'}, Bytes{}}) EXPECT_EQ(load(tiny), 0);
  EXPECT_EQ(image_load(AnyNumber, u"/nonexistent/folder/x.png"), 0);
  // BMP fields (offset, value, size): pixel data beyond the file, rows running
  // past it, no such bit count, too tall; run-length data ending before the
  // picture, inside an absolute run or a delta; a tiny file asking for 3 GB.
  const Bytes bmp = make_bmp(2, 2, 24, 0, {}, Bytes(16, 7));
  for (auto [at, value, size] : {std::tuple{10, 5000u, 4}, {18, 3000u, 4}, {28, 7u, 2}, {22, 32768u, 4}}) {
    Bytes b = bmp;
    put(b, at, value, size);
    EXPECT_EQ(load(b), 0) << at << " " << value;
  }
  for (const Bytes& rle : {Bytes{4, 0, 0, 0}, Bytes{0, 4, 0, 0}, Bytes{0, 2, 1}})
    EXPECT_EQ(load(make_bmp(4, 4, 8, 1, {0xFF}, rle)), 0);
  EXPECT_EQ(load(make_bmp(32767, 32767, 8, 1, {0xFF}, {0, 1})), 0);
  EXPECT_NE(load(bmp, 5), 0);  // a failed load into a fixed number leaves no image under it
  EXPECT_EQ(load(make_bmp(4, 4, 8, 1, {0xFF}, {4, 0}), 5) + image_width(5), 0);
  Bytes png = sample_pictures().back().file;  // the interlaced PNG
  EXPECT_EQ(load(Bytes(png.begin(), png.begin() + 40)) + load(Bytes(png.begin(), png.end() - 30)), 0);
  Bytes jpeg = make_jpeg(32, 32, 1, Bytes(32 * 32, 99));
  EXPECT_EQ(load(Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)), 0);
}

TEST_F(Images, ResizeCopyAndOutput) {
  // Columns alternately black and green: smooth scaling mixes them, raw scaling does not.
  Bytes rows;
  for (int i = 0; i < 100 * 80; ++i) rows.insert(rows.end(), {0, uint8_t(i % 2 * 255), 9});
  int a = load(make_bmp(100, 80, 24, 0, {}, rows));
  ImageHandle before = image_handle(a);
  EXPECT_EQ(image_resize(a, Ignore, Ignore), before);
  int b = image_copy(a, AnyNumber);
  ASSERT_NE(image_resize(a, 50, Ignore), nullptr);
  EXPECT_EQ(image_width(a) * 1000 + image_height(a), 50080);
  const uint32_t mixed = pixels_of(a)[10] >> 8 & 255;
  EXPECT_TRUE(mixed > 0 && mixed < 255) << mixed;
  ASSERT_NE(image_resize(b, 37, 40, ResizeRaw), nullptr);
  for (uint32_t p : pixels_of(b)) ASSERT_TRUE(p == 0x090000 || p == 0x09FF00) << std::hex << p;

  // A copy keeps depth and file depth; drawing on it leaves the original.
  const Bytes png = make_png({.width = 2, .colour_type = PNG_COLOR_TYPE_PALETTE, .palette = {1, 2, 3, 4, 5, 6},
                              .trns = {99, 8}, .rows = {{0, 1}}});
  int c = load(png), d = image_copy(c, AnyNumber);
  EXPECT_EQ(image_depth(d) * 100 + image_file_depth(d), 3208);
  ASSERT_EQ(drawing_start(image_output(d)), 1);
  draw_box(1, 0, 1, 1, rgb(100, 110, 120));
  drawing_stop();
  EXPECT_EQ(pixels_of(d), (Pixels{0x01020363, 0x646E7808}));
  EXPECT_EQ(pixels_of(c), (Pixels{0x01020363, 0x04050608}));

  // Versions: every drawing, resize or output takes a value never seen before;
  // reading the pixels keeps it; a picture loaded after one was freed is new
  // too, wherever its pixels lie.
  std::vector<uint64_t> seen{image_version(a), image_version(b), image_version(d)};
  auto fresh = [&](const char* step) {
    uint64_t v = image_version(c);
    EXPECT_TRUE(v != 0 && std::find(seen.begin(), seen.end(), v) == seen.end()) << step;
    seen.push_back(v);
  };
  fresh("load");
  image_view(c);
  EXPECT_EQ(image_version(c), seen.back());
  drawing_start(image_output(c));
  fresh("output");
  drawing_stop();
  fresh("drawing");
  image_resize(c, 4, 4, ResizeRaw);
  fresh("resize");
  image_free(c);
  EXPECT_EQ(image_version(c), 0u);
  c = load(png);
  fresh("load after free");
}

}  // namespace
