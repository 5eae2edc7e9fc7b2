#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/data/files.h"
#include "runtime/toolkit/objects.h"

namespace {

using Bytes = std::vector<unsigned char>;

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrel-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    file_close(-1);
    std::string command = "rm -rf '" + dir + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cleanup failed";
  }

  String path(const std::string& name) { return string_from_utf8(dir + "/" + name); }

  Bytes content(const std::string& name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  void put(const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // A file holding bytes, opened for reading and writing with a handle.
  int open_with(const Bytes& bytes, int flags = 0) {
    put("in.bin", bytes);
    return file_open(AnyNumber, path("in.bin"), flags);
  }

  static Bytes utf16(std::initializer_list<int> units) {
    Bytes out;
    for (int u : units) {
      out.push_back(static_cast<unsigned char>(u & 0xFF));
      out.push_back(static_cast<unsigned char>(u >> 8));
    }
    return out;
  }

  std::string dir;
};

TEST_F(FileTest, TypedWritesGiveExactBytes) {
  int f = file_create(AnyNumber, path("out.bin"));
  ASSERT_GT(f, 0);
  EXPECT_EQ(file_write_byte(f, 1), 1);
  EXPECT_EQ(file_write_long(f, 5), 4);
  EXPECT_EQ(file_write_string(f, u"Ab", EncodingUtf16), 4);
  file_close(f);
  EXPECT_EQ(content("out.bin"), (Bytes{0x01, 0x05, 0x00, 0x00, 0x00, 0x41, 0x00, 0x62, 0x00}));

  f = file_create(AnyNumber, path("out2.bin"));
  EXPECT_EQ(file_write_word(f, 0x12345), 2);
  EXPECT_EQ(file_write_long(f, -2), 4);
  EXPECT_EQ(file_write_byte(f, 0x1FF), 1);
  EXPECT_EQ(file_write_string(f, u""), 0);
  uint16_t raw[2] = {0xBEEF, 0x0102};
  EXPECT_EQ(file_write_data(f, raw, 4), 4);
  EXPECT_EQ(file_write_data(f, nullptr, 4), 0);
  EXPECT_EQ(file_write_data(f, raw, 0), 0);
  file_close(f);
  EXPECT_EQ(content("out2.bin"), (Bytes{0x45, 0x23, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0x02, 0x01}));
}

TEST_F(FileTest, StringEncodingsOnWrite) {
  int f = file_create(AnyNumber, path("s.bin"));
  String text = u"\u00E4\u20AC\U0001F600";
  // The default encoding of a file opened with flags 0 is UTF-8.
  EXPECT_EQ(file_write_string(f, text), 9);
  EXPECT_EQ(file_write_string(f, u"x", EncodingUtf8), 1);
  EXPECT_EQ(file_write_string(f, text, EncodingUtf16), 8);
  file_close(f);
  Bytes expected = {0xC3, 0xA4, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80, 'x',
                    0xE4, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
  EXPECT_EQ(content("s.bin"), expected);

  // A default encoding given in the open flags.
  f = file_create(AnyNumber, path("s16.bin"), EncodingUtf16);
  EXPECT_EQ(file_write_string(f, u"hi"), 4);
  file_seek(f, 0);
  EXPECT_EQ(file_read_string(f), u"hi");
  file_close(f);
  EXPECT_EQ(content("s16.bin"), utf16({'h', 'i'}));
}

TEST_F(FileTest, TypedReadsAreSignedAndZeroFilledAtTheEnd) {
  int f = open_with({0xFF, 0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xAA, 0x01});
  ASSERT_GT(f, 0);
  EXPECT_EQ(file_read_byte(f), -1);
  EXPECT_EQ(file_read_word(f), 0x1234);
  EXPECT_EQ(file_read_word(f), -2);
  EXPECT_EQ(file_read_long(f), 0x12345678);
  // Two bytes left: the value of those two bytes.
  EXPECT_EQ(file_read_long(f), 0x01AA);
  EXPECT_EQ(file_read_long(f), 0);
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"");
  unsigned char mem[4] = {9, 9, 9, 9};
  EXPECT_EQ(file_read_data(f, mem, 4), 0);
  EXPECT_EQ(mem[0], 9);
  file_seek(f, 9);
  EXPECT_EQ(file_read_data(f, mem, 4), 2);
  EXPECT_EQ(mem[0], 0xAA);
  EXPECT_EQ(mem[1], 0x01);
  EXPECT_EQ(mem[2], 9);  // bytes not read leave the memory unchanged
}

TEST_F(FileTest, NumbersThatNameNothing) {
  EXPECT_EQ(file_write_byte(12345, 1), 0);
  EXPECT_EQ(file_read_long(FixedNumberLimit + 77), 0);
  file_seek(3, 10);
  file_close(-5);
  int f = file_create(AnyNumber, path("c.bin"));
  file_close(f);
  EXPECT_EQ(file_write_byte(f, 1), 0);  // closed handle
  file_close(f);                        // twice is harmless
}

TEST_F(FileTest, OpenCreateAndFailures) {
  EXPECT_EQ(file_create(AnyNumber, path("missing/dir/x.bin")), 0);
  // A path that names a directory is refused in every mode.
  EXPECT_EQ(file_create(AnyNumber, string_from_utf8(dir)), 0);
  EXPECT_EQ(file_open(AnyNumber, string_from_utf8(dir)), 0);
  EXPECT_EQ(file_read_only(AnyNumber, string_from_utf8(dir)), 0);
  EXPECT_EQ(file_create(-7, path("neg.bin")), 0);

  // file_open creates a missing file empty.
  int f = file_open(AnyNumber, path("new.bin"));
  ASSERT_GT(f, 0);
  EXPECT_EQ(file_read_byte(f), 0);
  file_close(f);
  EXPECT_EQ(content("new.bin"), Bytes{});

  // file_open keeps existing contents; file_create truncates.
  put("keep.bin", {1, 2, 3});
  f = file_open(AnyNumber, path("keep.bin"));
  EXPECT_EQ(file_read_byte(f), 1);
  file_write_byte(f, 9);
  file_close(f);
  EXPECT_EQ(content("keep.bin"), (Bytes{1, 9, 3}));
  f = file_create(AnyNumber, path("keep.bin"));
  file_close(f);
  EXPECT_EQ(content("keep.bin"), Bytes{});

  // Append moves to the end after opening.
  put("app.bin", {1, 2});
  f = file_open(AnyNumber, path("app.bin"), FileAppend);
  EXPECT_EQ(file_position(f), 2);
  file_write_byte(f, 3);
  file_close(f);
  EXPECT_EQ(content("app.bin"), (Bytes{1, 2, 3}));

  // Read only: writes are refused, reads work.
  f = file_read_only(AnyNumber, path("app.bin"));
  ASSERT_GT(f, 0);
  EXPECT_EQ(file_write_byte(f, 7), 0);
  EXPECT_EQ(file_read_byte(f), 1);
  file_close(f);
  EXPECT_EQ(content("app.bin"), (Bytes{1, 2, 3}));
}

TEST_F(FileTest, HandlesAndFixedNumbers) {
  int a = file_create(AnyNumber, path("a.bin"));
  int b = file_create(AnyNumber, path("b.bin"));
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(file_create(2, path("c.bin")), 1);
  file_write_byte(2, 0x11);
  // Reusing a fixed number closes the old file first, its data written out.
  EXPECT_EQ(file_create(2, path("d.bin")), 1);
  file_write_byte(2, 0x22);
  EXPECT_EQ(content("c.bin"), Bytes{0x11});
  // Reusing the number for the same path: the old data must not land in the
  // new, truncated file.
  EXPECT_EQ(file_create(2, path("d.bin")), 1);
  file_write_byte(2, 0x33);
  file_write_byte(a, 0xA);
  file_write_byte(b, 0xB);
  file_close(-1);
  EXPECT_EQ(content("d.bin"), Bytes{0x33});
  EXPECT_EQ(content("a.bin"), Bytes{0xA});
  EXPECT_EQ(content("b.bin"), Bytes{0xB});
  EXPECT_EQ(file_write_byte(2, 1), 0);
  EXPECT_EQ(file_write_byte(a, 1), 0);
  // A failed open under a number in use leaves no file under it.
  EXPECT_EQ(file_create(4, path("e.bin")), 1);
  EXPECT_EQ(file_create(4, path("missing/e.bin")), 0);
  EXPECT_EQ(file_write_byte(4, 1), 0);
}

TEST_F(FileTest, BufferedWritesOfEverySizeGiveTheSameContent) {
  // The same bytes written in small pieces, in pieces that straddle the
  // buffer's end, and in blocks that go straight to the stream.
  Bytes data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 256);
  for (int64_t piece : {1, 4095, 4096, 4097, 10000}) {
    std::string name = "w" + std::to_string(piece) + ".bin";
    int f = file_create(AnyNumber, path(name));
    int64_t written = 0;
    for (int64_t at = 0; at < static_cast<int64_t>(data.size()); at += piece) {
      int64_t n = std::min<int64_t>(piece, static_cast<int64_t>(data.size()) - at);
      written += file_write_data(f, data.data() + at, n);
      ASSERT_EQ(file_position(f), at + n);
    }
    EXPECT_EQ(written, static_cast<int64_t>(data.size()));
    file_close(f);
    EXPECT_EQ(content(name), data) << piece;
  }
  // A small write, then a big one: the buffered bytes come first.
  int f = file_create(AnyNumber, path("mix.bin"));
  file_write_byte(f, 0xEE);
  file_write_data(f, data.data(), 5000);
  file_write_byte(f, 0xDD);
  file_close(f);
  Bytes expected = {0xEE};
  expected.insert(expected.end(), data.begin(), data.begin() + 5000);
  expected.push_back(0xDD);
  EXPECT_EQ(content("mix.bin"), expected);
}

