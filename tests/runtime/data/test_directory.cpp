#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/temp_dir.h"

namespace {

using Names = std::vector<std::string>;

class DirectoryTest : public ::testing::Test, protected TempDir {
 protected:
  void TearDown() override { dir_finish(-1); }

  // The names a listing gives, sorted (file-system order is not fixed).
  Names list(const String& path, const String& pattern) {
    int listing = dir_examine(AnyNumber, path, pattern);
    EXPECT_GT(listing, 0);
    Names out;
    while (dir_next_entry(listing) == 1) out.push_back(string_to_utf8(dir_entry_name(listing)));
    EXPECT_EQ(dir_entry_name(listing), u"");  // none after the last
    dir_finish(listing);
    std::sort(out.begin(), out.end());
    return out;
  }
};

TEST_F(DirectoryTest, PatternsMatchWithCaseAndIncludeSubdirectories) {
  for (const char* name : {"a.png", "b.PNG", "c.txt", ".hidden.png", "a\\b", "gr\xC3\xBC\xC3\x9F.png"})
    write(name, "");
  ASSERT_EQ(mkdir(path("d.png").c_str(), 0755), 0);
  write("d.png/inner.png", "");
  String base = string_from_utf8(dir);
  EXPECT_EQ(list(base, u"*.png"), (Names{".hidden.png", "a.png", "d.png", "gr\xC3\xBC\xC3\x9F.png"}));
  EXPECT_EQ(list(base + u"/", u"*.png"), list(base, u"*.png"));
  EXPECT_EQ(list(base, u"*.PNG"), (Names{"b.PNG"}));
  EXPECT_EQ(list(base, u"[ab]?*"), (Names{"a.png", "a\\b", "b.PNG"}));
  EXPECT_EQ(list(base, u"a\\*"), (Names{"a\\b"}));  // the backslash is an ordinary character
  EXPECT_EQ(list(base + u"/d.png", u"*.png"), (Names{"inner.png"}));
  Names all = {".", "..", ".hidden.png", "a.png", "a\\b", "b.PNG", "c.txt", "d.png", "gr\xC3\xBC\xC3\x9F.png"};
  EXPECT_EQ(list(base, u""), all);
  EXPECT_EQ(list(base, u"*.*"), all);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  EXPECT_EQ(list(u"", u"c*"), (Names{"c.txt"}));  // the working directory
  ASSERT_EQ(chdir(previous), 0);
}

TEST_F(DirectoryTest, NumbersAndLifecycle) {
  write("x.png", "");
  String base = string_from_utf8(dir);
  EXPECT_EQ(dir_examine(3, base, u"*.png"), 1);
  EXPECT_EQ(dir_entry_name(3), u"");
  EXPECT_EQ(dir_next_entry(3), 1);
  EXPECT_EQ(dir_entry_name(3), u"x.png");
  EXPECT_EQ(dir_examine(3, base + u"/missing", u""), 0);  // leaves no listing under 3
  EXPECT_EQ(dir_next_entry(3), 0);
  EXPECT_EQ(dir_examine(4, base + u"/x.png", u""), 0);
  int handle = dir_examine(AnyNumber, base, u"");
  EXPECT_EQ(dir_next_entry(handle), 1);
  dir_finish(-1);
  EXPECT_EQ(dir_next_entry(handle), 0);
}

TEST_F(DirectoryTest, FileSize) {
  write("empty.bin", "");
  write("ten.bin", "0123456789");
  ASSERT_EQ(symlink(path("ten.bin").c_str(), path("link.bin").c_str()), 0);
  ASSERT_EQ(symlink(path("nowhere").c_str(), path("broken.bin").c_str()), 0);
  EXPECT_EQ(file_size(upath("empty.bin")), 0);
  EXPECT_EQ(file_size(upath("ten.bin")), 10);
  EXPECT_EQ(file_size(upath("link.bin")), 10);
  EXPECT_EQ(file_size(string_from_utf8(dir)), -2);
  EXPECT_EQ(file_size(upath("missing.bin")), -1);
  EXPECT_EQ(file_size(upath("broken.bin")), -1);
  EXPECT_EQ(file_size(u""), -1);
  EXPECT_EQ(list(string_from_utf8(dir), u"b*"), (Names{"broken.bin"}));  // listed, not followed
}

TEST_F(DirectoryTest, LongPathsAreRefusedWithoutHarm) {
  String too_long = string_from_utf8(dir) + u"/" + String(5000, u'a');
  EXPECT_EQ(dir_examine(7, too_long, u"*"), 0);
  EXPECT_EQ(dir_next_entry(7), 0);
  EXPECT_EQ(file_size(too_long), -1);

  // A deep directory whose long entry's full path exceeds 4096 bytes: that
  // entry is skipped, the short one listed.
  std::string deep = dir;
  while (deep.size() < 3900) {
    deep += "/" + std::string(200, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  std::string long_name = std::string(246, 'L') + ".png";
  ASSERT_GT(deep.size() + 1 + long_name.size() + 1, 4096u);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(deep.c_str()), 0);  // the full paths are too long to create the files by
  bool created = std::ofstream("s.png") << "x" && std::ofstream(long_name) << "x";
  ASSERT_EQ(chdir(previous), 0);
  ASSERT_TRUE(created);
  EXPECT_EQ(list(string_from_utf8(deep), u"*.png"), (Names{"s.png"}));
  EXPECT_EQ(file_size(string_from_utf8(deep + "/s.png")), 1);
  EXPECT_EQ(file_size(string_from_utf8(deep + "/" + long_name)), -1);
}

}  // namespace
