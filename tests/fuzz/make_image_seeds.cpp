// Writes the seed corpus of the image fuzzer: small valid BMP, PNG and JPEG
// files of every layout the decoders know, each a few hundred bytes at most.
// Usage: make_image_seeds <folder>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/media/media_files.h"

namespace {

std::string Folder;

void save(const std::string& name, const Bytes& bytes) {
  std::ofstream out(Folder + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes pattern(size_t n, int step) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * step);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  Folder = argv[1];
  std::filesystem::create_directories(Folder);

  std::vector<uint32_t> two = {bgr(0, 0, 0), bgr(255, 255, 255)};
  std::vector<uint32_t> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(bgr(i * 16, 255 - i * 16, i * 8));
  save("bmp-1bit.bmp", make_bmp(9, 3, 1, 0, two, pattern(12, 37)));
  save("bmp-4bit.bmp", make_bmp(5, 3, 4, 0, sixteen, pattern(12, 19)));
  save("bmp-8bit.bmp", make_bmp(3, 3, 8, 0, sixteen, pattern(12, 5)));
  save("bmp-8bit-topdown.bmp", make_bmp(3, -2, 8, 0, sixteen, pattern(8, 3)));
  save("bmp-rle8.bmp", make_bmp(6, 4, 8, 1, sixteen,
                                {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 0, 9, 2, 0, 1}));
  save("bmp-16bit-555.bmp", make_bmp(3, 2, 16, 0, {}, pattern(16, 29)));
  save("bmp-16bit-565.bmp", make_bmp(3, 2, 16, 3, {}, pattern(16, 31), {0xF800, 0x07E0, 0x001F}));
  save("bmp-24bit.bmp", make_bmp(5, 2, 24, 0, {}, pattern(32, 11)));
  save("bmp-32bit.bmp", make_bmp(3, 2, 32, 0, {}, pattern(24, 13)));
  save("bmp-32bit-fields.bmp", make_bmp(2, 2, 32, 3, {}, pattern(16, 17), {0xFF0000, 0xFF00, 0xFF}));

  PngSpec palette;
  palette.width = 4;
  palette.height = 2;
  palette.colour_type = PNG_COLOR_TYPE_PALETTE;
  palette.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  palette.trns = {0, 128};
  palette.rows = {{0, 1, 2, 1}, {2, 1, 0, 0}};
  save("png-palette-trns.png", make_png(palette));

  PngSpec grey;
  grey.width = 8;
  grey.height = 2;
  grey.colour_type = PNG_COLOR_TYPE_GRAY;
  grey.bit_depth = 2;
  grey.rows = {{0x1B, 0xE4}, {0xFF, 0x00}};
  save("png-grey-2bit.png", make_png(grey));

  PngSpec grey_alpha;
  grey_alpha.width = 2;
  grey_alpha.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
  grey_alpha.rows = {{10, 20, 30, 40}};
  save("png-grey-alpha.png", make_png(grey_alpha));

  PngSpec deep;
  deep.width = 2;
  deep.height = 2;
  deep.colour_type = PNG_COLOR_TYPE_RGB;
  deep.bit_depth = 16;
  deep.rows = {pattern(12, 21), pattern(12, 23)};
  save("png-rgb-16bit.png", make_png(deep));

  PngSpec interlaced;
  interlaced.width = 9;
  interlaced.height = 9;
  interlaced.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  interlaced.interlaced = true;
  for (int y = 0; y < 9; ++y) interlaced.rows.push_back(pattern(36, 3 + y));
  save("png-rgba-interlaced.png", make_png(interlaced));

  save("jpeg-grey.jpg", make_jpeg(8, 8, 1, pattern(64, 4), 50));
  save("jpeg-colour.jpg", make_jpeg(8, 8, 3, pattern(192, 3), 50));
  save("jpeg-cmyk.jpg", make_jpeg(8, 8, 4, pattern(256, 1), 50));
  save("jpeg-progressive.jpg", make_jpeg(8, 8, 3, pattern(192, 7), 50, true));
  return 0;
}