TEST_F(FileTest, BufferedReadsOfEverySize) {
  Bytes data(20000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i ^ (i >> 8));
  for (int64_t piece : {1, 4095, 4096, 4097, 30000}) {
    int f = open_with(data);
    Bytes got;
    Bytes chunk(static_cast<size_t>(piece));
    for (;;) {
      int64_t n = file_read_data(f, chunk.data(), piece);
      got.insert(got.end(), chunk.begin(), chunk.begin() + n);
      ASSERT_EQ(file_position(f), static_cast<int64_t>(got.size()));
      if (n < piece) break;
    }
    EXPECT_EQ(got, data) << piece;
    file_close(f);
  }
}

TEST_F(FileTest, SwitchingBetweenReadingAndWritingKeepsThePosition) {
  Bytes data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i);
  int f = open_with(data);
  ASSERT_GT(f, 0);
  EXPECT_EQ(file_read_byte(f), 0);  // buffer now holds read-ahead
  EXPECT_EQ(file_read_byte(f), 1);
  EXPECT_EQ(file_write_word(f, 0xBBAA), 2);  // lands at 2 and 3
  EXPECT_EQ(file_position(f), 4);
  EXPECT_EQ(file_read_byte(f), 4);  // pending write goes out first
  EXPECT_EQ(file_write_byte(f, 0xCC), 1);  // at 5
  file_seek(f, 4094);
  EXPECT_EQ(file_read_word(f), static_cast<int16_t>(0xFFFE));  // bytes 4094, 4095
  file_write_long(f, 0x44332211);  // across the first refill boundary
  EXPECT_EQ(file_read_byte(f), static_cast<int8_t>(4100 & 0xFF));
  file_seek(f, -2, 1);
  EXPECT_EQ(file_position(f), 4099);
  EXPECT_EQ(file_read_byte(f), 0x44);
  file_seek(f, 9999);
  file_write_word(f, 0x5555);  // extends the file by one byte
  file_close(f);

  Bytes expected = data;
  expected[2] = 0xAA;
  expected[3] = 0xBB;
  expected[5] = 0xCC;
  expected[4096] = 0x11;
  expected[4097] = 0x22;
  expected[4098] = 0x33;
  expected[4099] = 0x44;
  expected[9999] = 0x55;
  expected.push_back(0x55);
  EXPECT_EQ(content("in.bin"), expected);
}

