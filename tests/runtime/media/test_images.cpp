// Image loading (BMP, PNG, JPEG, recognised by content), damaged files, and
// copying, resizing and freeing images.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <climits>

#include "media_files.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/objects.h"

namespace {

using Pixel = std::array<int, 4>;  // R G B A (A 255 for 24-bit images)

Pixel pixel(int number, int x, int y) {
  ImageHandle p = image_handle(number);
  const uint8_t* row = gdk_pixbuf_read_pixels(p) + y * gdk_pixbuf_get_rowstride(p);
  int n = gdk_pixbuf_get_n_channels(p);
  const uint8_t* c = row + x * n;
  return {c[0], c[1], c[2], n == 4 ? c[3] : 255};
}

Pixel rgb_pixel(int r, int g, int b) { return {r, g, b, 255}; }

int load(const Bytes& bytes) { return image_load_memory(AnyNumber, bytes.data(), bytes.size()); }

class Images : public testing::Test {
 protected:
  void TearDown() override { image_free(-1); }
};

// --- BMP ---------------------------------------------------------------

TEST_F(Images, BmpPaletteLayoutsAreDecodedBottomUpWithTheirColours) {
  std::vector<uint32_t> palette = {bgr(10, 20, 30), bgr(200, 100, 50), bgr(1, 2, 3), bgr(4, 5, 6)};
  // 1 bit, 10 x 2: bottom row (stored first) 1010101010, top row 0000000001.
  Bytes one = {0xAA, 0x80, 0, 0, 0x00, 0x40, 0, 0};
  int a = load(make_bmp(10, 2, 1, 0, {palette[0], palette[1]}, one));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_width(a), 10);
  EXPECT_EQ(image_height(a), 2);
  EXPECT_EQ(image_depth(a), 24);
  EXPECT_EQ(image_file_depth(a), 1);
  EXPECT_EQ(pixel(a, 0, 1), rgb_pixel(200, 100, 50));
  EXPECT_EQ(pixel(a, 1, 1), rgb_pixel(10, 20, 30));
  EXPECT_EQ(pixel(a, 8, 1), rgb_pixel(200, 100, 50));
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(10, 20, 30));
  EXPECT_EQ(pixel(a, 9, 0), rgb_pixel(200, 100, 50));

  // 4 bits, 3 x 1: indices 2, 3, 0.
  int b = load(make_bmp(3, 1, 4, 0, palette, {0x23, 0x00, 0, 0}));
  ASSERT_NE(b, 0);
  EXPECT_EQ(image_file_depth(b), 4);
  EXPECT_EQ(pixel(b, 0, 0), rgb_pixel(1, 2, 3));
  EXPECT_EQ(pixel(b, 1, 0), rgb_pixel(4, 5, 6));
  EXPECT_EQ(pixel(b, 2, 0), rgb_pixel(10, 20, 30));

  // 8 bits, 2 x 2, with an index beyond the 4-entry table: black.
  int c = load(make_bmp(2, 2, 8, 0, palette, {3, 200, 0, 0, 1, 2, 0, 0}));
  ASSERT_NE(c, 0);
  EXPECT_EQ(pixel(c, 0, 1), rgb_pixel(4, 5, 6));
  EXPECT_EQ(pixel(c, 1, 1), rgb_pixel(0, 0, 0));
  EXPECT_EQ(pixel(c, 0, 0), rgb_pixel(200, 100, 50));
  EXPECT_EQ(pixel(c, 1, 0), rgb_pixel(1, 2, 3));
}

