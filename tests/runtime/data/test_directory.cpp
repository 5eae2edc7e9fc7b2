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

// The names a listing gives, sorted (file-system order is not fixed).
Names list(const String& path, const String& pattern) {
  int listing = dir_examine(AnyNumber, path, pattern);
  Names out;
  EXPECT_EQ(dir_entry_name(listing), u"");  // none before the first
  while (dir_next_entry(listing) == 1) out.push_back(string_to_utf8(dir_entry_name(listing)));
  dir_finish(listing);
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Directory, PatternsMatchWithCaseAndIncludeSubdirectoriesAndLinks) {
  TempDir t;
  for (const char* name : {"a.png", "b.PNG", "c.txt", ".hidden.png", "gr\xC3\xBC\xC3\x9F.png"}) t.write(name, "");
  ASSERT_EQ(mkdir(t.path("d.png").c_str(), 0755), 0);
  ASSERT_EQ(symlink(t.path("nowhere").c_str(), t.path("broken.png").c_str()), 0);  // listed, not followed
  String base = string_from_utf8(t.dir);
  Names png = {".hidden.png", "a.png", "broken.png", "d.png", "gr\xC3\xBC\xC3\x9F.png"};
  EXPECT_EQ(list(base, u"*.png"), png);
  EXPECT_EQ(list(base + u"/", u"*.png"), png);
  EXPECT_EQ(list(base, u"[ab]?*"), (Names{"a.png", "b.PNG", "broken.png"}));
  EXPECT_EQ(list(base, u"*.*").size(), 9u);  // everything, "." and ".." too
  EXPECT_EQ(dir_examine(3, base, u"*.txt"), 1);  // a failed examine leaves no listing under its number
  EXPECT_EQ(dir_examine(3, base + u"/missing", u""), 0);
  EXPECT_EQ(dir_next_entry(3), 0);

  t.write("ten.bin", "0123456789");
  ASSERT_EQ(symlink(t.path("ten.bin").c_str(), t.path("link.txt").c_str()), 0);
  const struct { String path; int64_t size; } sizes[] = {
      {t.upath("c.txt"), 0}, {t.upath("ten.bin"), 10}, {t.upath("link.txt"), 10}, {base, -2}, {t.upath("x"), -1}, {u"", -1}};
  for (const auto& c : sizes) EXPECT_EQ(file_size(c.path), c.size) << string_to_utf8(c.path);
}

}  // namespace