TEST_F(FileTest, SeekModes) {
  int f = open_with({10, 11, 12, 13, 14, 15});
  file_seek(f, 3);
  EXPECT_EQ(file_read_byte(f), 13);
  file_seek(f, -3, 1);
  EXPECT_EQ(file_read_byte(f), 11);
  file_seek(f, 2, 1);
  EXPECT_EQ(file_read_byte(f), 14);
  // A position before the start cannot be reached: the file stays where it was.
  file_seek(f, -100, 1);
  EXPECT_EQ(file_position(f), 5);
  EXPECT_EQ(file_read_byte(f), 15);
  file_seek(f, -1);
  EXPECT_EQ(file_position(f), 6);
  // Moving while writing writes out the pending bytes first.
  file_seek(f, 0);
  file_write_byte(f, 20);
  file_seek(f, 1, 1);
  file_write_byte(f, 22);
  file_seek(f, 0);
  EXPECT_EQ(file_read_long(f), 0x0D160B14);
  // Beyond the end: a later write leaves a gap of zero bytes.
  file_seek(f, 8);
  file_write_byte(f, 1);
  file_close(f);
  EXPECT_EQ(content("in.bin"), (Bytes{20, 11, 22, 13, 14, 15, 0, 0, 1}));
}

TEST_F(FileTest, ReadStringUtf16LimitsAndLineEnds) {
  int f = open_with(utf16({'A', 'B', 'C', 'D'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 3), u"ABC");
  EXPECT_EQ(file_position(f), 6);
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"D");
  file_close(f);

  f = open_with(utf16({'A', 13, 10, 'B'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 5), u"A");
  EXPECT_EQ(file_position(f), 6);
  file_close(f);

  f = open_with(utf16({'A', 13, 'B'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 5), u"A");
  EXPECT_EQ(file_position(f), 4);  // the unit after CR is given back
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"B");
  file_close(f);

  f = open_with(utf16({'A', 10, 'B', 0, 'C', 13}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"A");
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"B");
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"C");  // CR at the end of the file
  EXPECT_EQ(file_position(f), 12);
  file_close(f);

  // ReadWholeString keeps line ends and stops at 0 only.
  f = open_with(utf16({'A', 13, 10, 'B', 0, 'C'}));
  String whole = file_read_string(f, EncodingUtf16 | ReadWholeString);
  EXPECT_EQ(whole, String(u"A\r\nB"));
  EXPECT_EQ(file_read_string(f, EncodingUtf16 | ReadWholeString), u"C");
  file_close(f);

  // A stored string of L units is read completely by a read limited to L.
  f = open_with(utf16({'H', 'e', 'l', 'd', 'X'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 4), u"Held");
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 0), u"");
  EXPECT_EQ(file_position(f), 8);
  file_close(f);

  // A trailing odd byte is no unit.
  Bytes odd = utf16({'A'});
  odd.push_back('B');
  f = open_with(odd);
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"A");
  file_close(f);
}

