// The picture decoder registry behind image_load (internal to the media layer).
//
// A decoder examines the start of an open file (check) and, if the file is of
// its kind, reports the picture's size and depth and keeps what it needs in a
// state of its own; decode then writes all rows into the loader's buffer and
// release frees the state. Decoders never read or write outside the file's
// bytes or the rows they were given. A check reports the size the file gives
// (up to ImageCheckMaxSize), so that the loader can refuse pictures larger than
// ImageMaxSize or needing more than image_memory_limit() bytes (pixel buffer and
// working memory) by their size: decode is never called for those.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "runtime/media/image.h"

// Sizes a check reports; beyond it a file is not taken as a picture at all.
constexpr int ImageCheckMaxSize = 1 << 20;

struct ImageInfo {
  int width = 0;
  int height = 0;
  int depth = 24;       // 24: rows of R G B; 32: rows of R G B A
  int file_depth = 0;   // bits per pixel of the file
  // Memory the decoder needs besides the pixel buffer while it decodes, when
  // that grows with the picture (a progressive JPEG holds all its
  // coefficients); it counts against the memory limit with the buffer.
  int64_t working_bytes = 0;
};

struct ImageDecoder {
  char id[5];
  // The file is rewound; true (with info and *state filled) if the decoder takes it.
  bool (*check)(FILE* file, ImageInfo* info, void** state);
  // Writes height rows of width * depth / 8 bytes, stride bytes apart, top-down
  // (bottom-up when asked). False when the data turns out to be damaged.
  bool (*decode)(void* state, uint8_t* pixels, int64_t stride, bool bottom_up);
  void (*release)(void* state);
};

extern const ImageDecoder BmpDecoder;
extern const ImageDecoder PngDecoder;
extern const ImageDecoder JpegDecoder;

// Adds the decoder at the end of the registry (once; a second registration
// of the same identifier is ignored).
void image_register_decoder(const ImageDecoder& decoder);

// Reads the rest of the file into data; false on a read error or when the file
// is larger than the memory limit.
bool read_whole_file(FILE* file, std::vector<uint8_t>& data);

// Bytes of a loader buffer for the picture: stride * (height + 1).
int64_t image_loader_stride(int width, int depth);
