// Typed, buffered files; directory listings and file sizes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/files.h"
#include "support/temp_dir.h"

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

// The names a listing gives, sorted (file-system order is not fixed).
std::vector<std::string> list(const String& path, const String& pattern) {
  int listing = dir_examine(AnyNumber, path, pattern);
  std::vector<std::string> out;
  EXPECT_EQ(dir_entry_name(listing), u"");  // none before the first
  while (dir_next_entry(listing) == 1) out.push_back(string_to_utf8(dir_entry_name(listing)));
  dir_finish(listing);
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(FileTest, ValuesAndStringsAsExactBytes) {
  EXPECT_EQ(file_create(AnyNumber, upath("missing/x.bin")), 0);
  int f = file_create(AnyNumber, upath("out.bin"));
  EXPECT_EQ(file_write_byte(f, 1) + file_write_long(f, 5) + file_write_string(f, u"A\U0001F600", EncodingUtf16), 11);
  EXPECT_EQ(file_write_word(f, 0x12345) + file_write_long(f, -2) + file_write_string(f, u"\u00E4"), 8);
  file_close(f);
  EXPECT_EQ(file_write_byte(f, 1), 0);  // closed
  EXPECT_EQ(read("out.bin"), "\x01\x05\0\0\0A\0\x3D\xD8\x00\xDE\x45\x23\xFE\xFF\xFF\xFF\xC3\xA4"s);

  f = open_with("\xFF\x34\x12\xFE\xFF\x78\x56\x34\x12\xAA\x01");
  EXPECT_EQ(std::vector<int64_t>({file_read_byte(f), file_read_word(f), file_read_word(f), file_read_long(f),
                                  file_read_long(f), file_read_long(f)}),
            std::vector<int64_t>({-1, 0x1234, -2, 0x12345678, 0x01AA, 0}));  // short and empty at the end

  // A UTF-16 string ends at 0 or a line end (CR, LF, CR LF), consumed, and
  // never reads past its limit.
  const String pad(2047, u'x');
  const struct { String units; int flags; int64_t limit; String expected; int64_t position; } cases[] = {
      {u"ABCD", 0, 3, u"ABC", 6},  {u"A\r\nB", 0, 5, u"A", 6},          {u"A\rB", 0, 5, u"A", 4},
      {u"A\r\nB", 0, 2, u"A", 4},  {String(u"A\0B", 3), 0, -1, u"A", 4}, {pad + u"\rB", 0, -1, pad, 4096},
      {String(u"A\r\nB\0C", 6), ReadWholeString, -1, u"A\r\nB", 10}};
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
    for (int64_t at = 0; at < 20000; at += piece) file_write_data(f, &data[at], std::min<int64_t>(piece, 20000 - at));
    file_close(f);
    EXPECT_EQ(read("w.bin"), data) << piece;
    f = open_with(data);
    std::string got, chunk(static_cast<size_t>(piece), 0);
    for (int64_t n = piece; n == piece; got.append(chunk, 0, size_t(n))) n = file_read_data(f, chunk.data(), piece);
    EXPECT_EQ(got, data) << piece;
    file_close(f);
  }
  int f = open_with(data.substr(0, 10000));
  file_read_word(f);
  EXPECT_EQ(file_write_word(f, 0xBBAA), 2);
  EXPECT_EQ(file_read_byte(f), data[4]);
  file_seek(f, 4095);
  EXPECT_EQ(file_read_byte(f), data[4095]);
  file_write_long(f, 0x44332211);  // across the first refill boundary
  EXPECT_EQ(file_read_byte(f), data[4100]);
  file_seek(f, -2, 1);
  EXPECT_EQ(file_read_byte(f), 0x44);
  file_seek(f, -100000, 1);  // before the start: stays where it was
  EXPECT_EQ(file_position(f), 4100);
  file_seek(f, 10001);
  file_write_byte(f, 0x55);  // beyond the end: a gap of zero bytes
  file_close(-1);
  EXPECT_EQ(read("in.bin"), data.substr(0, 2) + "\xAA\xBB" + data.substr(4, 4092) + "\x11\x22\x33\x44" +
                                data.substr(4100, 5900) + "\0\x55"s);
}

TEST_F(FileTest, ListingsMatchWithCaseAndIncludeSubdirectoriesAndLinks) {
  for (const char* name : {"a.png", "b.PNG", "c.txt", ".h\xC3\xBC.png"}) write(name, "");
  ASSERT_EQ(mkdir(path("d.png").c_str(), 0755), 0);
  ASSERT_EQ(symlink(path("nowhere").c_str(), path("broken.png").c_str()), 0);  // listed, not followed
  String base = string_from_utf8(dir);
  EXPECT_EQ(list(base + u"/", u"*.png"), (std::vector<std::string>{".h\xC3\xBC.png", "a.png", "broken.png", "d.png"}));
  EXPECT_EQ(list(base, u"*.*").size(), 8u);  // everything, "." and ".." too
  EXPECT_EQ(dir_examine(AnyNumber, base + u"/missing", u""), 0);
  write("ten.bin", "0123456789");
  ASSERT_EQ(symlink(path("ten.bin").c_str(), path("link.txt").c_str()), 0);
  EXPECT_EQ(std::vector<int64_t>({file_size(upath("c.txt")), file_size(upath("link.txt")), file_size(base),
                                  file_size(upath("x")), file_size(u"")}),
            std::vector<int64_t>({0, 10, -2, -1, -1}));
}

}  // namespace
