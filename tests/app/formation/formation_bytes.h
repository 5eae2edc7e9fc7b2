// Formation files built byte by byte from their layouts (for the tests and
// the fuzzer's seeds), independently of the program's own writer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "runtime/core/strings.h"

const String Placeholder = u"\\\\PROGDIR\\\\";

struct Bytes {
  std::string s;
  Bytes& u8(int64_t v) { return s += static_cast<char>(v & 0xFF), *this; }
  Bytes& i16(int64_t v) { return u8(v).u8(v >> 8); }
  Bytes& i32(int64_t v) { return i16(v).i16(v >> 16); }
  Bytes& text(const String& t) {
    for (char16_t unit : t) i16(unit);
    return *this;
  }
  // Current format up to the zoom byte.
  Bytes& header(const String& level, int64_t heroes, int64_t graves, int64_t transports, int zoom) {
    return u8(1).i32(static_cast<int64_t>(level.size())).text(level).i32(heroes).i32(graves).i32(transports).u8(zoom);
  }
  // A 42-byte piece; every reserved byte holds `reserved`.
  Bytes& piece(int32_t index, int32_t x, int32_t y, int32_t inscription = 0, std::initializer_list<int> links = {},
               int reserved = 0) {
    i32(index).s.append(6, static_cast<char>(reserved));
    for (int slot : links) u8(slot);
    s.append(6 - links.size(), '\0');
    s.append(14, static_cast<char>(reserved));
    return i32(x).i32(y).i32(inscription);
  }
  // 30 trail points (x + dx * j, y + 8 * j).
  Bytes& trail(int32_t x, int32_t y, int32_t dx = 0) {
    for (int j = 0; j < 30; j++) i32(x + dx * j).i32(y + 8 * j);
    return *this;
  }
  // The 256 inscription entries, empty but for the indices given.
  Bytes& inscriptions(const std::map<int, String>& texts = {}) {
    for (int i = 0; i < 256; i++) {
      auto found = texts.find(i);
      String t = found == texts.end() ? u"" : found->second;
      i16(static_cast<int64_t>(t.size())).text(t);
    }
    return *this;
  }
};
