// Picture files for the media tests and the fuzzer's seeds: BMP built byte by
// byte, PNG and JPEG written through libpng and libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Stores v little-endian in `size` bytes at `at`, growing b as needed.
void put(Bytes& b, size_t at, uint32_t v, int size = 4);

// A BMP with a 40-byte header, the colour table (entries 0xRRGGBB, as many as
// given) and the pixel data as given.
Bytes make_bmp(int width, int height, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
               const Bytes& pixel_data);

// A PNG of the colour type (PNG_COLOR_TYPE_*) with the palette (R G B
// triples), the alphas of the palette entries, a transparent grey value.
struct PngLayout {
  int width = 1, height = 1, colour_type = 2, bit_depth = 8;
  bool interlaced = false;
  Bytes palette = {}, trns = {};
  int grey_key = -1;
  std::vector<Bytes> rows = {};
};
Bytes make_png(const PngLayout& layout);

// A JPEG of quality 100; components: 1 grey, 3 RGB, 4 CMYK as stored;
// baseline, or progressive when asked.
Bytes make_jpeg(int width, int height, int components, const Bytes& samples, bool progressive = false);

// Small pictures of every BMP and PNG layout the decoders know, with the
// pixels they decode to (0xRRGGBB, or 0xRRGGBBAA at depth 32; rows top-down):
// the media tests' cases and the fuzzer's seeds.
struct SamplePicture {
  std::string name;
  Bytes file;
  int width, depth, file_depth, stride;
  std::vector<uint32_t> pixels;
};
std::vector<SamplePicture> sample_pictures();
