#include "app/formation/formation_record.h"

#include <algorithm>

#include "runtime/data/files.h"

namespace {

// Sequential reads that stop for good at the first one the file cannot satisfy.
struct Reader {
  int file;
  bool ended = false;

  bool take(void* to, int64_t n) {
    if (!ended && file_read_data(file, to, n) != n) ended = true;
    return !ended;
  }
  // A little-endian signed number of 1, 2 or 4 bytes.
  int32_t number(int size) {
    uint8_t b[4] = {0, 0, 0, 0};
    take(b, size);
    uint32_t v = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return size == 1 ? static_cast<int8_t>(v) : size == 2 ? static_cast<int16_t>(v) : static_cast<int32_t>(v);
  }
  // Reads count UTF-16LE units, in pieces, so that a false count costs no
  // more memory than the file has bytes.
  String units(int64_t count) {
    String text;
    uint8_t chunk[4096];
    while (count > 0 && !ended) {
      int64_t n = std::min<int64_t>(count, sizeof chunk / 2);
      int64_t got = file_read_data(file, chunk, 2 * n);
      if (got != 2 * n) ended = true;
      for (int64_t i = 0; i + 1 < got; i += 2) {
        char16_t unit = static_cast<char16_t>(chunk[i] | chunk[i + 1] << 8);
        if (unit != 0) text.push_back(unit);
      }
      count -= n;
    }
    return text;
  }
  void pieces(int64_t count, std::vector<Piece>* out) {
    Piece piece;
    for (int64_t i = 0; i < count && take(&piece, sizeof piece); i++) out->push_back(piece);
  }
};

String stored_inscription(const String& text) {
  if (text.size() <= MaxInscriptionLength) return text;
  size_t keep = MaxInscriptionLength;
  if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) keep--;
  return text.substr(0, keep);
}

bool write_text(int file, const String& text) {
  return file_write_string(file, text, EncodingUtf16) == 2 * string_length(text);
}

bool write_pieces(int file, const std::vector<Piece>& pieces) {
  bool ok = true;
  for (const Piece& piece : pieces) ok &= file_write_data(file, &piece, sizeof piece) == sizeof piece;
  return ok;
}

}  // namespace

FormationRead read_formation_record(int file, bool old_format, FormationRecord* record) {
  *record = FormationRecord();
  Reader in{file};
  if (!old_format && in.number(1) != FormationVersion) return FormationRead::WrongVersion;
  int32_t length = in.number(4);
  record->level_reference = in.units(length);
  int32_t heroes = in.number(4);
  int32_t graves = in.number(4);
  int32_t transports = old_format ? 0 : in.number(4);
  record->zoom = static_cast<int8_t>(in.number(1));
  if (in.ended) return FormationRead::HeaderIncomplete;

  Piece hero;
  Trail trail;
  for (int32_t i = 0; i < heroes && in.take(&hero, sizeof hero); i++) {
    record->heroes.push_back(hero);
    if (!old_format && in.take(&trail, sizeof trail)) record->trails.push_back(trail);
  }
  in.pieces(graves, &record->graves);
  in.pieces(transports, &record->transports);
  for (String& text : record->inscriptions) {
    int32_t units = in.number(2);
    if (units > 0) text = in.units(units);
  }
  return in.ended ? FormationRead::Incomplete : FormationRead::Complete;
}

bool write_formation_record(int file, const FormationRecord& record) {
  bool ok = file_write_byte(file, FormationVersion) == 1;
  ok &= file_write_long(file, string_length(record.level_reference)) == 4;
  ok &= write_text(file, record.level_reference);
  for (size_t count : {record.heroes.size(), record.graves.size(), record.transports.size()})
    ok &= file_write_long(file, static_cast<int64_t>(count)) == 4;
  ok &= file_write_byte(file, record.zoom) == 1;
  for (size_t i = 0; i < record.heroes.size(); i++) {
    ok &= file_write_data(file, &record.heroes[i], sizeof(Piece)) == sizeof(Piece);
    Trail trail = i < record.trails.size() ? record.trails[i] : Trail{};
    ok &= file_write_data(file, &trail, sizeof trail) == sizeof trail;
  }
  ok &= write_pieces(file, record.graves);
  ok &= write_pieces(file, record.transports);
  for (const String& text : record.inscriptions) {
    String stored = stored_inscription(text);
    ok &= file_write_word(file, string_length(stored)) == 2;
    ok &= write_text(file, stored);
  }
  return ok;
}
