// Export figures: export_map_picture against libpng encoding the bare map
// picture with the same filter and zlib level, both into a file of the same
// folder; the peak memory an export adds.
#include "bench/bench_export.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/export/export_picture.h"
#include "app/level/level.h"
#include "app/mapview/model.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "bench/bench_files.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/media/png_writer.h"
#include "runtime/toolkit/runtime.h"

namespace {

double wall_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

int64_t status_kb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::string(field).size());
  return 0;
}

// libpng alone on the map picture's rows (R G B), into a file: the filter
// and level given, the writer's buffer size. False when it failed.
bool encode_bare(const std::string& path, int filter, int level) {
  const DrawTarget* map = image_view(MapView.map_image);
  if (!map || map->bytes_per_pixel != 3) return false;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  bool ok = false;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, map->width, map->height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filter);
    png_set_compression_level(png, level);
    png_set_compression_buffer_size(png, 1 << 17);
    png_write_info(png, info);
    for (int y = 0; y < map->height; y++) png_write_row(png, map->pixels + int64_t(y) * map->stride);
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  return fclose(file) == 0 && ok;
}

int64_t file_bytes(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 ? s.st_size : -1;
}

// Graves and transports with inscriptions spread over the map, as a party's
// journey leaves them (the level has put its heroes at their start places).
void spread_pieces(int count) {
  for (int i = 0; i < count; i++) {
    List<Piece>* list = i % 3 ? Graves : Transports;
    list_last(list);
    Piece* p = list_add(list);
    p->catalog_index = i % 2;
    p->x = int32_t(int64_t(MapView.map_width) * ((i * 37) % 100) / 100);
    p->y = int32_t(int64_t(MapView.map_height) * ((i * 61) % 100) / 100);
    p->inscription = 1 + i % 255;
    Inscriptions[p->inscription] = u"RIP 12.03.2024 Gunnar Eisenfaust, Gruppe " + string_from_number(i);
  }
}

// Runs "bench_draw_map export-memory folder picture count" and reads the
// kilobytes its export added.
int64_t memory_child(const std::string& folder, const std::string& picture, int pieces) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string command = "'" + self + "' export-memory '" + folder + "' '" + picture + "' " + std::to_string(pieces);
  FILE* child = popen(command.c_str(), "r");
  if (!child) return -1;
  long long added = -1;
  if (fscanf(child, "%lld", &added) != 1) added = -1;
  pclose(child);
  return added;
}

void time_export(const char* name, int rounds, const std::string& level_folder, int pieces) {
  std::string folder = temp_folder("export");
  std::string bare = folder + "bare.png", ours = folder + "export.png", plain = folder + "default.png";
  double alone = 1e30, exported = 1e30, defaults = 1e30;
  bool ok = true;
  for (int i = 0; i < rounds; i++) {
    double t0 = wall_ms();
    ok = encode_bare(bare, PNG_FILTER_UP, PngWriterLevel) && ok;
    double t1 = wall_ms();
    ok = export_map_picture(string_from_utf8(ours), ExportOptions()) == ExportResult::Written && ok;
    double t2 = wall_ms();
    alone = std::min(alone, t1 - t0);
    exported = std::min(exported, t2 - t1);
    unlink(bare.c_str());
    unlink(ours.c_str());
  }
  double t0 = wall_ms();
  ok = encode_bare(plain, PNG_ALL_FILTERS, 6) && ok;
  defaults = wall_ms() - t0;
  int64_t default_size = file_bytes(plain);
  unlink(plain.c_str());

  // The peak over what the process held before the export, in a process of
  // its own (here freed buffers of the earlier rounds would hide it).
  int64_t added = memory_child(level_folder, ours, pieces);
  int64_t size = file_bytes(ours);
  ok = added >= 0 && ok;
  remove_folder(folder);
  printf("%-22s %6lld %10.1f %10.1f %7.2f %8.1f %12.1f %8.1f %9.1f%s\n", name,
         static_cast<long long>(list_size(Graves) + list_size(Transports) + list_size(Heroes)), alone, exported,
         exported / alone, size / 1e6, defaults, default_size / 1e6, added / 1024.0, ok ? "" : "  (a run failed)");
  fflush(stdout);
}

}  // namespace

void run_export_figures(const std::string& demo_dir, int rounds) {
  printf("\nExporting the whole map at 100 %% (export_map_picture: composing, encoding, safe save with fsync) against\n"
         "libpng alone encoding the bare map picture with the same filter (Up) and zlib level (%d) into a file\n"
         "(ms, shortest of %d, taking turns); for comparison libpng's defaults (all filters, level 6), once;\n"
         "sizes in MB; added: peak resident memory of the export over the process's before it (MiB).\n",
         PngWriterLevel, rounds);
  printf("%-22s %6s %10s %10s %7s %8s %12s %8s %9s\n", "map", "pieces", "libpng", "export", "ratio", "size",
         "defaults", "size", "added");
  String saved = ProgramDir;
  ProgramDir = string_from_utf8(demo_dir);
  load_level(u"");
  spread_pieces(40);
  if (MapView.map_image) time_export("demo 3000x2000", rounds, demo_dir, 40);
  else printf("the demo level did not load\n");

  std::string folder = temp_folder("export-map");
  if (make_level_folder(folder, demo_dir, "map") &&
      write_map_file(folder + "pics/map", MapFile::PngRgb, 16384, 16384)) {
    ProgramDir = string_from_utf8(folder);
    load_level(u"");
    spread_pieces(200);
    if (MapView.map_width == 16384) time_export("16384x16384 PNG RGB", rounds, folder, 200);
    else printf("the 16384 x 16384 map did not load\n");
  }
  remove_folder(folder);
  image_free(MapView.work_image);
  image_free(MapView.map_image);
  MapView.work_image = MapView.map_image = 0;
  ProgramDir = saved;
}

int run_export_memory(const char* folder, const char* picture, int pieces) {
  runtime_init_without_display();
  ProgramDir = string_from_utf8(folder);
  use_png_decoder();
  use_jpeg_decoder();
  create_containers();
  load_level(u"");
  spread_pieces(pieces);
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  int64_t before = status_kb("VmRSS:");
  bool written = export_map_picture(string_from_utf8(picture), ExportOptions()) == ExportResult::Written;
  printf("%lld\n", written ? static_cast<long long>(status_kb("VmHWM:") - before) : -1LL);
  return 0;
}
