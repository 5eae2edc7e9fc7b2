#include "media_files.h"

#include <png.h>
#include <stdio.h>
#include <jpeglib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

struct TempDir {
  std::string path;
  ~TempDir() {
    if (!path.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  }
};

TempDir Temp;

}  // namespace

std::string media_temp_dir() {
  if (Temp.path.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-media-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    Temp.path = pattern;
  }
  return Temp.path;
}

String write_temp_file(const std::string& name, const Bytes& bytes) {
  std::string path = media_temp_dir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return string_from_utf8(path);
}

void put_u16(Bytes& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = v & 255;
  b[at + 1] = v >> 8 & 255;
}

void put_u32(Bytes& b, size_t at, uint32_t v) {
  put_u16(b, at, v & 0xFFFF);
  put_u16(b, at + 2, v >> 16);
}

Bytes make_bmp(int width, int height, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
               const Bytes& pixel_data, const std::vector<uint32_t>& masks) {
  Bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  put_u32(b, 14, 40);
  put_u32(b, 18, static_cast<uint32_t>(width));
  put_u32(b, 22, static_cast<uint32_t>(height));
  put_u16(b, 26, 1);
  put_u16(b, 28, bpp);
  put_u32(b, 30, compression);
  put_u32(b, 46, static_cast<uint32_t>(palette.size()));
  for (uint32_t m : masks) put_u32(b, b.size(), m);
  for (uint32_t e : palette) put_u32(b, b.size(), e);
  put_u32(b, 10, static_cast<uint32_t>(b.size()));
  put_u32(b, 34, static_cast<uint32_t>(pixel_data.size()));
  b.insert(b.end(), pixel_data.begin(), pixel_data.end());
  put_u32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

namespace {

void png_to_vector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void png_no_flush(png_structp) {}

}  // namespace

Bytes make_png(const PngSpec& spec) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test picture");
  }
  png_set_write_fn(png, &out, png_to_vector, png_no_flush);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bit_depth, spec.colour_type,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < spec.palette.size(); i += 3)
    palette.push_back(png_color{spec.palette[i], spec.palette[i + 1], spec.palette[i + 2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!spec.trns.empty())
    png_set_tRNS(png, info, spec.trns.data(), static_cast<int>(spec.trns.size()), nullptr);
  if (spec.grey_key >= 0) {
    png_color_16 key{};
    key.gray = static_cast<png_uint_16>(spec.grey_key);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const Bytes& r : spec.rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes make_jpeg(int width, int height, int components, const Bytes& samples, int quality, bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (components == 4) jpeg_set_colorspace(&c, JCS_CMYK);
  c.optimize_coding = TRUE;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + size_t(c.next_scanline) * width * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  free(buffer);
  return out;
}