TEST_F(Images, BmpDirectColourLayouts) {
  // 16 bits 5-5-5: red 31, green 16, blue 1 -> 0x7E01; then pure blue.
  int a = load(make_bmp(2, 1, 16, 0, {}, {0x01, 0x7E, 0x1F, 0x00}));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_file_depth(a), 16);
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(255, 132, 8));
  EXPECT_EQ(pixel(a, 1, 0), rgb_pixel(0, 0, 255));

  // 16 bits with bit fields and no masks in the file: 5-6-5. Green 63 -> 0x07E0.
  int b = load(make_bmp(2, 1, 16, 3, {}, {0xE0, 0x07, 0x00, 0xF8}));
  ASSERT_NE(b, 0);
  EXPECT_EQ(pixel(b, 0, 0), rgb_pixel(0, 255, 0));
  EXPECT_EQ(pixel(b, 1, 0), rgb_pixel(255, 0, 0));

  // 16 bits with explicit 5-5-5 masks: 0x7C00 is pure red.
  int c = load(make_bmp(1, 1, 16, 3, {}, {0x00, 0x7C, 0, 0}, {0x7C00, 0x03E0, 0x001F}));
  ASSERT_NE(c, 0);
  EXPECT_EQ(pixel(c, 0, 0), rgb_pixel(255, 0, 0));

  // 24 bits, 5 x 2: rows of 15 bytes padded to 16.
  Bytes rows;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) rows.insert(rows.end(), {uint8_t(x), uint8_t(10 * y), uint8_t(100 + x)});
    rows.push_back(0);
  }
  int d = load(make_bmp(5, 2, 24, 0, {}, rows));
  ASSERT_NE(d, 0);
  EXPECT_EQ(image_file_depth(d), 24);
  EXPECT_EQ(gdk_pixbuf_get_rowstride(image_handle(d)), 16);  // 3 * 5 + 5 % 4
  EXPECT_EQ(pixel(d, 4, 1), rgb_pixel(104, 0, 4));              // stored first: bottom row
  EXPECT_EQ(pixel(d, 3, 0), rgb_pixel(103, 10, 3));

  // 32 bits B G R unused, and 32-bit bit fields (the usual 8-8-8 masks).
  int e = load(make_bmp(1, 1, 32, 0, {}, {1, 2, 3, 99}));
  ASSERT_NE(e, 0);
  EXPECT_EQ(image_depth(e), 24);
  EXPECT_EQ(pixel(e, 0, 0), rgb_pixel(3, 2, 1));
  int f = load(make_bmp(1, 1, 32, 3, {}, {1, 2, 3, 99}, {0xFF0000, 0xFF00, 0xFF}));
  ASSERT_NE(f, 0);
  EXPECT_EQ(pixel(f, 0, 0), rgb_pixel(3, 2, 1));
}

TEST_F(Images, BmpWithNegativeHeightIsReadTopDown) {
  int a = load(make_bmp(1, -2, 24, 0, {}, {0, 0, 255, 0, 0, 255, 0, 0}));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_height(a), 2);
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(255, 0, 0));
  EXPECT_EQ(pixel(a, 0, 1), rgb_pixel(0, 255, 0));
}

