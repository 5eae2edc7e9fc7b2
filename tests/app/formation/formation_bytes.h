// Formation files built byte by byte from their layouts, not by the program's writer.
#pragma once

#include <map>
#include <string>

#include "runtime/core/strings.h"

const String Placeholder = u"\\\\PROGDIR\\\\";

struct FileBytes {
  std::string s;
  FileBytes& u8(int64_t v) { return s += static_cast<char>(v & 0xFF), *this; }
  FileBytes& i16(int64_t v) { return u8(v).u8(v >> 8); }
  FileBytes& i32(int64_t v) { return i16(v).i16(v >> 16); }
  FileBytes& text(const String& t, bool with_length = false) {
    if (with_length) i32(static_cast<int64_t>(t.size()));
    for (char16_t unit : t) i16(unit);
    return *this;
  }
  // Current format up to the zoom byte.
  FileBytes& header(const String& level, int64_t heroes, int64_t graves, int64_t transports, int zoom) {
    return u8(1).text(level, true).i32(heroes).i32(graves).i32(transports).u8(zoom);
  }
  // A 42-byte piece; every reserved byte holds `reserved`.
  FileBytes& piece(int32_t index, int32_t x, int32_t y, int32_t inscription = 0, std::initializer_list<int> links = {},
               char reserved = 0) {
    i32(index).s.append(6, reserved);
    for (int slot : links) u8(slot);
    s.append(6 - links.size(), '\0').append(14, reserved);
    return i32(x).i32(y).i32(inscription);
  }
  // 30 trail points (x + dx * j, y + 8 * j).
  FileBytes& trail(int32_t x, int32_t y, int32_t dx = 0) {
    for (int j = 0; j < 30; j++) i32(x + dx * j).i32(y + 8 * j);
    return *this;
  }
  // The 256 inscription entries, empty but for the indices given.
  FileBytes& inscriptions(const std::map<int, String>& texts = {}) {
    for (int i = 0; i < 256; i++) texts.count(i) ? i16(texts.at(i).size()).text(texts.at(i)) : i16(0);
    return *this;
  }
};
