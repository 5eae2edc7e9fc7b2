// The PNG decoder over libpng 1.6. Every picture is turned into 8-bit R G B
// (depth 24) or R G B A (depth 32, for any alpha channel or transparency
// chunk). libpng reports errors by jumping back to the setjmp point of the
// function that called it; those functions keep no objects with destructors
// between the jump and its target.
#include <png.h>

#include <csetjmp>
#include <new>

#include "runtime/media/decoders.h"

namespace {

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  int file_depth = 0;
  png_bytep* rows = nullptr;
};

void png_quiet_warning(png_structp, png_const_charp) {}

[[noreturn]] void png_jump_back(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void png_destroy(PngState* s) {
  if (s->png) png_destroy_read_struct(&s->png, s->info ? &s->info : nullptr, nullptr);
  delete[] s->rows;
  delete s;
}

// Reads the header and sets up the transformations; false on any libpng error.
bool png_read_header(PngState* s, FILE* file) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_init_io(s->png, file);
  png_set_user_limits(s->png, ImageCheckMaxSize, ImageCheckMaxSize);
  png_read_info(s->png, s->info);

  png_uint_32 width = 0, height = 0;
  int bit_depth = 0, colour_type = 0, interlace = 0;
  png_get_IHDR(s->png, s->info, &width, &height, &bit_depth, &colour_type, &interlace, nullptr, nullptr);
  if (width < 1 || height < 1 || width > ImageCheckMaxSize || height > ImageCheckMaxSize) return false;
  int file_channels = png_get_channels(s->png, s->info);

  bool transparency = png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0;
  if (transparency) png_set_tRNS_to_alpha(s->png);
  if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s->png);
  if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (bit_depth < 8) png_set_expand_gray_1_2_4_to_8(s->png);
    png_set_gray_to_rgb(s->png);
  }
  if (bit_depth == 16) png_set_strip_16(s->png);
  png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);

  s->channels = png_get_channels(s->png, s->info);
  bool alpha = transparency || (colour_type & PNG_COLOR_MASK_ALPHA);
  if (png_get_bit_depth(s->png, s->info) != 8 || s->channels != (alpha ? 4 : 3)) return false;
  if (png_get_rowbytes(s->png, s->info) != png_size_t(width) * s->channels) return false;
  s->width = static_cast<int>(width);
  s->height = static_cast<int>(height);
  // Bits per pixel as stored: a palette entry counts as its index size.
  s->file_depth = file_channels * bit_depth;
  return true;
}

bool png_check(FILE* file, ImageInfo* info, void** state_out) {
  png_byte signature[8];
  if (fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0) return false;
  rewind(file);
  PngState* s = new (std::nothrow) PngState;
  if (!s) return false;
  s->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_jump_back, png_quiet_warning);
  if (s->png) s->info = png_create_info_struct(s->png);
  if (!s->info || !png_read_header(s, file)) {
    png_destroy(s);
    return false;
  }
  info->width = s->width;
  info->height = s->height;
  info->depth = s->channels * 8;
  info->file_depth = s->file_depth;
  *state_out = s;
  return true;
}

bool png_read_rows(PngState* s) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_read_image(s->png, s->rows);
  return true;
}

bool png_decode(void* state, uint8_t* pixels, int64_t stride, bool bottom_up) {
  PngState* s = static_cast<PngState*>(state);
  s->rows = new (std::nothrow) png_bytep[s->height];
  if (!s->rows) return false;
  for (int y = 0; y < s->height; ++y) s->rows[y] = pixels + stride * (bottom_up ? s->height - 1 - y : y);
  return png_read_rows(s);
}

void png_release(void* state) { png_destroy(static_cast<PngState*>(state)); }

}  // namespace

const ImageDecoder PngDecoder = {"PNG", png_check, png_decode, png_release};
