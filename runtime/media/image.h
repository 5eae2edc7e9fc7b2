// Images: decoded pictures held as toolkit pixel buffers (8 bits per channel,
// R G B or R G B A, not premultiplied, rows top-down), named by numbers of the
// image table (fixed numbers or AnyNumber handles).
//
// Files are recognised by content: decoders are offered the file in the order
// they were registered (BMP built in, then PNG and JPEG at start-up). Every
// failure is silent and gives 0. Sizes above ImageMaxSize are refused, and so
// are pictures whose pixels would need more than the memory limit; the last
// such refusal can be asked for (image_refused).
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/strings.h"

// The toolkit pixel buffer of an image (GdkPixbuf); opaque to the application.
struct _GdkPixbuf;
using ImageHandle = _GdkPixbuf*;
struct DrawTarget;

// The largest width and height an image can have.
constexpr int ImageMaxSize = 32767;

constexpr int ResizeSmooth = 0;  // bilinear
constexpr int ResizeRaw = 1;     // nearest neighbour

// Creates the image table with the BMP decoder built in. Called once at start-up.
void images_init();
// Registers the PNG decoder (libpng), then the JPEG decoder (libjpeg).
void use_png_decoder();
void use_jpeg_decoder();

// Decodes the file into a new image. Returns the handle for AnyNumber, a
// non-zero value for a fixed number, 0 on failure.
int image_load(int number, const String& path);
// A new image with a copy of the pixels, depth and file depth. Result as image_load.
int image_copy(int number, int new_number);
// A new image that shares the pixel buffer of number instead of copying it.
// It is like image_copy in every respect (size, depth, file depth, the pixels
// seen through image_handle and image_view) but costs no pixel memory while
// neither image is drawn on: image_output gives the image it is asked for
// pixels of its own first, so drawing on one never shows in the other.
// Result as image_copy.
int image_share(int number, int new_number);
// Frees the image; -1 frees all images. Unknown numbers are ignored.
void image_free(int number);
// Size in pixels; 0 for an unknown number.
int image_width(int number);
int image_height(int number);
// 24 (RGB) or 32 (RGBA); 0 for an unknown number.
int image_depth(int number);
// Bits per pixel that the decoder reported for the file.
int image_file_depth(int number);
// The image's pixel buffer, used by draw_image and image gadgets; 0 if unknown.
ImageHandle image_handle(int number);
// Scales in place; width or height may be Ignore. Returns the new pixel buffer,
// the old one when the size does not change, 0 on failure.
ImageHandle image_resize(int number, int width, int height, int method = ResizeSmooth);
// A drawing target on the image's own pixels (4 bytes per pixel with alpha,
// else 3). 0 for an unknown number. Owned by the image. An image that shares
// its pixels (image_share) gets a copy of its own here first.
DrawTarget* image_output(int number);
// The image's pixels for reading only, described as a drawing target (never to
// be drawn on); unlike image_output it never copies shared pixels. 0 for an
// unknown number. Valid until the image is freed, resized or next given an output.
const DrawTarget* image_view(int number);

// A number that changes whenever the image's pixels may have changed (loaded,
// copied, resized, given an output, drawn on) and that no other image of the
// process had before; 0 for an unknown number. Whoever keeps something made
// from an image's pixels compares it to know when to make it anew.
uint64_t image_version(int number);

// Decodes a picture held in memory (same decoders and results as image_load).
int image_load_memory(int number, const void* data, size_t size);
// The largest pixel buffer, in bytes, that loading a picture may allocate;
// pictures needing more are refused. The default holds every picture of up to
// 16384 x 16384 pixels, with alpha channel and the loader's extra row (a
// little over 1 GiB); a zero or negative limit restores the default.
void image_set_memory_limit(int64_t bytes);
// The memory limit in force, in bytes.
int64_t image_memory_limit();
// The picture that the last image_load or image_load_memory refused as too
// large (a side above ImageMaxSize, or pixels above the memory limit).
struct ImageRefusal {
  int64_t width = 0, height = 0;  // as the file gives them
  int64_t bytes = 0;              // the memory it would need: pixels and decoding
};
// True, with the refused picture's figures, when the last load was refused
// for its size; false after a load that succeeded or failed otherwise.
bool image_refused(ImageRefusal* refusal);
