#include <gtest/gtest.h>

#include <string>

#include "runtime/core/objects.h"
#include "runtime/data/files.h"
#include "runtime/data/temp_dir.h"

namespace {

using namespace std::string_literals;

// Little-endian 16-bit units as file bytes.
std::string utf16(const String& units) {
  std::string out;
  for (char16_t u : units) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

class FileTest : public ::testing::Test, protected TempDir {
 protected:
  void TearDown() override { file_close(-1); }

  // A file holding bytes, opened for reading and writing.
  int open_with(const std::string& bytes, int flags = 0) {
    write("in.bin", bytes);
    return file_open(AnyNumber, upath("in.bin"), flags);
  }
};

TEST_F(FileTest, WritesGiveExactBytes) {
  int f = file_create(AnyNumber, upath("out.bin"));
  EXPECT_EQ(file_write_byte(f, 1), 1);
  EXPECT_EQ(file_write_long(f, 5), 4);
  EXPECT_EQ(file_write_string(f, u"Ab", EncodingUtf16), 4);
  EXPECT_EQ(file_write_word(f, 0x12345), 2);
  EXPECT_EQ(file_write_long(f, -2), 4);
  EXPECT_EQ(file_write_byte(f, 0x1FF), 1);
  EXPECT_EQ(file_write_data(f, "\xEF\xBE", 2), 2);
  EXPECT_EQ(file_write_string(f, u""), 0);
  EXPECT_EQ(file_write_string(f, u"\u00E4\u20AC\U0001F600"), 9);  // default UTF-8
  EXPECT_EQ(file_write_string(f, u"\u00E4\U0001F600", EncodingUtf16), 6);
  file_close(f);
  EXPECT_EQ(read("out.bin"), "\x01\x05\0\0\0A\0b\0" "\x45\x23\xFE\xFF\xFF\xFF\xFF\xEF\xBE"
                             "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80" "\xE4\x00\x3D\xD8\x00\xDE"s);
  f = file_create(AnyNumber, upath("out.bin"), EncodingUtf16);
  EXPECT_EQ(file_write_string(f, u"hi"), 4);
  file_close(f);
  EXPECT_EQ(read("out.bin"), utf16(u"hi"));
}

TEST_F(FileTest, ReadsAreSignedAndShortAtTheEnd) {
  int f = open_with("\xFF\x34\x12\xFE\xFF\x78\x56\x34\x12\xAA\x01");
  EXPECT_EQ(file_read_byte(f), -1);
  EXPECT_EQ(file_read_word(f), 0x1234);
  EXPECT_EQ(file_read_word(f), -2);
  EXPECT_EQ(file_read_long(f), 0x12345678);
  EXPECT_EQ(file_read_long(f), 0x01AA);  // the two bytes left
  EXPECT_EQ(file_read_long(f), 0);
  unsigned char mem[4] = {9, 9, 9, 9};
  file_seek(f, 9);
  EXPECT_EQ(file_read_data(f, mem, 4), 2);
  EXPECT_EQ(mem[1], 0x01);
  EXPECT_EQ(mem[2], 9);  // not read: unchanged
}

TEST_F(FileTest, OpenModesAndNumbers) {
  EXPECT_EQ(file_create(AnyNumber, upath("missing/x.bin")), 0);
  EXPECT_EQ(file_read_only(AnyNumber, string_from_utf8(dir)), 0);
  EXPECT_EQ(file_create(-7, upath("x.bin")), 0);
  EXPECT_EQ(file_write_byte(12345, 1), 0);
  int f = open_with("\x01\x02\x03", FileAppend);
  EXPECT_EQ(file_position(f), 3);
  file_seek(f, 1);
  file_write_byte(f, 9);
  file_close(f);
  EXPECT_EQ(file_write_byte(f, 1), 0);
  EXPECT_EQ(read("in.bin"), "\x01\x09\x03");
  f = file_read_only(AnyNumber, upath("in.bin"));
  EXPECT_EQ(file_write_byte(f, 7), 0);
  EXPECT_EQ(file_read_byte(f), 1);
  EXPECT_GT(file_open(AnyNumber, upath("new.bin")), 0);
  EXPECT_GT(file_create(AnyNumber, upath("in.bin")), 0);
  file_close(-1);
  EXPECT_EQ(read("in.bin") + read("new.bin"), "");

  // Reusing a fixed number closes the old file first, its data written out,
  // also when the new file is the old one truncated.
  EXPECT_EQ(file_create(2, upath("c.bin")), 1);
  file_write_byte(2, 0x11);
  EXPECT_EQ(file_create(2, upath("c.bin")), 1);
  file_write_byte(2, 0x22);
  EXPECT_EQ(file_create(2, upath("missing/e.bin")), 0);
  EXPECT_EQ(file_write_byte(2, 1), 0);
  EXPECT_EQ(read("c.bin"), "\x22");
}

TEST_F(FileTest, PiecesOfEverySizeGiveTheSameContent) {
  std::string data(20000, 0);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 256);
  for (int64_t piece : {1, 4095, 4096, 4097, 10000}) {
    int f = file_create(AnyNumber, upath("w.bin"));
    for (int64_t at = 0; at < 20000; at += piece) {
      int64_t n = std::min<int64_t>(piece, 20000 - at);
      ASSERT_EQ(file_write_data(f, data.data() + at, n), n);
      ASSERT_EQ(file_position(f), at + n);
    }
    file_close(f);
    EXPECT_EQ(read("w.bin"), data) << piece;
    f = open_with(data);
    std::string got, chunk(static_cast<size_t>(piece), 0);
    for (int64_t n = piece; n == piece;) {
      n = file_read_data(f, chunk.data(), piece);
      got.append(chunk, 0, static_cast<size_t>(n));
      ASSERT_EQ(file_position(f), static_cast<int64_t>(got.size()));
    }
    EXPECT_EQ(got, data) << piece;
    file_close(f);
  }
  int f = file_create(AnyNumber, upath("mix.bin"));
  file_write_byte(f, 'A');
  file_write_data(f, data.data(), 5000);  // straight to the stream, after the buffered byte
  file_write_byte(f, 'Z');
  file_close(f);
  EXPECT_EQ(read("mix.bin"), "A" + data.substr(0, 5000) + "Z");
}

TEST_F(FileTest, SwitchingBetweenReadingWritingAndSeekingKeepsThePosition) {
  std::string data(10000, 0);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i);
  int f = open_with(data);
  EXPECT_EQ(file_read_byte(f), 0);
  EXPECT_EQ(file_read_byte(f), 1);
  EXPECT_EQ(file_write_word(f, 0xBBAA), 2);
  EXPECT_EQ(file_position(f), 4);
  EXPECT_EQ(file_read_byte(f), 4);
  EXPECT_EQ(file_write_byte(f, 0xCC), 1);
  file_seek(f, 4094);
  EXPECT_EQ(file_read_word(f), static_cast<int16_t>(0xFFFE));
  file_write_long(f, 0x44332211);  // across the first refill boundary
  EXPECT_EQ(file_read_byte(f), static_cast<int8_t>(4100 & 0xFF));
  file_seek(f, -2, 1);
  EXPECT_EQ(file_read_byte(f), 0x44);
  file_seek(f, -100000, 1);  // before the start: stays where it was
  EXPECT_EQ(file_position(f), 4100);
  file_seek(f, 1, 1);
  EXPECT_EQ(file_read_byte(f), static_cast<int8_t>(4101 & 0xFF));
  file_seek(f, 10001);
  file_write_byte(f, 0x55);  // beyond the end: a gap of zero bytes
  file_close(f);
  std::string expected = data;
  expected.replace(2, 2, "\xAA\xBB");
  expected[5] = '\xCC';
  expected.replace(4096, 4, "\x11\x22\x33\x44");
  expected += "\0\x55"s;
  EXPECT_EQ(read("in.bin"), expected);
}

