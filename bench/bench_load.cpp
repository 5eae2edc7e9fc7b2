// Loading and start-up figures: the time image_load needs for a map picture
// against the decoder library alone on the same file, and the peak memory and
// processor time of the start-up path (load_level on a level folder, one
// frame) per map size, each start-up in a child process of its own.
#include "bench/bench_load.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/level/level.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/shell/event_loop.h"
#include "app/shell/main_window.h"
#include "app/shell/startup.h"
#include "bench/bench_files.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/runtime.h"

namespace {

double wall_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// libpng alone: the same transformations as the program's decoder, all rows
// into one buffer.
bool png_alone(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  uint8_t* pixels = nullptr;
  std::vector<png_bytep> rows;
  bool ok = false;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);
    int colour = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      png_set_gray_to_rgb(png);
    }
    if (depth == 16) png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t row_bytes = png_get_rowbytes(png, info);
    size_t height = png_get_image_height(png, info);
    pixels = static_cast<uint8_t*>(malloc(row_bytes * height));
    if (pixels) {
      for (size_t y = 0; y < height; y++) rows.push_back(pixels + y * row_bytes);
      png_read_image(png, rows.data());
      ok = true;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  free(pixels);
  fclose(f);
  return ok;
}

// libjpeg alone, reading the file through its own stdio source.
bool jpeg_alone(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  size_t row_bytes = size_t(c.output_width) * c.output_components;
  uint8_t* pixels = static_cast<uint8_t*>(malloc(row_bytes * c.output_height));
  while (pixels && c.output_scanline < c.output_height) {
    JSAMPROW row = pixels + row_bytes * c.output_scanline;
    jpeg_read_scanlines(&c, &row, 1);
  }
  if (pixels) jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  free(pixels);
  fclose(f);
  return pixels != nullptr;
}

// The least any BMP decoder does for a 24-bit file: read it, and turn its
// bottom-up B G R rows into top-down R G B rows.
bool bmp_alone(const std::string& path, int w, int h) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  fseek(f, 0, SEEK_END);
  size_t size = size_t(ftell(f));
  rewind(f);
  uint8_t* file = static_cast<uint8_t*>(malloc(size));
  bool ok = file && fread(file, 1, size, f) == size;
  fclose(f);
  size_t in_row = (size_t(w) * 3 + 3) & ~size_t(3), out_row = size_t(w) * 3;
  uint8_t* pixels = ok ? static_cast<uint8_t*>(malloc(out_row * h)) : nullptr;
  if (pixels && 54 + in_row * h <= size) {
    for (int y = 0; y < h; y++) {
      const uint8_t* in = file + 54 + in_row * (h - 1 - y);
      uint8_t* out = pixels + out_row * y;
      for (int x = 0; x < w; x++, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
    }
  }
  asm volatile("" : : "r"(pixels) : "memory");  // the rows count as used
  free(pixels);
  free(file);
  return ok;
}

bool decode_alone(MapFile kind, const std::string& path, int w, int h) {
  switch (kind) {
    case MapFile::Jpeg: return jpeg_alone(path);
    case MapFile::Bmp: return bmp_alone(path, w, h);
    default: return png_alone(path);
  }
}

bool load_with_image_load(const std::string& path) {
  int number = image_load(AnyNumber, string_from_utf8(path));
  image_free(number);
  return number != 0;
}

// The shortest of rounds runs, the two contenders taking turns.
void time_load(MapFile kind, int w, int h, int rounds) {
  std::string folder = temp_folder("load");
  std::string path = folder + "map";
  if (!write_map_file(path, kind, w, h)) {
    printf("%-9s %5dx%-5d  could not write the picture\n", map_file_name(kind), w, h);
    remove_folder(folder);
    return;
  }
  double alone = 1e30, ours = 1e30;
  bool ok = true;
  for (int i = 0; i < rounds; i++) {
    double t0 = wall_ms();
    ok = decode_alone(kind, path, w, h) && ok;
    double t1 = wall_ms();
    ok = load_with_image_load(path) && ok;
    double t2 = wall_ms();
    alone = std::min(alone, t1 - t0);
    ours = std::min(ours, t2 - t1);
  }
  printf("%-9s %5dx%-5d %10.1f %10.1f %7.2f%s\n", map_file_name(kind), w, h, alone, ours, ours / alone,
         ok ? "" : "  (a load failed)");
  fflush(stdout);
  remove_folder(folder);
}

