// libFuzzer target: arbitrary bytes read as a formation file of either format,
// as the program reads one before it replaces anything. Whatever a read
// accepts must write out in the current format and read back to the same bytes.
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/formation/formation_record.h"
#include "runtime/core/objects.h"
#include "runtime/data/files.h"

static FormationRead read_file(const std::string& name, bool old_format, FormationRecord* record) {
  int file = file_read_only(AnyNumber, string_from_utf8(name));
  FormationRead result = read_formation_record(file, old_format, record);
  file_close(file);
  return result;
}

static std::string written(const FormationRecord& record, const std::string& name) {
  int file = file_create(AnyNumber, string_from_utf8(name));
  if (!write_formation_record(file, record)) std::abort();
  file_close(file);
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = "/tmp/tavrel-fuzz-" + std::to_string(getpid()), output = input + ".tvf";
  std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  for (bool old_format : {false, true}) {
    FormationRecord record, again;
    FormationRead result = read_file(input, old_format, &record);
    if (result == FormationRead::WrongVersion || result == FormationRead::HeaderIncomplete) continue;
    std::string first = written(record, output);
    if (read_file(output, false, &again) != FormationRead::Complete || written(again, output) != first) std::abort();
  }
  unlink(input.c_str());
  unlink(output.c_str());
  return 0;
}
