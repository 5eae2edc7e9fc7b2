#include "app/formation/formation_record.h"

#include <algorithm>
#include <bit>

#include "runtime/data/files.h"

static_assert(std::endian::native == std::endian::little, "formation files hold the records as they are in memory");

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

// Little-endian numbers and UTF-16LE texts appended to a byte string.
struct Writer {
  std::string bytes;
  void number(int64_t value, int size) {
    for (int i = 0; i < size; i++) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  }
  // The files are little-endian like the machine: units and records go as
  // they are held.
  void units(const String& text) { bytes.append(reinterpret_cast<const char*>(text.data()), 2 * text.size()); }
  template <class Record>
  void records(const std::vector<Record>& list) {
    bytes.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(Record));
  }
};

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

std::string formation_record_bytes(const FormationRecord& record) {
  Writer out;
  size_t size = 18 + 2 * record.level_reference.size() + 282 * record.heroes.size() +
                42 * (record.graves.size() + record.transports.size()) + 512;
  for (const String& text : record.inscriptions) size += 2 * std::min<size_t>(text.size(), MaxInscriptionLength);
  out.bytes.reserve(size);
  out.number(FormationVersion, 1);
  out.number(string_length(record.level_reference), 4);
  out.units(record.level_reference);
  for (size_t count : {record.heroes.size(), record.graves.size(), record.transports.size()})
    out.number(static_cast<int64_t>(count), 4);
  out.number(record.zoom, 1);
  for (size_t i = 0; i < record.heroes.size(); i++) {
    out.bytes.append(reinterpret_cast<const char*>(&record.heroes[i]), sizeof(Piece));
    Trail trail = i < record.trails.size() ? record.trails[i] : Trail{};
    out.bytes.append(reinterpret_cast<const char*>(&trail), sizeof trail);
  }
  out.records(record.graves);
  out.records(record.transports);
  for (const String& text : record.inscriptions) {
    String stored = stored_inscription(text);
    out.number(string_length(stored), 2);
    out.units(stored);
  }
  return std::move(out.bytes);
}

bool write_formation_record(int file, const FormationRecord& record) {
  std::string bytes = formation_record_bytes(record);
  return file_write_data(file, bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
}
