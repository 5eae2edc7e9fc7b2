// The BMP decoder: Windows bitmaps (and OS/2 1.x bitmaps with the short
// header) with 1, 4 or 8 bits per pixel and a colour table, 8 bits run-length
// encoded, 16 bits (5-5-5, or bit fields defaulting to 5-6-5), 24 and 32 bits.
// Rows stored bottom-up (positive height) or top-down (negative height).
// The output is always R G B.
//
// Every field of the file is checked before it is used: the whole picture
// must lie inside the file, colour indices beyond the colour table give black,
// and run-length data never writes outside the picture.
//
// Uncompressed pictures are read row by row from the file while they are
// decoded, so a big bitmap is never held twice; only the headers and the
// colour table are kept from the check. Run-length data, and files whose
// headers lie unusually far apart, are read whole.
#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/media/decoders.h"

namespace {

constexpr uint32_t CompressionNone = 0;
constexpr uint32_t CompressionRle8 = 1;
constexpr uint32_t CompressionBitFields = 3;

struct ChannelMask {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint8_t scale[256] = {};  // value of `bits` bits -> 8 bits, when bits <= 8
};

// Bytes read for the check when the rows are left in the file: the headers
// and a colour table of any length that follows them.
constexpr int64_t HeadBytes = 64 * 1024;

struct BmpState {
  std::vector<uint8_t> data;  // the start of the file, or all of it (whole)
  bool whole = false;
  FILE* file = nullptr;       // rows are read from here unless whole
  int width = 0;
  int height = 0;
  bool top_down = false;
  int bpp = 0;
  uint32_t compression = 0;
  uint32_t offset = 0;
  uint8_t palette[256 * 3] = {};  // R G B; entries missing from the file stay black
  ChannelMask masks[3];           // red, green, blue
};

uint32_t read_u32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t read_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void set_mask(ChannelMask& m, uint32_t mask) {
  m.mask = mask;
  m.shift = 0;
  m.bits = 0;
  if (!mask) return;
  while (!(mask >> m.shift & 1)) ++m.shift;
  uint32_t top = mask >> m.shift;
  while (m.bits < 32 && (top >> m.bits)) ++m.bits;
  if (m.bits <= 8) {
    // Bit replication spreads the value over 0..255 (5 bits: v << 3 | v >> 2).
    for (int v = 0; v < (1 << m.bits); ++v) {
      int out = 0;
      for (int filled = 0; filled < 8; filled += m.bits) out = out << m.bits | v;
      m.scale[v] = static_cast<uint8_t>(out >> ((8 + m.bits - 1) / m.bits * m.bits - 8));
    }
  }
}

inline uint8_t mask_value(const ChannelMask& m, uint32_t pixel) {
  uint32_t v = (pixel & m.mask) >> m.shift;
  return m.bits <= 8 ? m.scale[v] : static_cast<uint8_t>(v >> (m.bits - 8));
}

bool bmp_check(FILE* file, ImageInfo* info, void** state_out) {
  uint8_t head[14];
  if (fread(head, 1, sizeof head, file) != sizeof head) return false;
  if (head[0] != 'B' || head[1] != 'M' || read_u16(head + 6) != 0 || read_u16(head + 8) != 0) return false;
  rewind(file);
  BmpState* s = new (std::nothrow) BmpState;
  if (!s) return false;
  std::vector<uint8_t>& d = s->data;
  auto fail = [&] {
    delete s;
    return false;
  };
  int64_t file_size = -1;
  if (fseeko64(file, 0, SEEK_END) == 0) file_size = ftello64(file);
  rewind(file);
  if (file_size < 26) return fail();
  s->file = file;
  s->whole = file_size <= HeadBytes;
  if (s->whole) {
    if (!read_whole_file(file, d)) return fail();
  } else {
    d.resize(HeadBytes);
    if (fread(d.data(), 1, d.size(), file) != d.size()) return fail();
  }
  if (d.size() < 26) return fail();

  uint32_t header_size = read_u32(&d[14]);
  uint32_t compression = header_size >= 40 && d.size() >= 54 ? read_u32(&d[30]) : CompressionNone;
  if (!s->whole && (compression == CompressionRle8 || 14 + int64_t(header_size) + 1024 > HeadBytes)) {
    // Run-length data is read from memory; so is a colour table far behind the start.
    rewind(file);
    s->whole = true;
    if (!read_whole_file(file, d) || int64_t(d.size()) != file_size) return fail();
  }
  int64_t width, height;
  uint32_t colours_used = 0;
  int entry_size = 4;
  if (header_size == 12) {
    // OS/2 1.x: 16-bit sizes, colour table entries of 3 bytes.
    width = read_u16(&d[18]);
    height = static_cast<int16_t>(read_u16(&d[20]));
    s->bpp = read_u16(&d[24]);
    s->compression = CompressionNone;
    entry_size = 3;
  } else if (header_size >= 40 && d.size() >= 54) {
    width = static_cast<int32_t>(read_u32(&d[18]));
    height = static_cast<int32_t>(read_u32(&d[22]));
    s->bpp = read_u16(&d[28]);
    s->compression = read_u32(&d[30]);
    colours_used = read_u32(&d[46]);
  } else {
    return fail();
  }
  s->offset = read_u32(&d[10]);
  s->top_down = height < 0;
  if (height < 0) height = -height;
  if (width < 1 || height < 1 || width > ImageCheckMaxSize || height > ImageCheckMaxSize) return fail();
  s->width = static_cast<int>(width);
  s->height = static_cast<int>(height);

  bool layout_ok = false;
  switch (s->compression) {
    case CompressionNone:
      layout_ok = s->bpp == 1 || s->bpp == 4 || s->bpp == 8 || s->bpp == 16 || s->bpp == 24 || s->bpp == 32;
      break;
    case CompressionRle8:
      // Run-length data is defined for bottom-up rows only.
      layout_ok = s->bpp == 8 && !s->top_down;
      break;
    case CompressionBitFields:
      layout_ok = s->bpp == 16 || s->bpp == 32;
      break;
    default:
      break;  // 4-bit run-length, embedded JPEG or PNG and the rest are refused.
  }
  if (!layout_ok) return fail();
  if (s->offset >= file_size) return fail();

  if (s->compression != CompressionRle8) {
    int64_t row_size = (width * s->bpp + 31) / 32 * 4;
    // The padding of the last row may be missing.
    int64_t needed = int64_t(s->offset) + row_size * (height - 1) + (width * s->bpp + 7) / 8;
    if (needed > file_size) return fail();
  }

  if (s->bpp <= 8) {
    int64_t count = int64_t(1) << s->bpp;
    if (colours_used > 0 && colours_used < count) count = colours_used;
    int64_t start = 14 + int64_t(header_size);
    int64_t available = start < int64_t(d.size()) ? (int64_t(d.size()) - start) / entry_size : 0;
    if (count > available) count = available;
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* e = &d[start + i * entry_size];
      s->palette[i * 3] = e[2];
      s->palette[i * 3 + 1] = e[1];
      s->palette[i * 3 + 2] = e[0];
    }
  } else if (s->bpp == 16 || s->bpp == 32) {
    uint32_t r = s->bpp == 16 ? 0x7C00 : 0xFF0000, g = s->bpp == 16 ? 0x03E0 : 0xFF00, b = s->bpp == 16 ? 0x1F : 0xFF;
    if (s->compression == CompressionBitFields) {
      if (s->bpp == 16) r = 0xF800, g = 0x07E0, b = 0x1F;
      // The masks follow a 40-byte header, or are part of a longer one.
      bool present = d.size() >= 66 && (header_size >= 52 || s->offset >= 66);
      if (present && read_u32(&d[54]) && read_u32(&d[58]) && read_u32(&d[62]))
        r = read_u32(&d[54]), g = read_u32(&d[58]), b = read_u32(&d[62]);
    }
    set_mask(s->masks[0], r);
    set_mask(s->masks[1], g);
    set_mask(s->masks[2], b);
  }

