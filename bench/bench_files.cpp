// Map picture files (PNG through libpng, JPEG through libjpeg, BMP by hand)
// and level folders for the benchmarks.
#include "bench/bench_files.h"

#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

const char* map_file_name(MapFile kind) {
  switch (kind) {
    case MapFile::PngRgb: return "PNG RGB";
    case MapFile::PngRgba: return "PNG RGBA";
    case MapFile::Jpeg: return "JPEG";
    case MapFile::Bmp: return "BMP";
  }
  return "?";
}

void map_pixel(int x, int y, int w, int h, uint8_t* rgba) {
  uint32_t n = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u;
  n ^= n >> 15;
  int noise = int(n & 15);
  rgba[0] = uint8_t(int64_t(x) * 200 / w + noise);
  rgba[1] = uint8_t(int64_t(y) * 180 / h + ((x / 64 + y / 64) % 2) * 40);
  rgba[2] = uint8_t(((x ^ y) & 63) + noise * 4);
  rgba[3] = uint8_t(128 + (x + y) % 128);
}

namespace {

bool write_png(FILE* f, bool alpha, int w, int h) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, f);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  int n = alpha ? 4 : 3;
  std::vector<uint8_t> row(size_t(w) * n);
  uint8_t px[4];
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      map_pixel(x, y, w, h, px);
      std::memcpy(&row[size_t(x) * n], px, n);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool write_jpeg(FILE* f, int w, int h) {
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(w) * 3);
  uint8_t px[4];
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < w; x++) {
      map_pixel(x, int(c.next_scanline), w, h, px);
      std::memcpy(&row[size_t(x) * 3], px, 3);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

bool write_bmp(FILE* f, int w, int h) {
  int64_t row = (int64_t(w) * 3 + 3) & ~int64_t(3);
  uint8_t header[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; i++) header[at + i] = uint8_t(v >> (8 * i));
  };
  put32(2, uint32_t(54 + row * h));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  header[26] = 1;
  header[28] = 24;
  put32(34, uint32_t(row * h));
  if (fwrite(header, 1, 54, f) != 54) return false;
  std::vector<uint8_t> line(row);
  uint8_t px[4];
  for (int y = h - 1; y >= 0; y--) {
    for (int x = 0; x < w; x++) {
      map_pixel(x, y, w, h, px);
      line[x * 3] = px[2], line[x * 3 + 1] = px[1], line[x * 3 + 2] = px[0];
    }
    if (fwrite(line.data(), 1, row, f) != size_t(row)) return false;
  }
  return true;
}

}  // namespace

bool write_map_file(const std::string& path, MapFile kind, int w, int h) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = kind == MapFile::Jpeg  ? write_jpeg(f, w, h)
            : kind == MapFile::Bmp ? write_bmp(f, w, h)
                                   : write_png(f, kind == MapFile::PngRgba, w, h);
  return fclose(f) == 0 && ok;
}

std::string temp_folder(const char* what) {
  std::string pattern = std::string("/tmp/tavrel-bench-") + what + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  if (!mkdtemp(buffer.data())) return "";
  return std::string(buffer.data()) + "/";
}

void remove_folder(const std::string& folder) {
  std::error_code ignored;
  if (!folder.empty()) fs::remove_all(folder, ignored);
}

bool make_level_folder(const std::string& folder, const std::string& demo_dir, const std::string& map_file) {
  std::error_code error;
  for (const char* name : {"players.xml", "graves.xml", "transports.xml"})
    fs::copy_file(demo_dir + name, folder + name, fs::copy_options::overwrite_existing, error);
  fs::create_directories(folder + "pics", error);
  fs::copy(demo_dir + "players", folder + "players", fs::copy_options::recursive | fs::copy_options::skip_existing,
           error);
  if (error) return false;
  for (const fs::directory_entry& e : fs::directory_iterator(demo_dir + "pics"))
    if (e.path().extension() == ".png")
      fs::copy_file(e.path(), folder + "pics/" + e.path().filename().string(), fs::copy_options::skip_existing, error);
  std::ofstream level(folder + "Varn.gxml");
  level << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<level>\n  <name>Gross</name>\n  <pic type=\"bg\">"
        << map_file << "</pic>\n  <tile_x>40</tile_x>\n  <tile_y>40</tile_y>\n  <playersize>32</playersize>\n"
        << "  <tile_orientation>0</tile_orientation>\n</level>\n";
  return !error && level.good();
}

int64_t peak_memory_bytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}

double cpu_ms() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}
