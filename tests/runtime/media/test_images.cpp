// Image loading (BMP, PNG, JPEG, recognised by content), damaged files, and
// copying, resizing and freeing images.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <cstdio>
#include <tuple>

#include "media_files.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

using Pixels = std::vector<uint32_t>;

// All pixels row by row: 0xRRGGBB for 24-bit images, 0xRRGGBBAA for 32-bit ones.
Pixels pixels_of(int number) {
  Pixels out;
  ImageHandle p = image_handle(number);
  const int n = p ? gdk_pixbuf_get_n_channels(p) : 0;
  for (int y = 0; p && y < gdk_pixbuf_get_height(p); ++y)
    for (int x = 0; x < gdk_pixbuf_get_width(p); ++x) {
      const uint8_t* c = gdk_pixbuf_read_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * n;
      out.push_back(0);
      for (int k = 0; k < n; ++k) out.back() = out.back() << 8 | c[k];
    }
  return out;
}

int load(const Bytes& b, int number = AnyNumber) { return image_load_memory(number, b.data(), b.size()); }

Bytes patched(Bytes b, size_t at, uint32_t value, int size = 4) {
  put(b, at, value, size);
  return b;
}

class Images : public testing::Test {
 protected:
  void TearDown() override { image_free(-1); }
};

TEST_F(Images, SamplePicturesDecodeToKnownPixels) {
  for (const SamplePicture& e : sample_pictures()) {
    SCOPED_TRACE(e.name);
    int a = load(e.file);
    ASSERT_NE(a, 0);
    EXPECT_EQ(image_width(a) * image_height(a), int(e.pixels.size()));
    EXPECT_EQ(image_width(a), e.width);
    EXPECT_EQ(image_depth(a), e.depth);
    EXPECT_EQ(image_file_depth(a), e.file_depth);
    EXPECT_EQ(gdk_pixbuf_get_rowstride(image_handle(a)), e.stride);
    EXPECT_EQ(pixels_of(a), e.pixels);
  }
}

TEST_F(Images, JpegGreyColourAndCmykAndTheContentDecidesNotTheName) {
  // CMYK as stored by the usual inverted files: R = C * K / 255.
  for (auto [sample, rgb] : {std::pair{Bytes{200, 40, 90}, 0xC8285A}, {Bytes{77}, 0x4D4D4D},
                             {Bytes{255, 128, 0, 200}, 0xC86400}}) {
    Bytes samples;
    for (int i = 0; i < 64; ++i) samples.insert(samples.end(), sample.begin(), sample.end());
    std::string path = testing::TempDir() + "tavrel-jpeg.png";
    Bytes jpeg = make_jpeg(8, 8, int(sample.size()), samples);
    ASSERT_TRUE(g_file_set_contents(path.c_str(), reinterpret_cast<const char*>(jpeg.data()), gssize(jpeg.size()), nullptr));
    int a = image_load(AnyNumber, string_from_utf8(path));
    std::remove(path.c_str());
    ASSERT_NE(a, 0);
    EXPECT_EQ(image_depth(a), 24);
    EXPECT_EQ(image_file_depth(a), int(sample.size()) * 8);
    const uint32_t p = pixels_of(a)[27];
    for (int shift : {16, 8, 0}) EXPECT_NEAR(int(p >> shift & 255), int(rgb >> shift & 255), 3) << sample.size();
  }
  for (const Bytes& tiny : {Bytes{'B', 'M'}, Bytes{0xFF, 0xD8}, Bytes{0x89, 'P'}, Bytes{}, Bytes{'h', 'e', 'l', 'l', 'o'}})
    EXPECT_EQ(load(tiny), 0) << tiny.size();
  EXPECT_EQ(image_load(AnyNumber, u"/nonexistent/folder/x.png") + image_load(AnyNumber, u""), 0);
}

