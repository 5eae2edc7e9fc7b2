#include <gtest/gtest.h>

#include <string>

#include "runtime/core/objects.h"
#include "runtime/data/files.h"
#include "runtime/data/temp_dir.h"

namespace {

using namespace std::string_literals;

class FileTest : public ::testing::Test, protected TempDir {
 protected:
  void TearDown() override { file_close(-1); }

  // A file holding bytes, opened for reading and writing.
  int open_with(const std::string& bytes) {
    write("in.bin", bytes);
    return file_open(AnyNumber, upath("in.bin"));
  }
};

TEST_F(FileTest, ValuesAndStringsAsExactBytes) {
  int f = file_create(AnyNumber, upath("out.bin"));
  EXPECT_EQ(file_write_byte(f, 1) + file_write_long(f, 5) + file_write_string(f, u"A\U0001F600", EncodingUtf16), 11);
  EXPECT_EQ(file_write_word(f, 0x12345) + file_write_long(f, -2) + file_write_data(f, "\xEF\xBE", 2), 8);
  EXPECT_EQ(file_write_string(f, u"\u00E4"), 2);  // default UTF-8
  file_close(f);
  EXPECT_EQ(file_write_byte(f, 1), 0);
  EXPECT_EQ(read("out.bin"), "\x01\x05\0\0\0A\0\x3D\xD8\x00\xDE\x45\x23\xFE\xFF\xFF\xFF\xEF\xBE\xC3\xA4"s);

  f = open_with("\xFF\x34\x12\xFE\xFF\x78\x56\x34\x12\xAA\x01");
  EXPECT_EQ(file_read_byte(f), -1);
  EXPECT_EQ(file_read_word(f), 0x1234);
  EXPECT_EQ(file_read_word(f), -2);
  EXPECT_EQ(file_read_long(f), 0x12345678);
  EXPECT_EQ(file_read_long(f), 0x01AA);  // the two bytes left
  EXPECT_EQ(file_read_long(f), 0);
  unsigned char mem[4] = {9, 9, 9, 9};
  file_seek(f, 9);
  EXPECT_EQ(file_read_data(f, mem, 4), 2);
  EXPECT_EQ(mem[1] * 100 + mem[2], 109);  // the bytes not read stay unchanged

  // A UTF-16 string ends at 0 or a line end (CR, LF, CR LF), consumed, and
  // never reads past its limit.
  const String pad(2047, u'x');
  const struct { String units; int flags; int64_t limit; String expected; int64_t position; } cases[] = {
      {u"ABCD", 0, 3, u"ABC", 6},  {u"A\r\nB", 0, 5, u"A", 6}, {u"A\rB", 0, 5, u"A", 4},
      {u"A\r\nB", 0, 2, u"A", 4},  {u"A\nB", 0, -1, u"A", 4},  {String(u"A\0B", 3), 0, -1, u"A", 4},
      {String(u"A\r\nB\0C", 6), ReadWholeString, -1, u"A\r\nB", 10},
      {pad + u"\rB", 0, -1, pad, 4096}};  // given back across the buffer's end
  for (const auto& c : cases) {
    std::string bytes;
    for (char16_t u : c.units) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    f = open_with(bytes);
    EXPECT_EQ(file_read_string(f, EncodingUtf16 | c.flags, c.limit), c.expected) << c.units.size();
    EXPECT_EQ(file_position(f), c.position) << string_to_utf8(c.units.substr(0, 8));
    file_close(f);
  }
}

TEST_F(FileTest, PiecesOfEverySizeSwitchingAndSeekingGiveTheSameContent) {
  std::string data(20000, 0);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 256);
  for (int64_t piece : {1, 4095, 4096, 10000}) {
    int f = file_create(AnyNumber, upath("w.bin"));
    for (int64_t at = 0; at < 20000; at += piece) ASSERT_EQ(file_write_data(f, data.data() + at, std::min<int64_t>(piece, 20000 - at)), std::min<int64_t>(piece, 20000 - at));
    file_close(f);
    EXPECT_EQ(read("w.bin"), data) << piece;
    f = open_with(data);
    std::string got, chunk(static_cast<size_t>(piece), 0);
    for (int64_t n = piece; n == piece; got.append(chunk, 0, static_cast<size_t>(n))) n = file_read_data(f, chunk.data(), piece);
    EXPECT_EQ(got, data) << piece;
    file_close(f);
  }
  int f = file_create(AnyNumber, upath("mix.bin"));
  file_write_byte(f, 'A');
  file_write_data(f, data.data(), 5000);  // straight to the stream, after the buffered byte
  file_write_byte(f, 'Z');
  file_close(f);
  EXPECT_EQ(read("mix.bin"), "A" + data.substr(0, 5000) + "Z");

  f = open_with(data.substr(0, 10000));
  EXPECT_EQ(file_read_word(f), static_cast<int16_t>((data[0] & 255) | data[1] << 8));
  EXPECT_EQ(file_write_word(f, 0xBBAA), 2);
  EXPECT_EQ(file_read_byte(f), data[4]);
  file_seek(f, 4094);
  EXPECT_EQ(file_read_word(f), static_cast<int16_t>((data[4094] & 255) | data[4095] << 8));
  file_write_long(f, 0x44332211);  // across the first refill boundary
  EXPECT_EQ(file_read_byte(f), data[4100]);
  file_seek(f, -2, 1);
  EXPECT_EQ(file_read_byte(f), 0x44);
  file_seek(f, -100000, 1);  // before the start: stays where it was
  EXPECT_EQ(file_position(f), 4100);
  file_seek(f, 10001);
  file_write_byte(f, 0x55);  // beyond the end: a gap of zero bytes
  file_close(f);
  EXPECT_EQ(read("in.bin"), data.substr(0, 2) + "\xAA\xBB" + data.substr(4, 4092) + "\x11\x22\x33\x44" +
                                data.substr(4100, 5900) + "\0\x55"s);
}

TEST_F(FileTest, OpenModesAndNumbers) {
  EXPECT_EQ(file_create(AnyNumber, upath("missing/x.bin")) + file_read_only(AnyNumber, string_from_utf8(dir)), 0);
  int f = open_with("\x01\x02\x03");
  file_seek(f, 1);
  file_write_byte(f, 9);
  EXPECT_EQ(file_write_byte(file_read_only(AnyNumber, upath("in.bin")), 7), 0);
  EXPECT_GT(file_open(AnyNumber, upath("new.bin")), 0);
  file_close(-1);  // writes out what is pending
  EXPECT_EQ(read("in.bin") + read("new.bin"), "\x01\x09\x03");
  // Reusing a fixed number closes the old file first, its data written out,
  // also when the new file is the old one truncated.
  EXPECT_EQ(file_create(2, upath("in.bin")), 1);
  file_write_byte(2, 0x11);
  EXPECT_EQ(file_create(2, upath("in.bin")), 1);
  file_write_byte(2, 0x22);
  EXPECT_EQ(file_create(2, upath("missing/e.bin")), 0);
  EXPECT_EQ(file_write_byte(2, 1), 0);
  EXPECT_EQ(read("in.bin"), "\x22");
}

}  // namespace
