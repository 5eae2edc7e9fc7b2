#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "runtime/core/strings.h"

namespace {

TEST(Strings, Operations) {
  EXPECT_EQ(string_right(u"plan.tvf", 4), u".tvf");
  EXPECT_EQ(string_right(u"plan.tvf", 10), u"plan.tvf");
  EXPECT_EQ(string_right(u"plan.tvf", 0), u"");
  EXPECT_EQ(path_part(u"/home/u/plan.tvf"), u"/home/u/");
  EXPECT_EQ(path_part(u"plan.tvf"), u"");
  EXPECT_EQ(path_part(u"\"/home/u/plan.tvf\""), u"/home/u/");
  EXPECT_EQ(string_from_number(-12), u"-12");
  EXPECT_EQ(string_from_number(INT64_MIN), u"-9223372036854775808");
  std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8")) {
    EXPECT_EQ(string_lower(u"GLS\u00C4b"), u"gls\u00E4b");
    EXPECT_EQ(string_lower(u"\U0001F600"), u"\U0001F600");
  }
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(Strings, ReplaceWithoutOverlap) {
  const struct { String s, find, replacement, expected; } cases[] = {
      {u"aaa", u"aa", u"b", u"ba"},   {u"abab", u"ab", u"x", u"xx"}, {u"ab", u"a", u"aa", u"aab"},
      {u"xaxa", u"a", u"ba", u"xbaxba"}, {u"abc", u"", u"x", u"abc"}, {u"aAa", u"a", u"", u"A"}};
  for (const auto& c : cases) EXPECT_EQ(string_replace(c.s, c.find, c.replacement), c.expected);
}

TEST(Strings, ToIntegerBasesAndSigns) {
  const struct { String text; int64_t value; } cases[] = {
      {u"  42x", 42}, {u"\t 42", 42}, {u"$1F", 31}, {u"$fFg", 255}, {u"%1012", 5}, {u"-7", -7},
      {u"+7", 7}, {u"-$10", -16}, {u"x", 0}, {u"$", 0}, {u"--5", 0}, {u"- 5", 0}, {u"12a", 12},
      {u"\n5", 0}, {u"9223372036854775807", INT64_MAX}, {u"-9223372036854775808", INT64_MIN}};
  for (const auto& c : cases) EXPECT_EQ(string_to_integer(c.text), c.value) << string_to_utf8(c.text);
  string_to_integer(u"99999999999999999999999999999999999999");  // wraps, no overflow trap
}

TEST(Utf8, BoundariesAndSurrogates) {
  const struct { String text; std::string bytes; bool decodes_back; } encoded[] = {
      {u"\x7F", "\x7F", true}, {u"\x80", "\xC2\x80", true}, {u"\x7FF", "\xDF\xBF", true},
      {u"\x800", "\xE0\xA0\x80", true}, {u"\xFFFF", "\xEF\xBF\xBF", true},
      {u"\U0001F600", "\xF0\x9F\x98\x80", true}, {u"\U0010FFFF", "\xF4\x8F\xBF\xBF", true},
      {u"a\xDC00" u"b", "a\xED\xB0\x80" "b", false},  // lone low surrogate: 3 bytes
      {u"a\xD800" u"b", "a", false},                  // high surrogate without low one ends the text
      {u"xy\xDBFF", "xy", false}, {u"\xD800\xD801\xDC00", "", false}};
  for (const auto& c : encoded) {
    EXPECT_EQ(string_to_utf8(c.text), c.bytes);
    if (c.decodes_back) {
      EXPECT_EQ(string_from_utf8(c.bytes), c.text);
    }
  }
  // Decoding stops at a bad lead byte, above U+10FFFF, at a cut-off sequence
  // and at an over-long 0.
  for (const char* bad : {"ab\x80" "cd", "ab\xF8\x80\x80\x80\x80", "ab\xFF", "ab\xF4\x90\x80\x80",
                          "ab\xE2\x82", "ab\xF0\x9F", "ab\xC3" "x", "ab\xC0\x80" "cd"})
    EXPECT_EQ(string_from_utf8(bad), u"ab") << bad;
  EXPECT_EQ(string_from_utf8(static_cast<const char*>(nullptr)), u"");
}

TEST(Dates, MakeLimitsAndLeapYears) {
  const struct { int y, m, d, h, i, s; int64_t value; } cases[] = {
      {1970, 1, 1, 0, 0, 0, 0},          {1970, 1, 1, 1, 2, 3, 3723},
      {2000, 1, 1, 0, 0, 0, 946684800},  {2037, 12, 31, 23, 59, 59, 2145916799},
      {2038, 1, 19, 3, 14, 7, INT32_MAX}, {2038, 1, 19, 3, 14, 8, -1},
      {2038, 1, 19, 4, 0, 0, -1},        {2038, 1, 20, 0, 0, 0, -1},
      {2038, 2, 1, 0, 0, 0, -1},         {1969, 12, 31, 23, 59, 59, -1},
      {2039, 1, 1, 0, 0, 0, -1},         {2023, 2, 29, 0, 0, 0, -1},
      {2024, 2, 29, 0, 0, 0, 1709164800}, {2000, 2, 29, 0, 0, 0, 951782400},
      {2024, 2, 30, 0, 0, 0, -1},        {2024, 4, 31, 0, 0, 0, -1},
      {2024, 11, 31, 0, 0, 0, -1},       {2024, 1, 1, 24, 0, 0, -1},
      {2024, 1, 1, 0, 60, 0, -1},        {2024, 1, 1, 0, 0, 60, -1},
      {2024, 1, 0, 0, 0, 0, -1},         {2024, 13, 1, 0, 0, 0, -1},
      {2024, 1, 2, -1, 0, 0, -1},        {1970, 1, 1, 0, 0, -5, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(date_make(c.y, c.m, c.d, c.h, c.i, c.s), c.value) << c.y << "-" << c.m << "-" << c.d;
  EXPECT_NE(date_make(2024, 12, 31, 0, 0, 0), -1);
}

TEST(Dates, FormatTokens) {
  int64_t date = date_make(2026, 12, 5, 13, 7, 0);
  const struct { String mask; int64_t date; String expected; } cases[] = {
      {u"%dd.%mm.%yyyy", date, u"05.12.2026"},
      {u"%HH:%Ii:%sS %DD/%MM/%YYYY", date, u"13:07:00 05/12/2026"},
      {u"%yyyyy %yyy %Yy", date, u"2026y 26y 26"},
      {u"%yy", date_make(2005, 1, 1, 0, 0, 0), u"05"},
      {u"100% %x %%dd %d %", date, u"100% %x %05 %d %"},
      {u"%yyyy-%mm-%dd %hh:%ii:%ss", INT32_MAX, u"2038-01-19 03:14:07"},
      {u"RIP %dd.%mm.%yyyy %hh", date_make(2024, 2, 29, 9, 59, 59), u"RIP 29.02.2024 09"}};
  for (const auto& c : cases) EXPECT_EQ(date_format(c.mask, c.date), c.expected) << string_to_utf8(c.mask);
}

TEST(Dates, NowIsTheLocalWallClockTime) {
  std::string saved = getenv("TZ") ? getenv("TZ") : "";
  bool had = getenv("TZ") != nullptr;
  setenv("TZ", "XYZ-05:30", 1);  // 5 h 30 min east of universal time, no daylight saving
  tzset();
  int64_t offset = date_now() - static_cast<int64_t>(time(nullptr));
  had ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_NEAR(offset, 19800, 2);
}

}  // namespace