TEST_F(FileTest, LimitedReadNeverGoesPastItsLimit) {
  // CR as the last unit the limit allows: the LF after it stays unread.
  int f = open_with(utf16({'A', 13, 10, 'B'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 2), u"A");
  EXPECT_EQ(file_position(f), 4);
  file_close(f);

  // CR then any unit when the limit is used up: nothing beyond is consumed.
  f = open_with(utf16({13, 'Z'}));
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 1), u"");
  EXPECT_EQ(file_position(f), 2);
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 1), u"Z");
  file_close(f);

  // 0 units and lone surrogates count one unit each.
  f = open_with(utf16({0xD800, 0xDC00, 0xDFFF, 0, 'Q'}));
  String s = file_read_string(f, EncodingUtf16, 2);
  EXPECT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0], 0xD800);
  EXPECT_EQ(s[1], 0xDC00);
  EXPECT_EQ(file_position(f), 4);
  s = file_read_string(f, EncodingUtf16, 2);  // lone low surrogate, then the 0
  EXPECT_EQ(s, String(1, char16_t(0xDFFF)));
  EXPECT_EQ(file_position(f), 8);
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 1), u"Q");
  file_close(f);

  // A CR followed by a cut-off unit at the end gives only that byte back.
  Bytes cut = utf16({'A', 13});
  cut.push_back(0x41);
  f = open_with(cut);
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 10), u"A");
  EXPECT_EQ(file_position(f), 4);
  EXPECT_EQ(file_read_byte(f), 0x41);
  file_close(f);
}

