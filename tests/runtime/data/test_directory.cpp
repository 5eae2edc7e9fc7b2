#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/directory.h"
#include "runtime/toolkit/objects.h"

namespace {

class DirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrel-dir-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    dir_finish(-1);
    std::string command = "rm -rf '" + dir + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cleanup failed";
  }

  void touch(const std::string& name, size_t size = 0) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out << std::string(size, 'x');
  }
  void make_dir(const std::string& name) { ASSERT_EQ(mkdir((dir + "/" + name).c_str(), 0755), 0); }

  // All names the listing gives, sorted (the file system's order is not fixed).
  static std::vector<std::string> names(int listing) {
    std::vector<std::string> out;
    while (dir_next_entry(listing) == 1) out.push_back(string_to_utf8(dir_entry_name(listing)));
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<std::string> list(const String& path, const String& pattern) {
    int listing = dir_examine(AnyNumber, path, pattern);
    EXPECT_GT(listing, 0);
    if (listing <= 0) return {};
    std::vector<std::string> out = names(listing);
    EXPECT_EQ(dir_next_entry(listing), 0);
    EXPECT_EQ(dir_entry_name(listing), u"");
    dir_finish(listing);
    return out;
  }

  String path() { return string_from_utf8(dir); }

  std::string dir;
};

using Names = std::vector<std::string>;

TEST_F(DirectoryTest, PatternMatchesWithCaseAndIncludesDirectories) {
  touch("a.png");
  touch("b.PNG");
  touch("c.txt");
  make_dir("d.png");
  EXPECT_EQ(list(path(), u"*.png"), (Names{"a.png", "d.png"}));
  EXPECT_EQ(list(path(), u"*.PNG"), (Names{"b.PNG"}));
  EXPECT_EQ(list(path(), u"?.txt"), (Names{"c.txt"}));
  EXPECT_EQ(list(path(), u"[ab].*"), (Names{"a.png", "b.PNG"}));
  // Empty pattern and "*.*" let everything through, "." and ".." included.
  Names all = {".", "..", "a.png", "b.PNG", "c.txt", "d.png"};
  EXPECT_EQ(list(path(), u""), all);
  EXPECT_EQ(list(path(), u"*.*"), all);
  EXPECT_EQ(list(path(), u"*"), all);
  // Wildcards match a leading dot.
  touch(".hidden.png");
  EXPECT_EQ(list(path(), u"*.png"), (Names{".hidden.png", "a.png", "d.png"}));
  // A backslash is an ordinary character.
  touch("a\\b");
  EXPECT_EQ(list(path(), u"a\\*"), (Names{"a\\b"}));
}

TEST_F(DirectoryTest, TrailingSlashAndEmptyPath) {
  touch("one.tvf");
  make_dir("sub");
  touch("sub/inner.tvf");
  EXPECT_EQ(list(path(), u"*.tvf"), (Names{"one.tvf"}));
  EXPECT_EQ(list(path() + u"/", u"*.tvf"), (Names{"one.tvf"}));
  EXPECT_EQ(list(path() + u"/sub", u"*.tvf"), (Names{"inner.tvf"}));
  // The empty path is the working directory.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  EXPECT_EQ(list(u"", u"*.tvf"), (Names{"one.tvf"}));
  ASSERT_EQ(chdir(previous), 0);
}

TEST_F(DirectoryTest, NonAsciiNames) {
  touch("gr\xC3\xBC\xC3\x9F.png");
  int listing = dir_examine(AnyNumber, path(), u"gr\u00FC*");
  ASSERT_EQ(dir_next_entry(listing), 1);
  EXPECT_EQ(dir_entry_name(listing), u"gr\u00FC\u00DF.png");
}

TEST_F(DirectoryTest, SymbolicLinksAreListedNotFollowed) {
  touch("real.png");
  ASSERT_EQ(symlink((dir + "/nowhere").c_str(), (dir + "/broken.png").c_str()), 0);
  // lstat succeeds for a dangling link, so it is listed.
  EXPECT_EQ(list(path(), u"*.png"), (Names{"broken.png", "real.png"}));
  EXPECT_EQ(file_size(string_from_utf8(dir + "/broken.png")), -1);
}