TEST_F(Images, BmpRunLengthEscapes) {
  std::vector<uint32_t> palette = {bgr(0, 0, 0), bgr(255, 0, 0), bgr(0, 255, 0), bgr(0, 0, 255)};
  // 6 x 4 picture, rows stored bottom-up.
  Bytes rle = {
      3, 1,           // row 0: three red
      0, 3, 2, 3, 2,  // absolute run of three (green blue green) + pad byte
      0,
      0, 0,           // end of line
      0, 2, 2, 1,     // delta: right 2, up 1 -> row 2, x 2
      2, 3,           // two blue at x 2, 3
      0, 0,           // end of line -> row 3
      9, 2,           // a run of 9 green cut at the row's end
      0, 1,           // end of bitmap
  };
  int a = load(make_bmp(6, 4, 8, 1, palette, rle));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_file_depth(a), 8);
  // Row 0 of the file is the bottom row (y 3).
  EXPECT_EQ(pixel(a, 0, 3), rgb_pixel(255, 0, 0));
  EXPECT_EQ(pixel(a, 2, 3), rgb_pixel(255, 0, 0));
  EXPECT_EQ(pixel(a, 3, 3), rgb_pixel(0, 255, 0));
  EXPECT_EQ(pixel(a, 4, 3), rgb_pixel(0, 0, 255));
  EXPECT_EQ(pixel(a, 5, 3), rgb_pixel(0, 255, 0));
  // Row 1 skipped entirely by the delta: black.
  for (int x = 0; x < 6; ++x) EXPECT_EQ(pixel(a, x, 2), rgb_pixel(0, 0, 0));
  // Row 2: black, black, blue, blue, black, black.
  EXPECT_EQ(pixel(a, 1, 1), rgb_pixel(0, 0, 0));
  EXPECT_EQ(pixel(a, 2, 1), rgb_pixel(0, 0, 255));
  EXPECT_EQ(pixel(a, 3, 1), rgb_pixel(0, 0, 255));
  EXPECT_EQ(pixel(a, 4, 1), rgb_pixel(0, 0, 0));
  // Row 3: green to the edge.
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(0, 255, 0));
  EXPECT_EQ(pixel(a, 5, 0), rgb_pixel(0, 255, 0));

  // A delta past the picture ends it; an absolute run past the row is cut.
  int b = load(make_bmp(2, 2, 8, 1, palette, {0, 4, 1, 2, 3, 1, 0, 2, 0, 9}));
  ASSERT_NE(b, 0);
  EXPECT_EQ(pixel(b, 0, 1), rgb_pixel(255, 0, 0));
  EXPECT_EQ(pixel(b, 1, 1), rgb_pixel(0, 255, 0));
  EXPECT_EQ(pixel(b, 0, 0), rgb_pixel(0, 0, 0));

  // Lines ended without an end-of-bitmap escape are complete.
  EXPECT_NE(load(make_bmp(1, 2, 8, 1, palette, {1, 1, 0, 0, 1, 2, 0, 0})), 0);
}

TEST_F(Images, DamagedBmpFilesGiveNoImage) {
  Bytes good = make_bmp(2, 2, 24, 0, {}, Bytes(16, 7));
  ASSERT_NE(load(good), 0);

  auto with = [&](size_t at, uint32_t value, bool wide = true) {
    Bytes b = good;
    if (wide)
      put_u32(b, at, value);
    else
      put_u16(b, at, value);
    return load(b);
  };
  EXPECT_EQ(with(6, 1, false), 0);            // reserved field
  EXPECT_EQ(with(10, 5000), 0);               // pixel data beyond the file
  EXPECT_EQ(with(10, 0xFFFFFFFF), 0);
  EXPECT_EQ(with(18, 0), 0);                  // width 0
  EXPECT_EQ(with(18, uint32_t(-2)), 0);       // negative width
  EXPECT_EQ(with(18, 32768), 0);              // too wide
  EXPECT_EQ(with(22, 0), 0);
  EXPECT_EQ(with(22, 32768), 0);
  EXPECT_EQ(with(22, uint32_t(INT_MIN)), 0);  // negative height without a positive counterpart
  EXPECT_EQ(with(18, 3000), 0);               // rows would run past the file
  EXPECT_EQ(with(28, 7, false), 0);           // no such bit count
  EXPECT_EQ(with(30, 2), 0);                  // 4-bit run-length: refused
  EXPECT_EQ(with(30, 4), 0);                  // embedded JPEG: refused
  EXPECT_EQ(with(14, 20), 0);                 // unknown header size

  Bytes truncated(good.begin(), good.end() - 4);
  EXPECT_EQ(load(truncated), 0);
  Bytes header_only(good.begin(), good.begin() + 20);
  EXPECT_EQ(load(header_only), 0);

  // Run-length data: truncated before the picture is complete, cut inside an
  // absolute run, delta cut short, top-down rows.
  std::vector<uint32_t> palette = {bgr(1, 1, 1)};
  EXPECT_EQ(load(make_bmp(4, 4, 8, 1, palette, {4, 0, 0, 0})), 0);
  EXPECT_EQ(load(make_bmp(4, 4, 8, 1, palette, {0, 4, 0, 0})), 0);
  EXPECT_EQ(load(make_bmp(4, 4, 8, 1, palette, {0, 2, 1})), 0);
  EXPECT_EQ(load(make_bmp(1, -1, 8, 1, palette, {1, 0, 0, 1})), 0);

  // A colour count far larger than the file, and a table cut by the file's end.
  Bytes huge_table = make_bmp(1, 1, 8, 0, {bgr(9, 9, 9)}, {0, 0, 0, 0});
  put_u32(huge_table, 46, 0x7FFFFFFF);
  int h = load(huge_table);
  ASSERT_NE(h, 0);
  EXPECT_EQ(pixel(h, 0, 0), rgb_pixel(9, 9, 9));
}