TEST_F(FileTest, ReadStringUtf8) {
  Bytes bytes = {'a', 0xC3, 0xA4, 0xF0, 0x9F, 0x98, 0x80, '\n', 0x80, 'b', 0xC3, 'c', '\r', '\n', 'd', 0xE2, 0x82};
  int f = open_with(bytes);
  // The limit counts sequences: a 4-byte character counts one.
  EXPECT_EQ(file_read_string(f, EncodingUtf8, 3), u"a\u00E4\U0001F600");
  EXPECT_EQ(file_position(f), 7);
  EXPECT_EQ(file_read_string(f), u"");  // the line feed alone
  // A byte that starts no sequence reads as "?"; so does a lead byte whose
  // sequence breaks off, and the breaking byte is read anew.
  EXPECT_EQ(file_read_string(f), u"?b?c");
  EXPECT_EQ(file_position(f), 14);
  // A sequence cut short by the end of the file ends the string.
  EXPECT_EQ(file_read_string(f), u"d");
  file_close(f);

  // Over-long zero and values above U+10FFFF are "?", never the unit 0.
  f = open_with({'x', 0xC0, 0x80, 0xF7, 0xBF, 0xBF, 0xBF, 'y', 0, 'z'});
  EXPECT_EQ(file_read_string(f), u"x??y");
  EXPECT_EQ(file_read_string(f), u"z");
  file_close(f);

  // CR followed by a multi-byte character gives the whole character back.
  f = open_with({'a', '\r', 0xC3, 0xA4});
  EXPECT_EQ(file_read_string(f), u"a");
  EXPECT_EQ(file_position(f), 2);
  EXPECT_EQ(file_read_string(f), u"\u00E4");
  file_close(f);
}

TEST_F(FileTest, StringRoundTripAcrossTheBuffer) {
  int f = file_create(AnyNumber, path("rt.bin"));
  String line(3000, u'x');
  line += u"\u00E4\U0001F600";
  for (int i = 0; i < 5; ++i) {
    file_write_word(f, static_cast<int64_t>(line.size()));
    file_write_string(f, line, EncodingUtf16);
  }
  file_seek(f, 0);
  for (int i = 0; i < 5; ++i) {
    int length = file_read_word(f);
    ASSERT_EQ(length, static_cast<int>(line.size()));
    EXPECT_EQ(file_read_string(f, EncodingUtf16, length), line) << i;
  }
  file_close(f);
}

TEST_F(FileTest, UnbufferedFiles) {
  int f = file_create(AnyNumber, path("u.bin"), FileUnbuffered);
  ASSERT_GT(f, 0);
  file_write_byte(f, 1);
  file_write_string(f, u"Ab", EncodingUtf16);
  // Each string write is flushed at once.
  EXPECT_EQ(content("u.bin"), (Bytes{1, 'A', 0, 'b', 0}));
  file_seek(f, 1);
  EXPECT_EQ(file_read_string(f, EncodingUtf16, 1), u"A");
  file_write_word(f, 'c');
  file_seek(f, 0);
  EXPECT_EQ(file_read_byte(f), 1);
  EXPECT_EQ(file_read_string(f, EncodingUtf16), u"Ac");
  file_close(f);
  EXPECT_EQ(content("u.bin"), (Bytes{1, 'A', 0, 'c', 0}));
}

}  // namespace
