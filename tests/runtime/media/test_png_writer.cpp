// The PNG writer: its bytes read back chunk by chunk against the layout written out here. (A sink
// that stops taking bytes is checked by the export on a full disk.)
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "media_files.h"
#include "runtime/media/png_writer.h"

namespace {

// The chunks after the signature as type + data; each chunk's CRC is checked.
std::vector<std::string> chunks_of(const std::string& file) {
  std::vector<std::string> chunks;
  EXPECT_EQ(file.substr(0, 8), "\x89PNG\r\n\x1A\n");
  auto number = [&](size_t at) {
    return uint32_t(uint8_t(file[at])) << 24 | uint8_t(file[at + 1]) << 16 | uint8_t(file[at + 2]) << 8 |
           uint8_t(file[at + 3]);
  };
  for (size_t at = 8; at + 12 <= file.size(); at += 12 + number(at)) {
    uint32_t length = number(at);
    EXPECT_EQ(number(at + 8 + length), crc32(0, reinterpret_cast<const Bytef*>(file.data() + at + 4), 4 + length));
    chunks.push_back(file.substr(at + 4, 4 + length));
  }
  return chunks;
}

TEST(PngWriter, HeaderTextsAndFilteredRowsAsThePngLayoutHasThem) {
  // 3 x 3 pixels given in bands of 2 and 1 rows.
  const Bytes rows[3] = {
      {1, 2, 3, 250, 251, 252, 7, 8, 9}, {2, 2, 2, 1, 251, 0, 9, 8, 7}, {0, 0, 0, 0, 0, 0, 0, 0, 255}};
  std::string file;
  PngWriter* w = png_writer_start(3, 3, {{"Software", "Tavrel"}, {"Grabstein", "4,-2: Grüße"}},
                                  [&](const uint8_t* d, size_t n) { return file.append(d, d + n), true; });
  const uint8_t* bands[] = {rows[0].data(), rows[1].data(), rows[2].data()};
  EXPECT_TRUE(png_writer_rows(w, bands, 2) && png_writer_rows(w, bands + 2, 1) && png_writer_finish(w));
  std::vector<std::string> chunks = chunks_of(file);
  ASSERT_GE(chunks.size(), 5u);
  // IHDR: width, height, 8 bits, colour type 2 (RGB), deflate, filter method 0, not interlaced. An
  // ASCII text as tEXt (keyword, 0, text), any other as iTXt: keyword, 0, not compressed (0, method
  // 0), no language (0), no translated keyword (0), UTF-8. IEND last.
  using namespace std::string_literals;
  EXPECT_EQ(std::vector(chunks.begin(), chunks.begin() + 3),
            (std::vector{"IHDR\0\0\0\3\0\0\0\3\x08\x02\0\0\0"s, "tEXtSoftware\0Tavrel"s,
                         "iTXtGrabstein\0\0\0\0\0" "4,-2: Gr\xC3\xBC\xC3\x9F" "e"s}));
  EXPECT_EQ(chunks.back(), "IEND");
  // The IDAT chunks inflate to three rows, each filter byte 2 ("Up") followed
  // by every byte less the one above it.
  std::string compressed;
  for (const std::string& c : chunks)
    if (c.substr(0, 4) == "IDAT") compressed += c.substr(4);
  Bytes raw(100), expected;
  uLongf size = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()), Z_OK);
  raw.resize(size);
  for (int y = 0; y < 3; y++) {
    expected.push_back(2);
    for (int i = 0; i < 9; i++) expected.push_back(uint8_t(rows[y][i] - (y ? rows[y - 1][i] : 0)));
  }
  EXPECT_EQ(raw, expected);
}

}  // namespace