TEST_F(Images, DamagedAndHostileFilesGiveNoImage) {
  const Bytes bmp = make_bmp(2, 2, 24, 0, {}, Bytes(16, 7));
  ASSERT_NE(load(bmp), 0);
  // Fields (offset, value, size): a reserved field; pixel data beyond the file;
  // an unknown header size; widths and heights of 0, negative or too large;
  // rows running past the file; no such bit count; 4-bit RLE.
  for (auto [at, value, size] : {std::tuple{6, 1u, 2}, {10, 5000u, 4}, {14, 20u, 4}, {18, 0u, 4}, {18, uint32_t(-2), 4},
                                 {22, 32768u, 4}, {22, uint32_t(INT_MIN), 4}, {18, 3000u, 4}, {28, 7u, 2}, {30, 2u, 4}})
    EXPECT_EQ(load(patched(bmp, at, value, size)), 0) << at << " " << value;
  EXPECT_EQ(load(Bytes(bmp.begin(), bmp.end() - 4)), 0);
  // Run-length data ending before the picture, inside an absolute run or a
  // delta; a picture beyond the memory limit.
  for (const Bytes& rle : {Bytes{4, 0, 0, 0}, Bytes{0, 4, 0, 0}, Bytes{0, 2, 1}})
    EXPECT_EQ(load(make_bmp(4, 4, 8, 1, {0xFF}, rle)), 0);
  image_set_memory_limit(4096);
  EXPECT_EQ(load(make_bmp(40, 40, 8, 1, {0xFF}, {0, 1})), 0);
  image_set_memory_limit(0);
  EXPECT_NE(load(make_bmp(40, 40, 8, 1, {0xFF}, {0, 1})), 0);
  // A failed load into a fixed number leaves no image under it.
  EXPECT_NE(load(bmp, 5), 0);
  EXPECT_EQ(load(make_bmp(4, 4, 8, 1, {0xFF}, {4, 0}), 5), 0);
  EXPECT_EQ(image_width(5), 0);

  const Bytes png = sample_pictures().back().file;  // the interlaced PNG
  for (size_t cut : {8, 40}) EXPECT_EQ(load(Bytes(png.begin(), png.begin() + cut)), 0) << cut;
  EXPECT_EQ(load(Bytes(png.begin(), png.end() - 30)), 0);
  EXPECT_EQ(load(patched(png, 29, png[29] ^ 0xFF, 1)), 0);  // IHDR's checksum
  Bytes colour(32 * 32 * 3);
  for (size_t i = 0; i < colour.size(); ++i) colour[i] = uint8_t(i * 7 + i / 96);
  const Bytes jpeg = make_jpeg(32, 32, 3, colour);
  EXPECT_EQ(load(Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)), 0);
  Bytes garbage = jpeg;
  for (size_t i = 2; i < 200; ++i) garbage[i] = uint8_t(i * 31);
  EXPECT_EQ(load(garbage), 0);
}

TEST_F(Images, ResizeCopyAndOutput) {
  // Columns alternately black and green: smooth scaling mixes them, raw scaling does not.
  Bytes rows;
  for (int i = 0; i < 100 * 80; ++i) rows.insert(rows.end(), {0, uint8_t(i % 2 * 255), 9});
  int a = load(make_bmp(100, 80, 24, 0, {}, rows));
  ImageHandle before = image_handle(a);
  EXPECT_EQ(image_resize(a, Ignore, Ignore), before);
  EXPECT_EQ(image_resize(a, 100, Ignore, ResizeRaw), before);
  int b = image_copy(a, AnyNumber);
  ASSERT_NE(image_resize(a, 50, Ignore), nullptr);
  EXPECT_EQ(image_width(a) * 1000 + image_height(a), 50080);
  const uint32_t mixed = pixels_of(a)[10] >> 8 & 255;
  EXPECT_TRUE(mixed > 0 && mixed < 255) << mixed;
  ASSERT_NE(image_resize(b, 37, 40, ResizeRaw), nullptr);
  for (uint32_t p : pixels_of(b)) ASSERT_TRUE(p == 0x090000 || p == 0x09FF00) << std::hex << p;
  for (auto [w, h] : {std::pair{0, 10}, {40000, 10}}) EXPECT_EQ(image_resize(b, w, h), nullptr) << w;
  EXPECT_EQ(image_width(b) * 1000 + image_height(b), 37040);  // a failed resize changes nothing

  // A copy keeps depth and file depth; drawing on it leaves the original.
  int c = load(make_png({.width = 2, .colour_type = PNG_COLOR_TYPE_PALETTE, .palette = {1, 2, 3, 4, 5, 6},
                         .trns = {99, 8}, .rows = {{0, 1}}}));
  int d = image_copy(c, AnyNumber);
  EXPECT_EQ(image_depth(d) * 100 + image_file_depth(d), 3208);
  DrawTarget* t = image_output(d);
  ASSERT_TRUE(t && t->bytes_per_pixel == 4);
  ASSERT_EQ(drawing_start(t), 1);
  draw_box(1, 0, 1, 1, rgb(100, 110, 120));
  drawing_stop();
  EXPECT_EQ(pixels_of(d), (Pixels{0x01020363, 0x646E7808}));
  EXPECT_EQ(pixels_of(c), (Pixels{0x01020363, 0x04050608}));
  // Freeing the image ends a drawing aimed at it; later calls draw nothing.
  ASSERT_EQ(drawing_start(image_output(d)), 1);
  image_free(d);
  draw_box(0, 0, 2, 1, 0);
  drawing_stop();
  EXPECT_EQ(image_output(d), nullptr);
}

}  // namespace