TEST_F(FileTest, Utf16StringsStopAtLineEndsAndNeverPassTheLimit) {
  const String pad(2047, u'x');
  const struct { String units; int flags; int64_t limit; String expected; int64_t position; } cases[] = {
      {u"ABCD", 0, 3, u"ABC", 6},
      {u"A\r\nB", 0, 5, u"A", 6},
      {u"A\rB", 0, 5, u"A", 4},
      {u"A\r\nB", 0, 2, u"A", 4},  // the CR used up the limit: the LF stays
      {u"\rZ", 0, 1, u"", 2},
      {u"HeldX", 0, 4, u"Held", 8},
      {u"A\nB", 0, -1, u"A", 4},
      {String(u"A\0B", 3), 0, -1, u"A", 4},
      {u"A\r", 0, -1, u"A", 4},
      {String(u"A\r\nB\0C", 6), ReadWholeString, -1, u"A\r\nB", 10},
      {u"\xD800\xDC00\xDFFF", 0, 2, u"\xD800\xDC00", 4},  // surrogates count one unit each
      {pad + u"\rB", 0, -1, pad, 4096},                  // given back across the buffer's end
      {pad + u"\r\nB", 0, -1, pad, 4098}};
  for (const auto& c : cases) {
    int f = open_with(utf16(c.units));
    EXPECT_EQ(file_read_string(f, EncodingUtf16 | c.flags, c.limit), c.expected) << c.units.size();
    EXPECT_EQ(file_position(f), c.position) << string_to_utf8(c.units.substr(0, 8));
    file_close(f);
  }
  // A cut-off unit after the CR is given back.
  int f = open_with(utf16(u"A\r") + "B");
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 10), u"A");
  EXPECT_EQ(file_read_byte(f), 'B');
}

TEST_F(FileTest, Utf8StringsCountSequences) {
  int f = open_with("a\xC3\xA4\xF0\x9F\x98\x80\n\x80" "b\xC3" "c\r\nd\xE2\x82");
  EXPECT_EQ(file_read_string(f, EncodingUtf8, 3), u"a\u00E4\U0001F600");
  EXPECT_EQ(file_position(f), 7);
  EXPECT_EQ(file_read_string(f), u"");
  EXPECT_EQ(file_read_string(f), u"?b?c");  // bad bytes read as "?", the breaking byte anew
  EXPECT_EQ(file_read_string(f), u"d");     // a sequence cut off by the end ends the string
  f = open_with("x\xC0\x80\xF7\xBF\xBF\xBFy\0z\r\xC3\xA4"s);
  EXPECT_EQ(file_read_string(f), u"x??y");  // never the unit 0
  EXPECT_EQ(file_read_string(f), u"z");
  EXPECT_EQ(file_position(f), 11);  // the character after the CR given back whole
  EXPECT_EQ(file_read_string(f), u"\u00E4");
}

}  // namespace
