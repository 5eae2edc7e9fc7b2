// libFuzzer target: arbitrary bytes as one of the application's XML files,
// read the way the program reads it. The first byte chooses the file: the
// level file (read by the level loader, which goes on to the catalogs), a
// player catalog (read into the catalog with its heroes, and as the player
// icon dialog reads it) or a grave or transport catalog. Whatever is read,
// there is one hero and one trail per player entry.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/level/level.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/runtime.h"

namespace {

const std::string& program_folder() {
  static const std::string folder = [] {
    std::string f = "/tmp/tavrel-fuzz-xml-" + std::to_string(getpid()) + "/";
    for (const char* sub : {"pics", "players"}) std::filesystem::create_directories(f + sub);
    return f;
  }();
  return folder;
}

void start() {
  int argc = 0;
  char** argv = nullptr;
  runtime_init(&argc, &argv);  // without a display: the tables and the queue exist all the same
  use_png_decoder();
  use_jpeg_decoder();
  image_set_memory_limit(int64_t(48) << 20);
  create_containers();
  ProgramDir = string_from_utf8(program_folder());
  requester_set_hook([](const RequesterCall&) { return RequesterAnswer{ResultOk, String()}; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (start(), true);
  (void)ready;
  if (size == 0) return 0;
  static const char* const files[] = {"Varn.gxml", "players.xml", "graves.xml", "transports.xml"};
  const char* name = files[data[0] % 4];
  std::string path = program_folder() + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));

  load_level(u"");
  if (list_size(Heroes) != list_size(PlayerCatalog) || list_size(Trails) != list_size(Heroes)) std::abort();
  if (data[0] % 4 == 1) {
    std::vector<CatalogRecord> records;
    read_catalog_file(ProgramDir + u"players.xml", u"player", records);
    if (static_cast<int64_t>(records.size()) != list_size(PlayerCatalog)) std::abort();
  }
  std::filesystem::remove(path);
  return 0;
}