struct StartFigures {
  bool ok = false;
  int64_t peak = 0;
  double cpu = 0;
  int width = 0, height = 0;
};

// Runs "bench_draw_map start folder" and reads its figures.
StartFigures start_child(const std::string& folder) {
  StartFigures f;
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string command = "'" + self + "' start '" + folder + "'";
  FILE* child = popen(command.c_str(), "r");
  if (!child) return f;
  long long peak = 0;
  f.ok = fscanf(child, "%lld %lf %d %d", &peak, &f.cpu, &f.width, &f.height) == 4;
  f.peak = peak;
  pclose(child);
  return f;
}

}  // namespace

void use_bench_canvas(std::vector<uint8_t>& pixels, DrawTarget& target) {
  pixels.assign(size_t(BenchCanvasW) * BenchCanvasH * 3, 0);
  target.pixels = pixels.data();
  target.stride = BenchCanvasW * 3;
  target.width = BenchCanvasW;
  target.height = BenchCanvasH;
  MapTargetOverride = &target;
  MapView.canvas_width = BenchCanvasW;
  MapView.canvas_height = BenchCanvasH;
}

int run_start(const char* folder, int* argc, char*** argv) {
  runtime_init(argc, argv);
  ProgramDir = string_from_utf8(folder);
  use_png_decoder();
  use_jpeg_decoder();
  create_containers();
  load_level(u"");

  std::vector<uint8_t> canvas;
  DrawTarget target;
  use_bench_canvas(canvas, target);
  draw_map();
  printf("%lld %.1f %d %d\n", static_cast<long long>(peak_memory_bytes()), cpu_ms(), MapView.map_width,
         MapView.map_height);
  return 0;
}

void run_load_figures(int rounds) {
  printf("\nLoading a map picture, ms (shortest of %d): the decoder library alone (libpng, libjpeg; for BMP\n"
         "reading the file and turning its rows) against image_load on the same file.\n",
         rounds);
  printf("%-9s %11s %10s %10s %7s\n", "file", "size", "alone", "image_load", "ratio");
  for (MapFile kind : {MapFile::PngRgb, MapFile::PngRgba, MapFile::Jpeg, MapFile::Bmp})
    for (int size : {3000, 8192}) time_load(kind, size, size == 3000 ? 2000 : size, rounds);
}

void run_memory_figures(const std::string& demo_dir) {
  printf("\nStart-up (load_level and one frame, in a child process): peak resident memory (VmHWM) and\n"
         "processor time; growth: (peak - demo peak) / (map pixel bytes - demo map pixel bytes).\n");
  printf("%-24s %10s %10s %9s %8s\n", "map", "pixels MB", "peak MB", "cpu ms", "growth");
  auto pixel_bytes = [](int w, int h, bool alpha) {
    return (alpha ? int64_t(w) * 4 : int64_t(w) * 3 + w % 4) * (int64_t(h) + 1);
  };
  StartFigures demo = start_child(demo_dir);
  if (!demo.ok) {
    printf("the demo level did not start\n");
    return;
  }
  int64_t demo_pixels = pixel_bytes(demo.width, demo.height, false);
  printf("%-24s %10.1f %10.1f %9.0f %8s\n", "demo 3000x2000 JPEG", demo_pixels / 1e6, demo.peak / 1e6, demo.cpu, "-");
  fflush(stdout);
  struct Case {
    MapFile kind;
    int size;
  } cases[] = {{MapFile::PngRgb, 8192}, {MapFile::Jpeg, 8192}, {MapFile::PngRgb, 16384}, {MapFile::PngRgba, 16384}};
  for (Case c : cases) {
    std::string label = std::to_string(c.size) + "x" + std::to_string(c.size) + " " + map_file_name(c.kind);
    std::string folder = temp_folder("start");
    bool made =
        make_level_folder(folder, demo_dir, "map") && write_map_file(folder + "pics/map", c.kind, c.size, c.size);
    StartFigures f = made ? start_child(folder) : StartFigures();
    remove_folder(folder);
    if (!f.ok || f.width != c.size) {
      printf("%-24s did not start with its map\n", label.c_str());
      continue;
    }
    int64_t pixels = pixel_bytes(c.size, c.size, c.kind == MapFile::PngRgba);
    printf("%-24s %10.1f %10.1f %9.0f %8.3f\n", label.c_str(), pixels / 1e6, f.peak / 1e6, f.cpu,
           double(f.peak - demo.peak) / double(pixels - demo_pixels));
    fflush(stdout);
  }
}