TEST_F(Images, BmpRunLengthCannotAskForAbsurdMemory) {
  // 32767 x 32767 at 3 bytes a pixel from a few bytes of run-length data is
  // beyond the memory limit.
  Bytes tiny = make_bmp(32767, 32767, 8, 1, {bgr(1, 1, 1)}, {0, 1});
  EXPECT_EQ(load(tiny), 0);
  image_set_memory_limit(4096);
  EXPECT_EQ(load(make_bmp(40, 40, 8, 1, {bgr(1, 1, 1)}, {0, 1})), 0);
  image_set_memory_limit(0);
  EXPECT_NE(load(make_bmp(40, 40, 8, 1, {bgr(1, 1, 1)}, {0, 1})), 0);
}

// --- PNG ---------------------------------------------------------------

TEST_F(Images, PngPaletteWithTransparencyHasAlpha) {
  PngSpec s;
  s.width = 3;
  s.height = 1;
  s.colour_type = PNG_COLOR_TYPE_PALETTE;
  s.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  s.trns = {0, 128};
  s.rows = {{0, 1, 2}};
  int a = image_load(AnyNumber, write_temp_file("palette.png", make_png(s)));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_depth(a), 32);
  EXPECT_EQ(image_file_depth(a), 8);
  EXPECT_EQ(gdk_pixbuf_get_rowstride(image_handle(a)), 12);
  EXPECT_EQ(pixel(a, 0, 0), (Pixel{255, 0, 0, 0}));
  EXPECT_EQ(pixel(a, 1, 0), (Pixel{0, 255, 0, 128}));
  EXPECT_EQ(pixel(a, 2, 0), (Pixel{0, 0, 255, 255}));
}

