// Strings and dates of the runtime layer.
//
// Application text is a sequence of 16-bit code units (UTF-16); it meets GTK and
// the file system as UTF-8 through string_to_utf8 / string_from_utf8. The unit 0
// never occurs inside a string. Date values count seconds since 1970-01-01 as if
// the local wall-clock time were universal time (no time zone); -1 is invalid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using String = std::u16string;

// Number of code units.
int64_t string_length(const String& s);
// The last n code units; all of s when n >= its length; empty for n <= 0.
String string_right(const String& s, int64_t n);
// Every unit mapped by towlower under the process locale.
String string_lower(const String& s);
// True when both strings hold exactly the same units (case matters).
bool string_equal(const String& a, const String& b);
// Every occurrence of find replaced, left to right, matches never overlapping;
// replaced text is not searched again. An empty find leaves s unchanged.
String string_replace(const String& s, const String& find, const String& replacement);
// Directory part: up to and including the last "/" (after one leading double
// quote, if any); empty when there is no "/".
String path_part(const String& path);
// Decimal text: "-" for negative numbers, no leading zeros, "0" for zero.
String string_from_number(int64_t n);
// Skips blanks and tabs, takes one sign, then "$" hex, "%" binary or decimal
// digits up to the first non-digit; no digits give 0.
int64_t string_to_integer(const String& s);

// Current local date and time as a date value.
int64_t date_now();
// Date value of a calendar date and time from 1970-01-01 00:00:00 to
// 2038-01-19 03:14:07, or -1 when the values are out of range or invalid.
int64_t date_make(int year, int month, int day, int hour, int minute, int second);
// The mask with "%yyyy", "%yy", "%mm", "%dd", "%hh", "%ii", "%ss" (any case)
// replaced by the date's fields; other characters, other "%" copied.
String date_format(const String& mask, int64_t date);

// UTF-8 bytes of s. A high surrogate not followed by a low one ends the text;
// any other lone surrogate is encoded as 3 bytes.
std::string string_to_utf8(const String& s);
// Decodes zero-terminated UTF-8; an invalid lead byte, a character above
// U+10FFFF or a cut-off sequence ends the conversion. nullptr gives "".
String string_from_utf8(const char* bytes);
inline String string_from_utf8(const std::string& bytes) { return string_from_utf8(bytes.c_str()); }

// Copies length bytes; the areas must not overlap.
void memory_copy(const void* source, void* destination, int64_t length);
// Copies length bytes; the areas may overlap.
void memory_move(const void* source, void* destination, int64_t length);
