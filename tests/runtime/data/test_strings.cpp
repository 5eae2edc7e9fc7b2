#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <ctime>

#include "runtime/data/strings.h"

namespace {

TEST(StringOperations, RightAndLower) {
  EXPECT_EQ(string_right(u"plan.tvf", 4), u".tvf");
  EXPECT_EQ(string_right(u"plan.tvf", 10), u"plan.tvf");
  EXPECT_EQ(string_right(u"plan.tvf", 0), u"");
  EXPECT_EQ(string_right(u"plan.tvf", -3), u"");
  EXPECT_EQ(string_lower(u"GLS"), u"gls");
  const char* previous = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_CTYPE, "C.UTF-8")) {
    EXPECT_EQ(string_lower(u"\u00C4b"), u"\u00E4b");
    // Surrogates have no lower-case form and stay as they are.
    EXPECT_EQ(string_lower(u"\U0001F600"), u"\U0001F600");
  }
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(StringOperations, ReplaceWithoutOverlap) {
  EXPECT_EQ(string_replace(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(string_replace(u"abab", u"ab", u"x"), u"xx");
  // Replacement text is not searched again.
  EXPECT_EQ(string_replace(u"ab", u"a", u"aa"), u"aab");
  EXPECT_EQ(string_replace(u"xaxa", u"a", u"ba"), u"xbaxba");
  EXPECT_EQ(string_replace(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(string_replace(u"abc", u"b", u""), u"ac");
  EXPECT_EQ(string_replace(u"aAa", u"a", u"-"), u"-A-");
}

TEST(StringOperations, PathPart) {
  EXPECT_EQ(path_part(u"/home/u/plan.tvf"), u"/home/u/");
  EXPECT_EQ(path_part(u"plan.tvf"), u"");
  EXPECT_EQ(path_part(u"\"/home/u/plan.tvf\""), u"/home/u/");
  EXPECT_EQ(path_part(u"\"plan.tvf"), u"");
  EXPECT_EQ(path_part(u"/"), u"/");
}

TEST(StringNumbers, FromNumber) {
  EXPECT_EQ(string_from_number(6), u"6");
  EXPECT_EQ(string_from_number(-12), u"-12");
  EXPECT_EQ(string_from_number(0), u"0");
  EXPECT_EQ(string_from_number(INT64_MAX), u"9223372036854775807");
  EXPECT_EQ(string_from_number(INT64_MIN), u"-9223372036854775808");
}

TEST(StringNumbers, ToIntegerBasesAndSigns) {
  EXPECT_EQ(string_to_integer(u"  42x"), 42);
  EXPECT_EQ(string_to_integer(u"\t 42"), 42);
  EXPECT_EQ(string_to_integer(u"$1F"), 31);
  EXPECT_EQ(string_to_integer(u"$fFg"), 255);
  EXPECT_EQ(string_to_integer(u"%101"), 5);
  EXPECT_EQ(string_to_integer(u"%1012"), 5);
  EXPECT_EQ(string_to_integer(u"-7"), -7);
  EXPECT_EQ(string_to_integer(u"+7"), 7);
  EXPECT_EQ(string_to_integer(u"-$10"), -16);
  EXPECT_EQ(string_to_integer(u"x"), 0);
  EXPECT_EQ(string_to_integer(u"$"), 0);
  EXPECT_EQ(string_to_integer(u"--5"), 0);
  EXPECT_EQ(string_to_integer(u"- 5"), 0);
  EXPECT_EQ(string_to_integer(u"12a"), 12);  // hex digits are not decimal
  EXPECT_EQ(string_to_integer(u"\n5"), 0);    // only blanks and tabs are skipped
  EXPECT_EQ(string_to_integer(u"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(string_to_integer(u"-9223372036854775808"), INT64_MIN);
  // Far too many digits must not crash; the value simply wraps.
  string_to_integer(u"99999999999999999999999999999999999999");
}

TEST(Utf8, EncodingLengthsAndBoundaries) {
  EXPECT_EQ(string_to_utf8(u"A"), "A");
  EXPECT_EQ(string_to_utf8(String(1, char16_t(0x7F))), "\x7F");
  EXPECT_EQ(string_to_utf8(String(1, char16_t(0x80))), "\xC2\x80");
  EXPECT_EQ(string_to_utf8(String(1, char16_t(0x7FF))), "\xDF\xBF");
  EXPECT_EQ(string_to_utf8(String(1, char16_t(0x800))), "\xE0\xA0\x80");
  EXPECT_EQ(string_to_utf8(String(1, char16_t(0xFFFF))), "\xEF\xBF\xBF");
  EXPECT_EQ(string_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(string_to_utf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8, LoneSurrogates) {
  // A lone low surrogate is written as 3 bytes.
  String low = u"a";
  low += char16_t(0xDC00);
  low += u"b";
  EXPECT_EQ(string_to_utf8(low), "a\xED\xB0\x80" "b");
  // A high surrogate not followed by a low one ends the text.
  String high = u"a";
  high += char16_t(0xD800);
  high += u"b";
  EXPECT_EQ(string_to_utf8(high), "a");
  String high_at_end = u"xy";
  high_at_end += char16_t(0xDBFF);
  EXPECT_EQ(string_to_utf8(high_at_end), "xy");
  // Two high surrogates: the first ends the text.
  String two_high;
  two_high += char16_t(0xD800);
  two_high += char16_t(0xD801);
  two_high += char16_t(0xDC00);
  EXPECT_EQ(string_to_utf8(two_high), "");
}

TEST(Utf8, Decoding) {
  EXPECT_EQ(string_from_utf8("\xC3\xA4" "b\xE2\x82\xAC"), u"\u00E4b\u20AC");
  EXPECT_EQ(string_from_utf8("\xF0\x9F\x98\x80!"), u"\U0001F600!");
  EXPECT_EQ(string_from_utf8("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  EXPECT_EQ(string_from_utf8(static_cast<const char*>(nullptr)), u"");
  // A byte that cannot start a sequence ends the conversion.
  EXPECT_EQ(string_from_utf8("ab\x80" "cd"), u"ab");
  EXPECT_EQ(string_from_utf8("ab\xF8\x80\x80\x80\x80"), u"ab");
  EXPECT_EQ(string_from_utf8("ab\xFF"), u"ab");
  // Above U+10FFFF.
  EXPECT_EQ(string_from_utf8("ab\xF4\x90\x80\x80"), u"ab");
  // Cut short by the end, or by a byte that does not continue the sequence.
  EXPECT_EQ(string_from_utf8("ab\xE2\x82"), u"ab");
  EXPECT_EQ(string_from_utf8("ab\xF0\x9F"), u"ab");
  EXPECT_EQ(string_from_utf8("ab\xC3" "x"), u"ab");
  // An over-long 0 would put the unit 0 into the string.
  EXPECT_EQ(string_from_utf8("ab\xC0\x80" "cd"), u"ab");
}

TEST(Dates, MakeLimits) {
  EXPECT_EQ(date_make(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(date_make(1970, 1, 1, 1, 2, 3), 3723);
  EXPECT_EQ(date_make(1970, 1, 2, 0, 0, 0), 86400);
  EXPECT_EQ(date_make(2038, 1, 19, 3, 14, 7), 2147483647);
  EXPECT_EQ(date_make(2038, 1, 19, 3, 14, 8), -1);
  EXPECT_EQ(date_make(2038, 1, 19, 4, 0, 0), -1);
  EXPECT_EQ(date_make(2038, 1, 20, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2038, 2, 1, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2038, 1, 18, 23, 59, 59), 2147483647 - 11647 - 1);
  EXPECT_EQ(date_make(1969, 12, 31, 23, 59, 59), -1);
  EXPECT_EQ(date_make(2039, 1, 1, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2000, 1, 1, 0, 0, 0), 946684800);
  EXPECT_EQ(date_make(2037, 12, 31, 23, 59, 59), 2145916799);
}

TEST(Dates, MakeCalendarChecks) {
  EXPECT_EQ(date_make(2023, 2, 29, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2024, 2, 29, 0, 0, 0), 1709164800);
  EXPECT_EQ(date_make(2000, 2, 29, 0, 0, 0), 951782400);  // divisible by 400
  EXPECT_EQ(date_make(2024, 2, 30, 0, 0, 0), -1);
  for (int month : {2, 4, 6, 9, 11}) EXPECT_EQ(date_make(2024, month, 31, 0, 0, 0), -1) << month;
  for (int month : {1, 3, 5, 7, 8, 10, 12}) EXPECT_NE(date_make(2024, month, 31, 0, 0, 0), -1) << month;
  EXPECT_NE(date_make(2024, 4, 30, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2024, 1, 1, 24, 0, 0), -1);
  EXPECT_EQ(date_make(2024, 1, 1, 0, 60, 0), -1);
  EXPECT_EQ(date_make(2024, 1, 1, 0, 0, 60), -1);
  EXPECT_EQ(date_make(2024, 1, 0, 0, 0, 0), -1);
  EXPECT_EQ(date_make(2024, 13, 1, 0, 0, 0), -1);
  // Negative fields are invalid, not counted backwards.
  EXPECT_EQ(date_make(2024, 1, 2, -1, 0, 0), -1);
  EXPECT_EQ(date_make(2024, 1, 2, 0, -1, 0), -1);
  EXPECT_EQ(date_make(2024, 1, 2, 0, 0, -1), -1);
  EXPECT_EQ(date_make(1970, 1, 1, 0, 0, -5), -1);
}

TEST(Dates, FormatTokens) {
  int64_t date = date_make(2026, 12, 5, 13, 7, 0);
  EXPECT_EQ(date_format(u"%dd.%mm.%yyyy", date), u"05.12.2026");
  EXPECT_EQ(date_format(u"%hh:%ii:%ss", date_make(2026, 12, 5, 9, 3, 2)), u"09:03:02");
  EXPECT_EQ(date_format(u"%HH:%II:%SS %DD/%MM/%YYYY", date), u"13:07:00 05/12/2026");
  EXPECT_EQ(date_format(u"%Yy%yY", date), u"2626");
  EXPECT_EQ(date_format(u"%yyyyy", date), u"2026y");
  EXPECT_EQ(date_format(u"%yyy", date), u"26y");
  EXPECT_EQ(date_format(u"%yy", date_make(2005, 1, 1, 0, 0, 0)), u"05");
  EXPECT_EQ(date_format(u"RIP %dd.%mm.%yyyy", date_make(1970, 1, 1, 0, 0, 0)), u"RIP 01.01.1970");
  // Other "%" are copied, also at the end and before a cut-off token.
  EXPECT_EQ(date_format(u"100% %x %%dd %d %", date), u"100% %x %05 %d %");
  EXPECT_EQ(date_format(u"%yyyy-%mm-%dd %hh:%ii:%ss", 2147483647), u"2038-01-19 03:14:07");
  EXPECT_EQ(date_format(u"%dd.%mm.%yyyy", date_make(2024, 2, 29, 23, 59, 59)), u"29.02.2024");
}

TEST(Dates, NowIsValidAndMatchesLocalTime) {
  int64_t before = date_now();
  ASSERT_NE(before, -1);
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  int64_t expected =
      date_make(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  EXPECT_LE(expected - before, 2);
  EXPECT_GE(expected - before, 0);
}

}  // namespace