TEST_F(Images, PngGreyAndLowBitDepths) {
  PngSpec grey;
  grey.width = 2;
  grey.colour_type = PNG_COLOR_TYPE_GRAY;
  grey.rows = {{17, 240}};
  int a = load(make_png(grey));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_depth(a), 24);
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(17, 17, 17));
  EXPECT_EQ(pixel(a, 1, 0), rgb_pixel(240, 240, 240));

  // 2-bit grey is spread over 0..255; a grey key makes it 32-bit.
  PngSpec low;
  low.width = 4;
  low.colour_type = PNG_COLOR_TYPE_GRAY;
  low.bit_depth = 2;
  low.grey_key = 1;
  low.rows = {{0x1B}};  // 0 1 2 3
  int b = load(make_png(low));
  ASSERT_NE(b, 0);
  EXPECT_EQ(image_depth(b), 32);
  EXPECT_EQ(image_file_depth(b), 2);
  EXPECT_EQ(pixel(b, 0, 0), (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(pixel(b, 1, 0), (Pixel{85, 85, 85, 0}));
  EXPECT_EQ(pixel(b, 3, 0), (Pixel{255, 255, 255, 255}));

  PngSpec grey_alpha;
  grey_alpha.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
  grey_alpha.rows = {{50, 60}};
  int c = load(make_png(grey_alpha));
  ASSERT_NE(c, 0);
  EXPECT_EQ(image_depth(c), 32);
  EXPECT_EQ(pixel(c, 0, 0), (Pixel{50, 50, 50, 60}));
}

TEST_F(Images, PngSixteenBitAndInterlaced) {
  PngSpec wide;
  wide.colour_type = PNG_COLOR_TYPE_RGB;
  wide.bit_depth = 16;
  wide.rows = {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00}};
  int a = load(make_png(wide));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_depth(a), 24);
  EXPECT_EQ(image_file_depth(a), 48);
  EXPECT_EQ(pixel(a, 0, 0), rgb_pixel(0x12, 0xAB, 0xFF));

  PngSpec inter;
  inter.width = 9;
  inter.height = 9;
  inter.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  inter.interlaced = true;
  for (int y = 0; y < 9; ++y) {
    Bytes row;
    for (int x = 0; x < 9; ++x) row.insert(row.end(), {uint8_t(x * 20), uint8_t(y * 20), uint8_t(x + y), 200});
    inter.rows.push_back(row);
  }
  int b = load(make_png(inter));
  ASSERT_NE(b, 0);
  EXPECT_EQ(image_depth(b), 32);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(pixel(b, x, y), (Pixel{x * 20, y * 20, x + y, 200})) << x << "," << y;
}

TEST_F(Images, DamagedPngFilesGiveNoImage) {
  PngSpec s;
  s.width = 20;
  s.height = 20;
  s.colour_type = PNG_COLOR_TYPE_RGB;
  for (int y = 0; y < 20; ++y) {
    Bytes row;
    for (int x = 0; x < 60; ++x) row.push_back(uint8_t(x * 7 + y * 13));
    s.rows.push_back(row);
  }
  Bytes good = make_png(s);
  ASSERT_NE(load(good), 0);
  for (size_t cut : {8, 20, 40, 60}) EXPECT_EQ(load(Bytes(good.begin(), good.begin() + cut)), 0) << cut;
  // Cut inside the picture data.
  EXPECT_EQ(load(Bytes(good.begin(), good.end() - 30)), 0);
  Bytes bad_crc = good;
  bad_crc[29] ^= 0xFF;  // IHDR's checksum
  EXPECT_EQ(load(bad_crc), 0);
  PngSpec huge;
  huge.width = 32768;
  huge.colour_type = PNG_COLOR_TYPE_GRAY;
  huge.bit_depth = 1;
  huge.rows = {Bytes(4096, 0)};
  EXPECT_EQ(load(make_png(huge)), 0);
}

// --- JPEG --------------------------------------------------------------

TEST_F(Images, JpegColourGreyAndCmyk) {
  Bytes colour;
  for (int i = 0; i < 16 * 16; ++i) colour.insert(colour.end(), {200, 40, 90});
  int a = load(make_jpeg(16, 16, 3, colour));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_depth(a), 24);
  EXPECT_EQ(image_file_depth(a), 24);
  Pixel p = pixel(a, 8, 8);
  EXPECT_NEAR(p[0], 200, 3);
  EXPECT_NEAR(p[1], 40, 3);
  EXPECT_NEAR(p[2], 90, 3);

  Bytes grey(8 * 8, 77);
  int b = load(make_jpeg(8, 8, 1, grey));
  ASSERT_NE(b, 0);
  EXPECT_EQ(image_file_depth(b), 8);
  p = pixel(b, 3, 3);
  EXPECT_NEAR(p[0], 77, 1);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);

  // Inverted CMYK as stored: R = C * K / 255.
  Bytes cmyk;
  for (int i = 0; i < 8 * 8; ++i) cmyk.insert(cmyk.end(), {255, 128, 0, 200});
  int c = load(make_jpeg(8, 8, 4, cmyk));
  ASSERT_NE(c, 0);
  EXPECT_EQ(image_file_depth(c), 32);
  p = pixel(c, 4, 4);
  EXPECT_NEAR(p[0], 200, 2);
  EXPECT_NEAR(p[1], 100, 2);
  EXPECT_NEAR(p[2], 0, 2);
}

