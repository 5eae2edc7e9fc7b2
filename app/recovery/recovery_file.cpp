// The bytes of recovery files.
#include "app/recovery/recovery_file.h"

#include <cstring>

#include "runtime/core/objects.h"
#include "runtime/data/files.h"

namespace {

// Marks the recovery part, then its version.
constexpr char Mark[4] = {'T', 'V', 'R', 'C'};
constexpr int RecoveryVersion = 1;

void put(std::string& bytes, int64_t value, int size) {
  for (int i = 0; i < size; i++) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

int64_t take(const uint8_t* p, int size) {
  uint64_t v = 0;
  for (int i = size - 1; i >= 0; i--) v = v << 8 | p[i];
  return size == 4 ? static_cast<int32_t>(v) : static_cast<int64_t>(v);
}

}  // namespace

std::string recovery_bytes(const FormationRecord& formation, const RecoveryInfo& info) {
  std::string bytes = formation_record_bytes(formation);
  bytes.append(Mark, sizeof Mark);
  put(bytes, RecoveryVersion, 1);
  put(bytes, info.changed, 8);
  put(bytes, info.origin_x, 4);
  put(bytes, info.origin_y, 4);
  put(bytes, static_cast<int64_t>(info.layout_file.size()), 4);
  for (char16_t unit : info.layout_file) put(bytes, unit, 2);
  return bytes;
}

FormationRead read_recovery_file(const String& path, FormationRecord* formation, RecoveryInfo* info) {
  int file = file_read_only(AnyNumber, path);
  if (!file) return FormationRead::WrongVersion;
  FormationRead result = read_formation_record(file, false, formation);
  uint8_t head[25];
  if (result == FormationRead::Complete && file_read_data(file, head, sizeof head) == sizeof head &&
      std::memcmp(head, Mark, sizeof Mark) == 0 && head[4] == RecoveryVersion) {
    int64_t units = take(head + 21, 4);
    std::string text(static_cast<size_t>(units > 0 && units <= 32767 ? units * 2 : 0), '\0');
    if (file_read_data(file, text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size())) {
      info->changed = take(head + 5, 8);
      info->origin_x = static_cast<int32_t>(take(head + 13, 4));
      info->origin_y = static_cast<int32_t>(take(head + 17, 4));
      info->layout_file.clear();
      for (size_t i = 0; i + 1 < text.size(); i += 2)
        info->layout_file.push_back(static_cast<char16_t>(take(reinterpret_cast<const uint8_t*>(text.data()) + i, 2)));
    }
  }
  file_close(file);
  return result;
}