TEST_F(DirectoryTest, NumbersAndLifecycle) {
  touch("x.png");
  // Before the first step there is no current entry.
  EXPECT_EQ(dir_examine(3, path(), u"*.png"), 1);
  EXPECT_EQ(dir_entry_name(3), u"");
  EXPECT_EQ(dir_next_entry(3), 1);
  EXPECT_EQ(dir_entry_name(3), u"x.png");
  EXPECT_EQ(dir_next_entry(3), 0);
  EXPECT_EQ(dir_entry_name(3), u"");
  EXPECT_EQ(dir_next_entry(3), 0);
  // Reusing the number starts a fresh listing.
  EXPECT_EQ(dir_examine(3, path(), u"*.png"), 1);
  EXPECT_EQ(dir_next_entry(3), 1);
  // A directory that cannot be opened leaves no listing under the number.
  EXPECT_EQ(dir_examine(3, path() + u"/missing", u""), 0);
  EXPECT_EQ(dir_next_entry(3), 0);
  EXPECT_EQ(dir_entry_name(3), u"");
  // A file is no directory.
  EXPECT_EQ(dir_examine(4, path() + u"/x.png", u""), 0);
  // Numbers that name nothing.
  EXPECT_EQ(dir_next_entry(99), 0);
  EXPECT_EQ(dir_entry_name(FixedNumberLimit + 5), u"");
  dir_finish(99);
  EXPECT_EQ(dir_examine(-3, path(), u""), 0);
  // Handles are distinct and finish one by one or all together.
  int a = dir_examine(AnyNumber, path(), u"");
  int b = dir_examine(AnyNumber, path(), u"");
  EXPECT_GT(a, 0);
  EXPECT_GT(b, 0);
  EXPECT_NE(a, b);
  dir_finish(a);
  EXPECT_EQ(dir_next_entry(a), 0);
  EXPECT_EQ(dir_next_entry(b), 1);
  EXPECT_EQ(dir_examine(5, path(), u""), 1);
  dir_finish(-1);
  EXPECT_EQ(dir_next_entry(b), 0);
  EXPECT_EQ(dir_next_entry(5), 0);
}

TEST_F(DirectoryTest, FileSize) {
  touch("empty.bin");
  touch("ten.bin", 10);
  make_dir("sub");
  EXPECT_EQ(file_size(string_from_utf8(dir + "/empty.bin")), 0);
  EXPECT_EQ(file_size(string_from_utf8(dir + "/ten.bin")), 10);
  EXPECT_EQ(file_size(string_from_utf8(dir + "/sub")), -2);
  EXPECT_EQ(file_size(path()), -2);
  EXPECT_EQ(file_size(string_from_utf8(dir + "/missing.bin")), -1);
  EXPECT_EQ(file_size(u""), -1);
  // stat follows links.
  ASSERT_EQ(symlink((dir + "/ten.bin").c_str(), (dir + "/link.bin").c_str()), 0);
  EXPECT_EQ(file_size(string_from_utf8(dir + "/link.bin")), 10);
}

TEST_F(DirectoryTest, LongPathsAreRefusedWithoutHarm) {
  // A directory path longer than the path buffer.
  String long_path = path() + u"/" + String(5000, u'a');
  EXPECT_EQ(dir_examine(AnyNumber, long_path, u""), 0);
  EXPECT_EQ(dir_examine(7, long_path, u"*"), 0);
  EXPECT_EQ(dir_next_entry(7), 0);
  EXPECT_EQ(file_size(long_path), -1);

  // A real, deep directory whose entries' full paths exceed the buffer: the
  // long entry is skipped, the short one listed.
  std::string deep = dir;
  while (deep.size() < 3900) {
    deep += "/" + std::string(200, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0) << deep.size();
  }
  std::string short_name = "s.png";
  std::string long_name = std::string(250 - 4, 'L') + ".png";
  ASSERT_GT(deep.size() + 1 + long_name.size() + 1, 4096u);
  ASSERT_LT(deep.size() + 1 + short_name.size() + 1, 4096u);
  // The full path is too long for the system calls: create them relatively.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(deep.c_str()), 0);
  bool created = static_cast<bool>(std::ofstream(short_name) << "x") && static_cast<bool>(std::ofstream(long_name) << "x");
  ASSERT_EQ(chdir(previous), 0);
  ASSERT_TRUE(created);
  int listing = dir_examine(AnyNumber, string_from_utf8(deep), u"*.png");
  ASSERT_GT(listing, 0);
  EXPECT_EQ(names(listing), (Names{short_name}));
  dir_finish(listing);
  EXPECT_EQ(file_size(string_from_utf8(deep + "/" + short_name)), 1);
  EXPECT_EQ(file_size(string_from_utf8(deep + "/" + long_name)), -1);
}

}  // namespace