TEST_F(Images, ContentDecidesNotTheName) {
  Bytes grey(8 * 8, 120);
  int a = image_load(AnyNumber, write_temp_file("really-a-jpeg.png", make_jpeg(8, 8, 1, grey)));
  ASSERT_NE(a, 0);
  EXPECT_EQ(image_width(a), 8);
  int b = image_load(AnyNumber, write_temp_file("picture.jpg", make_bmp(1, 1, 24, 0, {}, {1, 2, 3, 0})));
  ASSERT_NE(b, 0);
  EXPECT_EQ(pixel(b, 0, 0), rgb_pixel(3, 2, 1));

  EXPECT_EQ(image_load(AnyNumber, write_temp_file("two.bmp", {'B', 'M'})), 0);
  EXPECT_EQ(image_load(AnyNumber, write_temp_file("two.jpg", {0xFF, 0xD8})), 0);
  EXPECT_EQ(image_load(AnyNumber, write_temp_file("empty.png", {})), 0);
  EXPECT_EQ(image_load(AnyNumber, write_temp_file("text.png", {'h', 'e', 'l', 'l', 'o'})), 0);
  EXPECT_EQ(image_load(AnyNumber, u"/nonexistent/folder/x.png"), 0);
  EXPECT_EQ(image_load(AnyNumber, u""), 0);
}

TEST_F(Images, DamagedJpegFilesGiveNoImage) {
  Bytes colour;
  for (int i = 0; i < 32 * 32; ++i) colour.insert(colour.end(), {uint8_t(i), uint8_t(i * 3), uint8_t(i * 7)});
  Bytes good = make_jpeg(32, 32, 3, colour);
  ASSERT_NE(load(good), 0);
  EXPECT_EQ(load(Bytes(good.begin(), good.begin() + 3)), 0);
  EXPECT_EQ(load(Bytes(good.begin(), good.begin() + good.size() / 2)), 0);
  Bytes garbage = good;
  for (size_t i = 2; i < 200 && i < garbage.size(); ++i) garbage[i] = uint8_t(i * 31);
  EXPECT_EQ(load(garbage), 0);
}

// --- The image table -----------------------------------------------------

TEST_F(Images, FixedNumbersHandlesAndUnknownNumbers) {
  Bytes one = make_bmp(3, 2, 24, 0, {}, Bytes(24, 50));
  EXPECT_NE(image_load_memory(5, one.data(), one.size()), 0);
  EXPECT_EQ(image_width(5), 3);
  int handle = load(make_bmp(1, 1, 24, 0, {}, {0, 0, 0, 0}));
  EXPECT_GE(handle, FixedNumberLimit);
  EXPECT_EQ(image_width(handle), 1);

  // A failed load into a fixed number that a decoder accepted frees it.
  Bytes damaged = make_bmp(4, 4, 8, 1, {bgr(1, 1, 1)}, {4, 0});
  EXPECT_EQ(image_load_memory(5, damaged.data(), damaged.size()), 0);
  EXPECT_EQ(image_width(5), 0);

  for (int unknown : {7, 123456, FixedNumberLimit + 999, -5}) {
    EXPECT_EQ(image_width(unknown), 0);
    EXPECT_EQ(image_height(unknown), 0);
    EXPECT_EQ(image_depth(unknown), 0);
    EXPECT_EQ(image_handle(unknown), nullptr);
    EXPECT_EQ(image_output(unknown), nullptr);
    EXPECT_EQ(image_resize(unknown, 5, 5), nullptr);
    EXPECT_EQ(image_copy(unknown, AnyNumber), 0);
    image_free(unknown);
  }
  image_free(-1);
  EXPECT_EQ(image_width(handle), 0);
}

