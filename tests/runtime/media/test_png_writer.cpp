// The PNG writer: its bytes read back chunk by chunk against the layout
// written out here, and its failures.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "media_files.h"
#include "runtime/media/png_writer.h"

namespace {

struct Chunk {
  std::string type;
  Bytes data;
};

uint32_t big_endian(const Bytes& b, size_t at) {
  return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 | b.at(at + 3);
}

// The chunks after the signature; each chunk's CRC is checked on the way.
std::vector<Chunk> chunks_of(const Bytes& file) {
  std::vector<Chunk> chunks;
  const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
  for (size_t at = 8; at + 12 <= file.size();) {
    uint32_t length = big_endian(file, at);
    Chunk c{std::string(file.begin() + at + 4, file.begin() + at + 8),
            Bytes(file.begin() + at + 8, file.begin() + at + 8 + length)};
    uint32_t crc = uint32_t(crc32(0, file.data() + at + 4, 4 + length));
    EXPECT_EQ(big_endian(file, at + 8 + length), crc) << c.type;
    chunks.push_back(c);
    at += 12 + length;
  }
  return chunks;
}

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(PngWriter, HeaderTextsAndFilteredRowsAsThePngLayoutHasThem) {
  // 3 x 3 pixels given in bands of 2 and 1 rows.
  const Bytes rows[3] = {{1, 2, 3, 250, 251, 252, 7, 8, 9}, {2, 2, 2, 1, 251, 0, 9, 8, 7}, {0, 0, 0, 0, 0, 0, 0, 0, 255}};
  Bytes file;
  PngWriter* w = png_writer_start(3, 3, {{"Software", "Tavrel"}, {"Grabstein", "4,-2: Grüße"}},
                                  [&](const uint8_t* d, size_t n) { return file.insert(file.end(), d, d + n), true; });
  ASSERT_NE(w, nullptr);
  const uint8_t* band1[] = {rows[0].data(), rows[1].data()};
  const uint8_t* band2[] = {rows[2].data()};
  EXPECT_TRUE(png_writer_rows(w, band1, 2));
  EXPECT_TRUE(png_writer_rows(w, band2, 1));
  EXPECT_TRUE(png_writer_finish(w));

  std::vector<Chunk> chunks = chunks_of(file);
  ASSERT_GE(chunks.size(), 5u);
  // IHDR: width, height, 8 bits, colour type 2 (RGB), deflate, filter method 0, not interlaced.
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 3, 0, 0, 0, 3, 8, 2, 0, 0, 0}));
  // An ASCII text as tEXt (keyword, 0, text); any other as iTXt: keyword, 0,
  // not compressed (0, method 0), no language, no translated keyword, UTF-8.
  EXPECT_EQ(chunks[1].type + std::string(chunks[1].data.begin(), chunks[1].data.end()),
            std::string("tEXtSoftware\0Tavrel", 19));
  EXPECT_EQ(chunks[2].type, "iTXt");
  EXPECT_EQ(chunks[2].data, bytes(std::string("Grabstein\0\0\0\0\0", 14) + "4,-2: Gr\xC3\xBC\xC3\x9F" "e"));
  EXPECT_EQ(chunks.back().type, "IEND");
  EXPECT_TRUE(chunks.back().data.empty());

  // The IDAT chunks inflate to three rows, each filter byte 2 ("Up") followed
  // by every byte less the one above it.
  Bytes compressed;
  for (const Chunk& c : chunks)
    if (c.type == "IDAT") compressed.insert(compressed.end(), c.data.begin(), c.data.end());
  Bytes raw(100);
  uLongf size = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &size, compressed.data(), compressed.size()), Z_OK);
  raw.resize(size);
  Bytes expected;
  for (int y = 0; y < 3; y++) {
    expected.push_back(2);
    for (int i = 0; i < 9; i++) expected.push_back(uint8_t(rows[y][i] - (y ? rows[y - 1][i] : 0)));
  }
  EXPECT_EQ(raw, expected);
}

TEST(PngWriter, FailuresLeaveThePictureIncomplete) {
  Bytes noise(2 * 3 * 4000);  // two rows that compress badly
  for (size_t i = 0; i < noise.size(); i++) noise[i] = uint8_t((i * 2654435761u) >> 13);
  const uint8_t* rows[] = {noise.data(), noise.data() + 3 * 4000};
  auto anywhere = [](const uint8_t*, size_t) { return true; };
  // A bad size or keyword is refused at once.
  EXPECT_EQ(png_writer_start(0, 5, {}, anywhere), nullptr);
  EXPECT_EQ(png_writer_start(5, 5, {{"", "text"}}, anywhere), nullptr);
  // Too many rows, or too few, leave it incomplete.
  PngWriter* w = png_writer_start(4000, 1, {}, anywhere);
  EXPECT_FALSE(png_writer_rows(w, rows, 2));
  EXPECT_FALSE(png_writer_finish(w));
  w = png_writer_start(4000, 3, {}, anywhere);
  EXPECT_TRUE(png_writer_rows(w, rows, 2));
  EXPECT_FALSE(png_writer_finish(w));
  // A sink that stops taking bytes (a full disk) stops the writer: it is
  // not called again, and every later call fails.
  int calls = 0, after_refusal = 0;
  size_t taken = 0;
  w = png_writer_start(4000, 1000, {}, [&](const uint8_t*, size_t n) {
    if (calls++ > 0 && taken > 50000) return after_refusal++, false;
    return taken += n, true;
  });
  ASSERT_NE(w, nullptr);
  bool failed = false;
  for (int y = 0; y < 1000 && !failed; y++) failed = !png_writer_rows(w, rows + y % 2, 1);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(png_writer_rows(w, rows, 1));
  EXPECT_FALSE(png_writer_finish(w));
  EXPECT_EQ(after_refusal, 1);
}

}  // namespace
