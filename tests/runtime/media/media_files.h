// Picture files built byte by byte (BMP) or through libpng / libjpeg for the
// media tests, and a temporary folder to put them in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/strings.h"

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its files
// at the end of the test program.
std::string media_temp_dir();
// Writes the bytes to a file in the temporary folder; returns its path.
String write_temp_file(const std::string& name, const Bytes& bytes);

void put_u16(Bytes& b, size_t at, uint32_t v);
void put_u32(Bytes& b, size_t at, uint32_t v);

// A BMP with a 40-byte header, the given palette (B G R 0 entries, as many as
// given), optional bit-field masks after the header, and the pixel data as given.
Bytes make_bmp(int width, int height, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
               const Bytes& pixel_data, const std::vector<uint32_t>& masks = {});
// Palette entry for make_bmp.
inline uint32_t bgr(uint8_t r, uint8_t g, uint8_t b) { return b | g << 8 | uint32_t(r) << 16; }

struct PngSpec {
  int width = 1;
  int height = 1;
  int colour_type = 2;  // PNG_COLOR_TYPE_*
  int bit_depth = 8;
  bool interlaced = false;
  std::vector<uint8_t> palette;  // R G B triples
  std::vector<uint8_t> trns;     // alphas of the palette entries
  int grey_key = -1;             // transparent grey value of a grey picture
  std::vector<Bytes> rows;       // raw rows as libpng expects them
};
Bytes make_png(const PngSpec& spec);

// A JPEG with the given components (1 grey, 3 RGB, 4 CMYK as stored), with
// optimised Huffman tables, at the given quality, optionally progressive.
Bytes make_jpeg(int width, int height, int components, const Bytes& samples, int quality = 100,
                bool progressive = false);