TEST_F(Images, CopyKeepsPixelsAndDepths) {
  PngSpec s;
  s.colour_type = PNG_COLOR_TYPE_PALETTE;
  s.palette = {1, 2, 3};
  s.trns = {99};
  s.rows = {{0}};
  int a = load(make_png(s));
  ASSERT_NE(a, 0);
  int b = image_copy(a, AnyNumber);
  ASSERT_NE(b, 0);
  EXPECT_NE(image_handle(a), image_handle(b));
  EXPECT_EQ(image_depth(b), 32);
  EXPECT_EQ(image_file_depth(b), 8);
  EXPECT_EQ(pixel(b, 0, 0), (Pixel{1, 2, 3, 99}));
  // Copying an image onto its own fixed number keeps the pixels.
  EXPECT_NE(image_copy(a, 3), 0);
  EXPECT_NE(image_copy(3, 3), 0);
  EXPECT_EQ(pixel(3, 0, 0), (Pixel{1, 2, 3, 99}));
}

TEST_F(Images, Resize) {
  Bytes rows;
  for (int i = 0; i < 80; ++i) {
    for (int x = 0; x < 100; ++x) rows.insert(rows.end(), {uint8_t(x), uint8_t(i), 9});
  }
  int a = load(make_bmp(100, 80, 24, 0, {}, rows));
  ASSERT_NE(a, 0);
  ImageHandle before = image_handle(a);
  EXPECT_EQ(image_resize(a, Ignore, Ignore), before);
  EXPECT_EQ(image_resize(a, 100, 80, ResizeRaw), before);
  EXPECT_EQ(image_resize(a, 100, Ignore), before);

  ImageHandle after = image_resize(a, 50, Ignore);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after, image_handle(a));
  EXPECT_EQ(image_width(a), 50);
  EXPECT_EQ(image_height(a), 80);
  EXPECT_EQ(image_depth(a), 24);

  // Nearest neighbour keeps exact values; the output target follows the new size.
  ASSERT_NE(image_resize(a, 25, 40, ResizeRaw), nullptr);
  EXPECT_EQ(pixel(a, 0, 0)[0], 9);
  EXPECT_EQ(pixel(a, 24, 39)[0], 9);
  DrawTarget* t = image_output(a);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->width, 25);
  EXPECT_EQ(t->height, 40);
  EXPECT_EQ(t->bytes_per_pixel, 3);

  // Impossible sizes fail and leave the image as it was.
  EXPECT_EQ(image_resize(a, 0, 10), nullptr);
  EXPECT_EQ(image_resize(a, -3, Ignore), nullptr);
  EXPECT_EQ(image_resize(a, 40000, 10), nullptr);
  EXPECT_EQ(image_width(a), 25);
  EXPECT_EQ(image_height(a), 40);
}

TEST_F(Images, OutputTargetsDrawOnTheImage) {
  PngSpec s;
  s.width = 2;
  s.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  s.rows = {{1, 2, 3, 4, 5, 6, 7, 8}};
  int a = load(make_png(s));
  DrawTarget* t = image_output(a);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->bytes_per_pixel, 4);
  EXPECT_EQ(t->width, 2);
  EXPECT_EQ(t->stride, 8);
  ASSERT_EQ(drawing_start(t), 1);
  draw_box(1, 0, 1, 1, rgb(100, 110, 120));
  drawing_stop();
  EXPECT_EQ(pixel(a, 1, 0), (Pixel{100, 110, 120, 8}));
  EXPECT_EQ(pixel(a, 0, 0), (Pixel{1, 2, 3, 4}));

  // Freeing the image ends a drawing aimed at it; later calls draw nothing.
  ASSERT_EQ(drawing_start(image_output(a)), 1);
  image_free(a);
  draw_box(0, 0, 2, 1, 0);
  drawing_stop();
}

}  // namespace
