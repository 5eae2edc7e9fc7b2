// Big pictures: bitmaps read row by row from the file, pixels shared by two
// images until one is drawn on, pictures refused for their size.
#include <gtest/gtest.h>

#include <tuple>

#include "media_files.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

int load(const Bytes& b) { return image_load_memory(AnyNumber, b.data(), b.size()); }
uint8_t channel(int x, int y, int c) { return uint8_t(c == 0 ? x : c == 1 ? y * 3 + (x >> 8) : x ^ y); }

TEST(BigPictures, BitmapsPastTheirHeadersDecodeTopDownWithTheLastPaddingMissingButNoMore) {
  const int w = 301, h = 97, row = 904;  // 85 KiB of rows, one byte of padding each
  for (int height : {h, -h})
    for (int cut : {0, 1, 2}) {
      Bytes rows(size_t(row) * h);
      for (int r = 0; r < h; r++)
        for (int x = 0; x < w; x++)
          for (int c = 0; c < 3; c++) rows[r * row + x * 3 + 2 - c] = channel(x, height > 0 ? h - 1 - r : r, c);
      Bytes file = make_bmp(w, height, 24, 0, {}, rows);
      file.resize(file.size() - cut);
      int image = load(file);
      ASSERT_EQ(image != 0, cut < 2) << height << " cut " << cut;
      if (!image) continue;
      const DrawTarget* v = image_view(image);
      int wrong = 0;
      for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
          for (int c = 0; c < 3; c++) wrong += v->pixels[y * v->stride + x * 3 + c] != channel(x, y, c);
      EXPECT_EQ(wrong, 0) << height << " cut " << cut;
      image_free(image);
    }
}

TEST(BigPictures, SharedPixelsPartWhenEitherImageIsDrawnOnOrFreed) {
  const Bytes two_pixels = make_bmp(2, 1, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0});
  for (bool draw_on_share : {true, false}) {
    int source = load(two_pixels), share = image_share(source, AnyNumber);
    ASSERT_NE(share, 0);
    EXPECT_EQ(image_view(share)->pixels, image_view(source)->pixels);
    EXPECT_EQ(std::make_tuple(image_width(share), image_height(share), image_depth(share)), std::make_tuple(2, 1, 24));
    int drawn = draw_on_share ? share : source, other = draw_on_share ? source : share;
    ASSERT_TRUE(drawing_start(image_output(drawn)));
    draw_box(0, 0, 1, 1, rgb(255, 255, 255));
    drawing_stop();
    EXPECT_EQ(image_view(drawn)->pixels[0], 255);
    EXPECT_EQ(image_view(other)->pixels[0], 3);
    image_free(drawn);
    const uint8_t* kept = image_view(other)->pixels;
    EXPECT_EQ(kept[3], 6);
    EXPECT_EQ(image_output(other)->pixels, kept);  // no longer shared: drawn on in place
    image_free(other);
  }
  // Shared into its own number: still one image, drawn on in place.
  ASSERT_NE(image_load_memory(7, two_pixels.data(), two_pixels.size()), 0);
  const uint8_t* own = image_view(7)->pixels;
  ASSERT_NE(image_share(7, 7), 0);
  EXPECT_EQ(image_output(7)->pixels, own);
  image_free(7);
}

TEST(BigPictures, TooLargeIsRefusedWithItsSizeAndNothingElseIs) {
  PngSpec wide{40000, 1};
  wide.rows = {Bytes(120000, 9)};
  struct Case {
    Bytes file;
    int64_t limit, width, height, bytes;
  } cases[] = {{make_png(wide), 0, 40000, 1, 240000},
               {make_bmp(301, 97, 24, 0, {}, Bytes(904 * 97)), 80000, 301, 97, 904 * 98},
               {make_jpeg(64, 64, 3, Bytes(64 * 64 * 3, 50)), 5000, 64, 64, 192 * 65}};
  for (const Case& c : cases) {
    image_set_memory_limit(c.limit);
    ImageRefusal r;
    EXPECT_EQ(load(c.file), 0);
    ASSERT_TRUE(image_refused(&r));
    EXPECT_EQ(std::make_tuple(r.width, r.height, r.bytes), std::make_tuple(c.width, c.height, c.bytes));
    image_set_memory_limit(0);
    int image = load(c.file);
    EXPECT_EQ(image != 0, c.width <= ImageMaxSize);
    EXPECT_EQ(image_refused(&r), c.width > ImageMaxSize);
    image_free(image);
    EXPECT_EQ(load(Bytes{'B', 'M'}), 0);
    EXPECT_FALSE(image_refused(&r));
  }
}

}  // namespace
