// Big pictures: bitmaps read from the file in blocks of rows; pixels shared until drawn on.
#include <gtest/gtest.h>

#include "media_files.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

int load(const Bytes& b) { return image_load_memory(AnyNumber, b.data(), b.size()); }

TEST(BigPictures, BitmapsOfSeveralBlocksDecodeWithTheLastPaddingMissingButNoMore) {
  const int w = 301, h = 1200, row = 904;  // 1.1 MB of rows, one byte of padding each
  Bytes rows(size_t(row) * h);
  for (size_t i = 0; i < rows.size(); i++) rows[i] = uint8_t(i % row * 7 + i / row * 3 + (i >> 16));
  for (int cut : {0, 1, 2}) {
    Bytes file = make_bmp(w, h, 24, 0, {}, rows);
    file.resize(file.size() - cut);
    int image = load(file), wrong = 0;
    ASSERT_EQ(image != 0, cut < 2) << "cut " << cut;
    for (int y = 0; image && y < h; y++)
      for (int x = 0; x < w * 3; x++)
        wrong += image_view(image)->pixels[y * row + x] != rows[(h - 1 - y) * row + x / 3 * 3 + 2 - x % 3];
    EXPECT_EQ(wrong, 0) << "cut " << cut;
    image_free(image);
  }
}

TEST(BigPictures, SharedPixelsPartWhenEitherImageIsDrawnOnOrFreed) {
  for (bool draw_on_share : {true, false}) {
    int source = load(make_bmp(2, 1, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0})), share = image_share(source, AnyNumber);
    ASSERT_EQ(image_view(share)->pixels, image_view(source)->pixels);
    int drawn = draw_on_share ? share : source, other = draw_on_share ? source : share;
    ASSERT_TRUE(drawing_start(image_output(drawn)));
    draw_box(0, 0, 1, 1, rgb(255, 255, 255));
    drawing_stop();
    EXPECT_EQ(std::make_pair(+image_view(drawn)->pixels[0], +image_view(other)->pixels[0]), std::make_pair(255, 3));
    image_free(drawn);
    const uint8_t* kept = image_view(other)->pixels;
    EXPECT_EQ(std::make_pair(int{kept[3]}, image_output(other)->pixels == kept), std::make_pair(6, true));
    image_free(other);
  }
}

// A progressive JPEG is decoded from all its coefficients at once; they count
// against the limit with the pixels, so a picture whose decoding would run out
// of memory is refused for its size instead of failing without a word.
TEST(BigPictures, ProgressiveJpegsCountTheirCoefficientsAgainstTheLimit) {
  Bytes progressive = make_jpeg(1000, 1000, 3, Bytes(3000000, 77), true);
  // Pixels 3000 x 1001; coefficients 128 bytes a block: luma 126 x 126 blocks,
  // each chroma component (halved both ways) 63 x 63.
  const int64_t needed = 3000 * 1001 + 128 * (126 * 126 + 2 * 63 * 63);
  ImageRefusal refusal;
  image_set_memory_limit(needed - 1);
  EXPECT_EQ(load(progressive), 0);
  EXPECT_EQ(std::make_pair(image_refused(&refusal), refusal.bytes), std::make_pair(true, needed));
  image_set_memory_limit(needed);
  int image = load(progressive);
  EXPECT_EQ(std::make_pair(image_width(image), image_refused(nullptr)), std::make_pair(1000, false));
  image_free(image);
  image_set_memory_limit(3000 * 1001);  // a baseline JPEG needs no more than its pixels
  image = load(make_jpeg(1000, 1000, 3, Bytes(3000000, 77)));
  EXPECT_EQ(image_width(image), 1000);
  image_free(image);
  image_set_memory_limit(0);
}

}  // namespace
