#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "runtime/core/strings.h"

namespace {

TEST(Strings, OperationsUtf8AndDates) {
  EXPECT_EQ(path_part(u"\"/home/u/plan.tvf\"") + path_part(u"plan.tvf"), u"/home/u/");
  // Matches never overlap and replaced text is not searched again.
  EXPECT_EQ(string_replace(u"aaa", u"aa", u"b") + string_replace(u"xa", u"a", u"ba") + string_replace(u"c", u"", u"x"),
            u"baxbac");
  const struct { String text; int64_t value; } numbers[] = {
      {u"\t 42x", 42}, {u"$fF", 255}, {u"%1012", 5}, {u"-$10", -16}, {u"+7", 7}, {u"x", 0}, {u"--5", 0}};
  for (const auto& c : numbers) EXPECT_EQ(string_to_integer(c.text), c.value) << string_to_utf8(c.text);

  // A lone low surrogate takes 3 bytes; a high one without its low one ends the text.
  EXPECT_EQ(string_to_utf8(u"\x7F\x80\x800\U0001F600|\xDC00|\xD800" u"b"),
            "\x7F\xC2\x80\xE0\xA0\x80\xF0\x9F\x98\x80|\xED\xB0\x80|");
  EXPECT_EQ(string_from_utf8("\x7F\xC2\x80\xE0\xA0\x80\xF0\x9F\x98\x80"), u"\x7F\x80\x800\U0001F600");
  // Decoding stops at a bad lead byte, above U+10FFFF, at a cut-off sequence
  // and at an over-long 0.
  for (const char* bad : {"ab\x80" "cd", "ab\xF4\x90\x80\x80", "ab\xE2\x82", "ab\xC3" "x", "ab\xC0\x80" "cd"})
    EXPECT_EQ(string_from_utf8(bad), u"ab") << bad;

  const struct { int y, m, d, h, i, s; int64_t value; } made[] = {
      {1970, 1, 1, 1, 2, 3, 3723}, {2000, 2, 29, 0, 0, 0, 951782400}, {2038, 1, 19, 3, 14, 8, -1},
      {1969, 12, 31, 23, 59, 59, -1}, {2023, 2, 29, 0, 0, 0, -1}, {2024, 1, 1, 24, 0, 0, -1}};
  for (const auto& c : made)
    EXPECT_EQ(date_make(c.y, c.m, c.d, c.h, c.i, c.s), c.value) << c.y << "-" << c.m << "-" << c.d;
  EXPECT_EQ(date_format(u"%dd.%mm.%yyyy %HH:%Ii:%sS %yyyyy %Yy 5% %x %%dd", date_make(2026, 12, 5, 13, 7, 0)),
            u"05.12.2026 13:07:00 2026y 26 5% %x %05");
  EXPECT_EQ(date_format(u"RIP %dd.%mm.%yy", date_make(2004, 2, 29, 9, 59, 59)), u"RIP 29.02.04");

  const char* saved = getenv("TZ");
  std::string old = saved ? saved : "";
  setenv("TZ", "XYZ-05:30", 1);  // 5 h 30 min east of universal time, no daylight saving
  tzset();
  EXPECT_NEAR(date_now() - static_cast<int64_t>(time(nullptr)), 19800, 2);
  saved ? setenv("TZ", old.c_str(), 1) : unsetenv("TZ");
  tzset();
}

}  // namespace
