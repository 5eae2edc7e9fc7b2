#include "runtime/core/strings.h"

#include <cstring>
#include <ctime>
#include <cwctype>

int64_t string_length(const String& s) { return static_cast<int64_t>(s.size()); }

String string_right(const String& s, int64_t n) {
  if (n <= 0) return String();
  if (n >= string_length(s)) return s;
  return s.substr(s.size() - static_cast<size_t>(n));
}

String string_lower(const String& s) {
  String out(s);
  for (auto& unit : out) {
    wint_t lower = std::towlower(static_cast<wint_t>(unit));
    // A mapping outside the 16-bit range cannot be stored in one unit: keep it.
    if (lower <= 0xFFFF && lower != 0) unit = static_cast<char16_t>(lower);
  }
  return out;
}

bool string_equal(const String& a, const String& b) { return a == b; }

String string_replace(const String& s, const String& find, const String& replacement) {
  if (find.empty()) return s;
  String out;
  out.reserve(s.size());
  size_t from = 0;
  for (;;) {
    size_t at = s.find(find, from);
    if (at == String::npos) break;
    out.append(s, from, at - from);
    out += replacement;
    from = at + find.size();
  }
  out.append(s, from, String::npos);
  return out;
}

String path_part(const String& path) {
  size_t start = (!path.empty() && path[0] == u'"') ? 1 : 0;
  size_t slash = path.rfind(u'/');
  if (slash == String::npos || slash < start) return String();
  return path.substr(start, slash + 1 - start);
}

String string_from_number(int64_t n) {
  // Work on the magnitude as unsigned so that the smallest value has one too.
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  char16_t digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  String out;
  if (n < 0) out += u'-';
  while (count > 0) out += digits[--count];
  return out;
}

int64_t string_to_integer(const String& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
    negative = s[i] == u'-';
    ++i;
  }
  unsigned base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (i < s.size() && s[i] == u'%') {
    base = 2;
    ++i;
  }
  // Unsigned arithmetic: too many digits wrap around instead of overflowing.
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  if (negative) value = 0 - value;
  return static_cast<int64_t>(value);
}

namespace {

bool leap_year(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t year_of_era = year - era * 400;
  int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void civil_from_days(int64_t days, int64_t& year, int& month, int& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t day_of_era = days - era * 146097;
  int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t mp = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = year_of_era + era * 400 + (month <= 2);
}

}  // namespace

int64_t date_now() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return -1;
  return date_make(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                   local.tm_sec);
}

int64_t date_make(int year, int month, int day, int hour, int minute, int second) {
  // The last second that a signed 32-bit count of seconds can hold is
  // 2038-01-19 03:14:07.
  if (year == 2038) {
    if (month != 1 || day > 19) return -1;
    if (day == 19 && (hour > 3 || (hour == 3 && (minute > 14 || (minute == 14 && second > 7))))) return -1;
  } else if (year < 1970 || year > 2037) {
    return -1;
  }
  if (day == 31 && (month == 2 || month == 4 || month == 6 || month == 9 || month == 11)) return -1;
  if (month == 2 && (day >= 30 || (day == 29 && !leap_year(year)))) return -1;
  // Negative fields are refused as well: they would count backwards into the
  // previous minute, hour or day.
  if (second < 0 || second >= 60 || minute < 0 || minute >= 60 || hour < 0 || hour >= 24) return -1;
  if (day < 1 || day > 31 || month < 1 || month > 12) return -1;
  int64_t seconds_of_day = int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
  if (year == 1970 && month == 1 && day == 1) return seconds_of_day;
  return days_from_civil(year, month, day) * 86400 + seconds_of_day;
}

namespace {

// True when the mask holds the token (lower-case letters) at position i,
// letters compared without regard to case.
bool token_at(const String& mask, size_t i, const char* token) {
  size_t n = std::strlen(token);
  if (i + n > mask.size()) return false;
  for (size_t k = 0; k < n; ++k) {
    char16_t c = mask[i + k];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<char16_t>(token[k])) return false;
  }
  return true;
}

void append_digits(String& out, int64_t value, int width) {
  String digits = string_from_number(value < 0 ? -value : value);
  if (value < 0) out += u'-';
  for (int64_t pad = width - string_length(digits); pad > 0; --pad) out += u'0';
  out += digits;
}

}  // namespace

String date_format(const String& mask, int64_t date) {
  // The fields of the date value on the universal-time calendar, which are the
  // local wall-clock fields that date_make was given.
  int64_t days = date / 86400;
  int64_t rest = date % 86400;
  if (rest < 0) {
    rest += 86400;
    days -= 1;
  }
  int64_t year;
  int month, day;
  civil_from_days(days, year, month, day);
  int64_t hour = rest / 3600, minute = rest / 60 % 60, second = rest % 60;

  String out;
  size_t i = 0;
  while (i < mask.size()) {
    if (mask[i] == u'%') {
      if (token_at(mask, i + 1, "yyyy")) {
        append_digits(out, year, 4);
        i += 5;
        continue;
      }
      struct Field {
        const char* token;
        int64_t value;
      };
      const Field fields[] = {{"yy", ((year % 100) + 100) % 100}, {"mm", month}, {"dd", day},
                              {"hh", hour}, {"ii", minute}, {"ss", second}};
      bool replaced = false;
      for (const Field& field : fields) {
        if (token_at(mask, i + 1, field.token)) {
          append_digits(out, field.value, 2);
          i += 3;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    out += mask[i++];
  }
  return out;
}

std::string string_to_utf8(const String& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    // The unit 0 ends a text wherever it is stored zero-terminated.
    if (c == 0) break;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) break;
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

String string_from_utf8(const char* bytes) {
  String out;
  if (!bytes) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  while (*p) {
    unsigned lead = *p;
    uint32_t c;
    int follow;
    if (lead < 0x80) {
      c = lead;
      follow = 0;
    } else if (lead < 0xC0 || lead > 0xF7) {
      break;
    } else if (lead < 0xE0) {
      c = lead & 0x1F;
      follow = 1;
    } else if (lead < 0xF0) {
      c = lead & 0x0F;
      follow = 2;
    } else {
      c = lead & 0x07;
      follow = 3;
    }
    ++p;
    bool complete = true;
    for (int k = 0; k < follow; ++k, ++p) {
      // The terminator or any byte that does not continue a sequence cuts it short.
      if ((*p & 0xC0) != 0x80) {
        complete = false;
        break;
      }
      c = (c << 6) | (*p & 0x3F);
    }
    // An over-long form of 0 would put the unit 0 inside the string.
    if (!complete || c > 0x10FFFF || c == 0) break;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

void memory_copy(const void* source, void* destination, int64_t length) {
  if (!source || !destination || length <= 0) return;
  std::memcpy(destination, source, static_cast<size_t>(length));
}

void memory_move(const void* source, void* destination, int64_t length) {
  if (!source || !destination || length <= 0) return;
  std::memmove(destination, source, static_cast<size_t>(length));
}