  info->width = s->width;
  info->height = s->height;
  info->depth = 24;
  info->file_depth = s->bpp;
  *state_out = s;
  return true;
}

// Output row for the n-th row stored in the file.
inline uint8_t* output_row(const BmpState& s, uint8_t* pixels, int64_t stride, bool bottom_up, int n) {
  bool reverse = s.top_down == bottom_up;
  return pixels + stride * (reverse ? s.height - 1 - n : n);
}

void decode_row(const BmpState& s, const uint8_t* in, uint8_t* out) {
  const int w = s.width;
  const uint8_t* pal = s.palette;
  switch (s.bpp) {
    case 1:
      for (int x = 0; x < w; ++x, out += 3) {
        const uint8_t* c = pal + 3 * (in[x >> 3] >> (7 - (x & 7)) & 1);
        out[0] = c[0], out[1] = c[1], out[2] = c[2];
      }
      break;
    case 4:
      for (int x = 0; x < w; ++x, out += 3) {
        const uint8_t* c = pal + 3 * ((x & 1) ? in[x >> 1] & 15 : in[x >> 1] >> 4);
        out[0] = c[0], out[1] = c[1], out[2] = c[2];
      }
      break;
    case 8:
      for (int x = 0; x < w; ++x, out += 3) {
        const uint8_t* c = pal + 3 * in[x];
        out[0] = c[0], out[1] = c[1], out[2] = c[2];
      }
      break;
    case 16:
      for (int x = 0; x < w; ++x, in += 2, out += 3) {
        uint32_t v = in[0] | in[1] << 8;
        out[0] = mask_value(s.masks[0], v), out[1] = mask_value(s.masks[1], v), out[2] = mask_value(s.masks[2], v);
      }
      break;
    case 24:
      for (int x = 0; x < w; ++x, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
      break;
    case 32:
      if (s.compression == CompressionNone) {
        for (int x = 0; x < w; ++x, in += 4, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
      } else {
        for (int x = 0; x < w; ++x, in += 4, out += 3) {
          uint32_t v = read_u32(in);
          out[0] = mask_value(s.masks[0], v), out[1] = mask_value(s.masks[1], v), out[2] = mask_value(s.masks[2], v);
        }
      }
      break;
  }
}

// 8-bit run-length data. Pixels the data skips (end of line, delta, end of
// bitmap) stay black. Runs and deltas reaching past the row or the picture
// are cut there. Data that ends before the last row without an end-of-bitmap
// escape is a truncated file.
bool decode_rle8(const BmpState& s, uint8_t* pixels, int64_t stride, bool bottom_up) {
  const uint8_t* p = s.data.data() + s.offset;
  const uint8_t* end = s.data.data() + s.data.size();
  const uint8_t* pal = s.palette;
  const int w = s.width, h = s.height;
  int64_t x = 0, y = 0;
  while (y < h) {
    if (end - p < 2) return false;
    int count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      uint8_t* out = output_row(s, pixels, stride, bottom_up, static_cast<int>(y));
      const uint8_t* c = pal + 3 * value;
      int64_t stop = x + count < w ? x + count : w;
      for (int64_t i = x; i < stop; ++i) out[3 * i] = c[0], out[3 * i + 1] = c[1], out[3 * i + 2] = c[2];
      x += count;
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: move right and up
      if (end - p < 2) return false;
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // absolute run of `value` indices, padded to a 16-bit boundary
      int64_t padded = value + (value & 1);
      if (end - p < value) return false;
      uint8_t* out = output_row(s, pixels, stride, bottom_up, static_cast<int>(y));
      int64_t stop = x + value < w ? x + value : w;
      for (int64_t i = x; i < stop; ++i) {
        const uint8_t* c = pal + 3 * p[i - x];
        out[3 * i] = c[0], out[3 * i + 1] = c[1], out[3 * i + 2] = c[2];
      }
      x += value;
      p += end - p < padded ? end - p : padded;
    }
  }
  return true;
}

bool bmp_decode(void* state, uint8_t* pixels, int64_t stride, bool bottom_up) {
  const BmpState& s = *static_cast<BmpState*>(state);
  if (s.compression == CompressionRle8) return decode_rle8(s, pixels, stride, bottom_up);
  int64_t row_size = (int64_t(s.width) * s.bpp + 31) / 32 * 4;
  if (s.whole) {
    const uint8_t* in = s.data.data() + s.offset;
    for (int n = 0; n < s.height; ++n, in += row_size) decode_row(s, in, output_row(s, pixels, stride, bottom_up, n));
    return true;
  }
  // From the file in blocks of rows of about 1 MiB; the last row may lack its
  // padding. A file that became shorter since the check is damaged.
  if (fseeko64(s.file, s.offset, SEEK_SET) != 0) return false;
  int64_t block_rows = std::max<int64_t>(1, (int64_t(1) << 20) / row_size);
  int64_t missing_padding = row_size - (int64_t(s.width) * s.bpp + 7) / 8;
  std::vector<uint8_t> block(size_t(block_rows * row_size));
  for (int n = 0; n < s.height;) {
    int64_t rows = std::min<int64_t>(block_rows, s.height - n);
    int64_t want = rows * row_size;
    int64_t got = static_cast<int64_t>(fread(block.data(), 1, size_t(want), s.file));
    if (got < want - (n + rows == s.height ? missing_padding : 0)) return false;
    for (int64_t i = 0; i < rows; ++i, ++n)
      decode_row(s, block.data() + i * row_size, output_row(s, pixels, stride, bottom_up, n));
  }
  return true;
}

void bmp_release(void* state) { delete static_cast<BmpState*>(state); }

}  // namespace

const ImageDecoder BmpDecoder = {"BMP", bmp_check, bmp_decode, bmp_release};
