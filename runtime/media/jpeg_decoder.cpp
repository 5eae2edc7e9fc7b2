// The JPEG decoder over libjpeg, decompressing from a memory copy of the
// file. Grey and YCbCr pictures come out as R G B, YCCK and CMYK pictures as
// CMYK, which is turned into R G B with the inverted values of the usual
// Adobe files (R = C * K / 255 ...). libjpeg's errors jump back to the
// setjmp point of the calling function; its messages are never printed. A
// file that ends before its picture data does is refused rather than shown
// half grey, and so is one with an absurd number of progressive scans.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <new>

#include "runtime/media/decoders.h"

namespace {

constexpr int MaxScans = 1000;

struct JpegState {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  bool created = false;
  bool truncated = false;
  std::vector<uint8_t> data;
  uint8_t* row = nullptr;  // one CMYK row
};

[[noreturn]] void jpeg_jump_back(j_common_ptr cinfo) {
  JpegState* s = static_cast<JpegState*>(cinfo->client_data);
  longjmp(s->jump, 1);
}

void jpeg_quiet_message(j_common_ptr cinfo, int level) {
  // Warnings are kept silent; a premature end of the data marks the file as truncated.
  if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    static_cast<JpegState*>(cinfo->client_data)->truncated = true;
}

void jpeg_count_scans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > MaxScans) jpeg_jump_back(cinfo);
}

void jpeg_destroy_state(JpegState* s) {
  if (s->created) jpeg_destroy_decompress(&s->cinfo);
  delete[] s->row;
  delete s;
}

bool jpeg_read_header_safely(JpegState* s) {
  if (setjmp(s->jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  s->cinfo.client_data = s;
  s->cinfo.mem->max_memory_to_use = image_memory_limit();
  s->progress.progress_monitor = jpeg_count_scans;
  s->cinfo.progress = &s->progress;
  jpeg_mem_src(&s->cinfo, s->data.data(), s->data.size());
  if (jpeg_read_header(&s->cinfo, TRUE) != JPEG_HEADER_OK) return false;
  switch (s->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      s->cinfo.out_color_space = JCS_RGB;
      break;
    case JCS_YCCK:
    case JCS_CMYK:
      s->cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      return false;
  }
  return s->cinfo.image_width >= 1 && s->cinfo.image_height >= 1 && s->cinfo.image_width <= ImageCheckMaxSize &&
         s->cinfo.image_height <= ImageCheckMaxSize;
}

// A progressive picture is decoded from all its coefficients at once: libjpeg
// holds a block of 64 of them for every 8 x 8 pixels of every component
// (rounded up to whole sampling units). The header has given the components'
// sizes in blocks. Baseline pictures are decoded a band of rows at a time.
int64_t jpeg_coefficient_bytes(const jpeg_decompress_struct& c) {
  if (!c.progressive_mode) return 0;
  int64_t bytes = 0;
  for (int i = 0; i < c.num_components; i++) {
    const jpeg_component_info& k = c.comp_info[i];
    int64_t h = std::max(k.h_samp_factor, 1), v = std::max(k.v_samp_factor, 1);
    int64_t columns = (int64_t(k.width_in_blocks) + h - 1) / h * h;
    int64_t rows = (int64_t(k.height_in_blocks) + v - 1) / v * v;
    bytes += columns * rows * int64_t(sizeof(JBLOCK));
  }
  return bytes;
}

bool jpeg_check(FILE* file, ImageInfo* info, void** state_out) {
  uint8_t start[2];
  if (fread(start, 1, 2, file) != 2 || start[0] != 0xFF || start[1] != 0xD8) return false;
  rewind(file);
  JpegState* s = new (std::nothrow) JpegState;
  if (!s) return false;
  s->cinfo.err = jpeg_std_error(&s->errors);
  s->errors.error_exit = jpeg_jump_back;
  s->errors.emit_message = jpeg_quiet_message;
  if (!read_whole_file(file, s->data) || s->data.size() < 3 || !jpeg_read_header_safely(s)) {
    jpeg_destroy_state(s);
    return false;
  }
  info->width = static_cast<int>(s->cinfo.image_width);
  info->height = static_cast<int>(s->cinfo.image_height);
  info->depth = 24;
  info->file_depth = s->cinfo.num_components * 8;
  info->working_bytes = jpeg_coefficient_bytes(s->cinfo);
  *state_out = s;
  return true;
}

bool jpeg_decode_rows(JpegState* s, uint8_t* pixels, int64_t stride, bool bottom_up) {
  if (setjmp(s->jump)) return false;
  jpeg_decompress_struct& c = s->cinfo;
  jpeg_start_decompress(&c);
  if ((c.output_components != 3 && c.output_components != 4) || c.output_width != c.image_width ||
      c.output_height != c.image_height)
    return false;
  const int width = static_cast<int>(c.output_width);
  const int height = static_cast<int>(c.output_height);
  while (c.output_scanline < c.output_height) {
    int y = static_cast<int>(c.output_scanline);
    uint8_t* out = pixels + stride * (bottom_up ? height - 1 - y : y);
    JSAMPROW target = c.output_components == 3 ? out : s->row;
    if (jpeg_read_scanlines(&c, &target, 1) != 1) return false;
    if (c.output_components == 4) {
      const uint8_t* in = s->row;
      for (int x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned k = in[3];
        out[0] = static_cast<uint8_t>(in[0] * k / 255);
        out[1] = static_cast<uint8_t>(in[1] * k / 255);
        out[2] = static_cast<uint8_t>(in[2] * k / 255);
      }
    }
    if (s->truncated) return false;
  }
  return !s->truncated;
}

bool jpeg_decode(void* state, uint8_t* pixels, int64_t stride, bool bottom_up) {
  JpegState* s = static_cast<JpegState*>(state);
  s->row = new (std::nothrow) uint8_t[size_t(s->cinfo.image_width) * 4];
  if (!s->row) return false;
  return jpeg_decode_rows(s, pixels, stride, bottom_up);
}

void jpeg_release(void* state) { jpeg_destroy_state(static_cast<JpegState*>(state)); }

}  // namespace

const ImageDecoder JpegDecoder = {"JPEG", jpeg_check, jpeg_decode, jpeg_release};
