#include "media_files.h"

#include <png.h>
#include <stdio.h>
#include <jpeglib.h>

#include <cstdlib>
#include <tuple>

void put(Bytes& b, size_t at, uint32_t v, int size) {
  if (b.size() < at + size) b.resize(at + size);
  for (int i = 0; i < size; ++i) b[at + i] = v >> (8 * i) & 255;
}

Bytes make_bmp(int width, int height, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
               const Bytes& pixel_data) {
  Bytes b = {'B', 'M'};
  for (auto [at, value, size] : {std::tuple{14, uint32_t(40), 4}, {18, uint32_t(width), 4}, {22, uint32_t(height), 4},
                                 {26, 1u, 2}, {28, uint32_t(bpp), 2}, {30, compression, 4},
                                 {34, uint32_t(pixel_data.size()), 4}, {46, uint32_t(palette.size()), 4}, {50, 0u, 4}})
    put(b, at, value, size);
  for (uint32_t v : palette) put(b, b.size(), v);
  put(b, 10, static_cast<uint32_t>(b.size()));
  b.insert(b.end(), pixel_data.begin(), pixel_data.end());
  put(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

Bytes make_png(const PngLayout& layout) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);  // libpng aborts the program on an error
  auto append = [](png_structp p, png_bytep data, png_size_t n) {
    static_cast<Bytes*>(png_get_io_ptr(p))->insert(static_cast<Bytes*>(png_get_io_ptr(p))->end(), data, data + n);
  };
  png_set_write_fn(png, &out, append, [](png_structp) {});
  png_set_IHDR(png, info, layout.width, layout.height, layout.bit_depth, layout.colour_type,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  static_assert(sizeof(png_color) == 3);
  if (!layout.palette.empty())
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.palette.data()),
                 static_cast<int>(layout.palette.size() / 3));
  png_color_16 key{0, 0, 0, 0, static_cast<png_uint_16>(layout.grey_key)};
  if (!layout.trns.empty() || layout.grey_key >= 0)
    png_set_tRNS(png, info, layout.trns.data(), static_cast<int>(layout.trns.size()), layout.grey_key >= 0 ? &key : nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const Bytes& row : layout.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes make_jpeg(int width, int height, int components, const Bytes& samples, bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = width, c.image_height = height, c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  for (JSAMPROW row = const_cast<JSAMPROW>(samples.data()); c.next_scanline < c.image_height; row += width * components)
    jpeg_write_scanlines(&c, &row, 1);
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  free(buffer);
  return out;
}

std::vector<SamplePicture> sample_pictures() {
  constexpr uint32_t K = 0, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, P = 0x0A141E, Q = 0xC86432;
  const std::vector<uint32_t> pal = {P, Q, R, G}, rle_pal = {K, R, G, B};
  const Bytes rows24 = {0, 0, 255, 0, 255, 0, 255, 0, 0, 30, 20, 10, 50, 100, 200, 0x77,
                        50, 100, 200, 30, 20, 10, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0x77};
  PngLayout gradient{.width = 9, .height = 9, .colour_type = PNG_COLOR_TYPE_RGB_ALPHA, .interlaced = true};
  std::vector<uint32_t> gradient_pixels;
  for (int y = 0; y < 9; ++y) {
    gradient.rows.emplace_back();
    for (int x = 0; x < 9; ++x) {
      gradient.rows.back().insert(gradient.rows.back().end(), {uint8_t(x * 20), uint8_t(y * 20), uint8_t(x + y), 200});
      gradient_pixels.push_back(uint32_t(x * 20) << 24 | y * 20 << 16 | (x + y) << 8 | 200);
    }
  }
  return {
      {"bmp 1 bit", make_bmp(10, 2, 1, 0, {P, Q}, {0xAA, 0x80, 0, 0, 0x00, 0x40, 0, 0}), 10, 24, 1, 32,
       {P, P, P, P, P, P, P, P, P, Q, Q, P, Q, P, Q, P, Q, P, Q, P}},
      {"bmp 4 bit", make_bmp(3, 1, 4, 0, pal, {0x23, 0x00, 0, 0}), 3, 24, 4, 12, {R, G, P}},
      {"bmp 8 bit, index past the table", make_bmp(2, 2, 8, 0, pal, {3, 200, 0, 0, 1, 2, 0, 0}), 2, 24, 8, 8,
       {Q, R, G, K}},
      {"bmp 16 bit 5-5-5", make_bmp(2, 1, 16, 0, {}, {0x01, 0x7E, 0x1F, 0x00}), 2, 24, 16, 8, {0xFF8408, B}},
      {"bmp 16 bit fields default 5-6-5", make_bmp(2, 1, 16, 3, {}, {0xE0, 0x07, 0x00, 0xF8}), 2, 24, 16, 8, {G, R}},
      {"bmp 24 bit, 5 wide", make_bmp(5, 2, 24, 0, {}, rows24), 5, 24, 24, 16, {Q, P, B, G, R, R, G, B, P, Q}},
      {"bmp 32 bit", make_bmp(1, 1, 32, 0, {}, {1, 2, 3, 99}), 1, 24, 32, 4, {0x030201}},
      // Run, absolute run with its pad byte, end of line, delta, a run cut at
      // the row's end, end of bitmap; skipped pixels stay black.
      {"bmp RLE 8", make_bmp(6, 4, 8, 1, rle_pal, {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 0, 9, 2, 0, 1}),
       6, 24, 8, 20, {G, G, G, G, G, G, K, K, B, B, K, K, K, K, K, K, K, K, R, R, R, G, B, G}},
      {"bmp RLE 8, absolute run past the row, delta past the picture",
       make_bmp(2, 2, 8, 1, rle_pal, {0, 4, 1, 2, 3, 1, 0, 2, 0, 9}), 2, 24, 8, 8, {K, K, R, G}},
      {"png palette with tRNS",
       make_png({.width = 3, .colour_type = PNG_COLOR_TYPE_PALETTE, .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255},
                 .trns = {0, 128}, .rows = {{0, 1, 2}}}),
       3, 32, 8, 12, {0xFF000000, 0x00FF0080, 0x0000FFFF}},
      {"png grey", make_png({.width = 2, .colour_type = PNG_COLOR_TYPE_GRAY, .rows = {{17, 240}}}), 2, 24, 8, 8,
       {0x111111, 0xF0F0F0}},
      {"png 2-bit grey with a grey key",
       make_png({.width = 4, .colour_type = PNG_COLOR_TYPE_GRAY, .bit_depth = 2, .grey_key = 1, .rows = {{0x1B}}}),
       4, 32, 2, 16, {0x000000FF, 0x55555500, 0xAAAAAAFF, 0xFFFFFFFF}},
      {"png 16 bit", make_png({.bit_depth = 16, .rows = {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00}}}), 1, 24, 48, 4,
       {0x12ABFF}},
      {"png interlaced", make_png(gradient), 9, 32, 32, 36, gradient_pixels},
  };
}
