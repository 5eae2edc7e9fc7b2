// Image objects: the image table, the loader with its decoder registry, and
// copying, resizing and drawing targets on GdkPixbuf pixel buffers.
#include "runtime/media/image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "runtime/core/objects.h"
#include "runtime/media/decoders.h"
#include "runtime/media/drawing.h"

namespace {

struct Image {
  GdkPixbuf* pixels = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
  int file_depth = 0;
  int frames = 0;
  DrawTarget target;
};

// A 16384 x 16384 picture with alpha channel and the loader's extra row.
constexpr int64_t DefaultMemoryLimit = int64_t(16384) * 4 * (16384 + 1);
int64_t MemoryLimit = DefaultMemoryLimit;

// The picture the last load refused for its size, if it was refused so.
ImageRefusal LastRefusal;
bool LastLoadRefused = false;

// Pixel buffers that more than one image holds (image_share), with the number
// of images holding each.
std::unordered_map<GdkPixbuf*, int> SharedBuffers;

// Gives up one image's hold on a pixel buffer.
void drop_pixels(GdkPixbuf* pixels) {
  if (!pixels) return;
  auto shared = SharedBuffers.find(pixels);
  if (shared != SharedBuffers.end() && --shared->second < 2) SharedBuffers.erase(shared);
  g_object_unref(pixels);
}

void release_image(Image& image, int) {
  // A drawing still aimed at this image must not write into freed pixels.
  drawing_target_gone(&image.target);
  drop_pixels(image.pixels);
  image.pixels = nullptr;
}

// Created at its first use.
ObjectTable<Image>& image_table() {
  static ObjectTable<Image> table(16, release_image);
  return table;
}
std::vector<ImageDecoder> Decoders;

Image* find_image(int number) {
  Image* image = image_table().find(number);
  return image && image->pixels ? image : nullptr;
}

void free_buffer(guchar* pixels, gpointer) { g_free(pixels); }

// Keeps the image's drawing target in step with its pixel buffer.
void update_target(Image& image, int number) {
  DrawTarget& t = image.target;
  drawing_target_describe(&t, image.pixels);
  t.release = nullptr;
  t.owner = &image;
  t.owner_number = number;
}

// Stores a finished pixel buffer under number; returns as image_load.
int store_image(int number, GdkPixbuf* pixels, int depth, int file_depth) {
  int out = 0;
  Image* image = image_table().create(number, &out);
  if (!image) {
    drop_pixels(pixels);
    return 0;
  }
  image->pixels = pixels;
  image->width = gdk_pixbuf_get_width(pixels);
  image->height = gdk_pixbuf_get_height(pixels);
  image->depth = depth;
  image->file_depth = file_depth;
  image->frames = 1;
  update_target(*image, out);
  return number == AnyNumber ? out : 1;
}

int load_from_stream(int number, FILE* file) {
  ImageInfo info;
  void* state = nullptr;
  const ImageDecoder* decoder = nullptr;
  for (const ImageDecoder& d : Decoders) {
    rewind(file);
    clearerr(file);
    info = ImageInfo();
    state = nullptr;
    if (d.check(file, &info, &state)) {
      decoder = &d;
      break;
    }
  }
  if (!decoder) return 0;

  int result = 0;
  bool sane = info.width >= 1 && info.height >= 1 && (info.depth == 24 || info.depth == 32);
  int64_t stride = sane ? image_loader_stride(info.width, info.depth) : 0;
  int64_t bytes = stride * (int64_t(info.height) + 1);
  int64_t needed = bytes + std::max<int64_t>(info.working_bytes, 0);
  if (sane && (info.width > ImageMaxSize || info.height > ImageMaxSize || needed > MemoryLimit)) {
    sane = false;
    LastLoadRefused = true;
    LastRefusal = ImageRefusal{info.width, info.height, needed};
  }
  // Zeroed memory straight from the system for big pictures: the decoder
  // writes every row, so the pages are touched once.
  guchar* buffer = sane ? static_cast<guchar*>(g_try_malloc0(bytes)) : nullptr;
  if (buffer) {
    if (decoder->decode(state, buffer, stride, false)) {
      GdkPixbuf* pixels =
          gdk_pixbuf_new_from_data(buffer, GDK_COLORSPACE_RGB, info.depth == 32, 8, info.width,
                                   info.height, static_cast<int>(stride), free_buffer, nullptr);
      if (pixels) {
        buffer = nullptr;
        result = store_image(number, pixels, info.depth, info.file_depth);
      }
    }
    g_free(buffer);
  }
  decoder->release(state);
  // The number counts as taken once a decoder accepted the file: a failure
  // from there on frees it.
  if (!result && number != AnyNumber) image_free(number);
  return result;
}

}  // namespace

int64_t image_memory_limit() { return MemoryLimit; }

bool image_refused(ImageRefusal* refusal) {
  if (LastLoadRefused && refusal) *refusal = LastRefusal;
  return LastLoadRefused;
}

void image_set_memory_limit(int64_t bytes) { MemoryLimit = bytes > 0 ? bytes : DefaultMemoryLimit; }

int64_t image_loader_stride(int width, int depth) {
  return depth == 32 ? int64_t(width) * 4 : int64_t(width) * 3 + width % 4;
}

bool read_whole_file(FILE* file, std::vector<uint8_t>& data) {
  data.clear();
  // Read at once when the size is known, so that the vector never grows by copying.
  off64_t start = ftello64(file), end = -1;
  if (start >= 0 && fseeko64(file, 0, SEEK_END) == 0) end = ftello64(file);
  if (start < 0 || fseeko64(file, start, SEEK_SET) != 0) return false;
  if (end > start) {
    if (end - start > MemoryLimit) return false;
    data.resize(size_t(end - start));
    data.resize(fread(data.data(), 1, data.size(), file));
  }
  uint8_t chunk[65536];
  for (;;) {
    size_t n = fread(chunk, 1, sizeof chunk, file);
    if (n == 0) break;
    if (int64_t(data.size() + n) > MemoryLimit) return false;
    data.insert(data.end(), chunk, chunk + n);
  }
  return !ferror(file);
}

void image_register_decoder(const ImageDecoder& decoder) {
  for (const ImageDecoder& d : Decoders)
    if (std::strcmp(d.id, decoder.id) == 0) return;
  Decoders.push_back(decoder);
}

void images_init() { image_register_decoder(BmpDecoder); }
void use_png_decoder() { image_register_decoder(PngDecoder); }
void use_jpeg_decoder() { image_register_decoder(JpegDecoder); }

int image_load(int number, const String& path) {
  LastLoadRefused = false;
  std::string name = string_to_utf8(path);
  if (name.empty()) return 0;
  FILE* file = fopen64(name.c_str(), "rb");
  if (!file) return 0;
  int result = load_from_stream(number, file);
  fclose(file);
  return result;
}

int image_load_memory(int number, const void* data, size_t size) {
  LastLoadRefused = false;
  if (!data || size == 0) return 0;
  FILE* file = fmemopen(const_cast<void*>(data), size, "rb");
  if (!file) return 0;
  int result = load_from_stream(number, file);
  fclose(file);
  return result;
}

int image_copy(int number, int new_number) {
  Image* source = find_image(number);
  if (!source) return 0;
  int depth = source->depth;
  int file_depth = source->file_depth;
  // Copied before the new number is taken: the new number may be the source's own.
  GdkPixbuf* copy = gdk_pixbuf_copy(source->pixels);
  if (!copy) return 0;
  return store_image(new_number, copy, depth, file_depth);
}

int image_share(int number, int new_number) {
  Image* source = find_image(number);
  if (!source) return 0;
  GdkPixbuf* pixels = source->pixels;
  // Counted as held by the new image before it is stored: storing may free an
  // image under new_number that holds the same buffer (the source itself).
  auto shared = SharedBuffers.find(pixels);
  if (shared == SharedBuffers.end()) SharedBuffers[pixels] = 2;
  else shared->second++;
  g_object_ref(pixels);
  return store_image(new_number, pixels, source->depth, source->file_depth);
}

void image_free(int number) {
  if (number == -1) {
    image_table().remove_all();
    return;
  }
  image_table().remove(number);
}

int image_width(int number) {
  Image* image = find_image(number);
  return image ? image->width : 0;
}

int image_height(int number) {
  Image* image = find_image(number);
  return image ? image->height : 0;
}

int image_depth(int number) {
  Image* image = find_image(number);
  return image ? image->depth : 0;
}

int image_file_depth(int number) {
  Image* image = find_image(number);
  return image ? image->file_depth : 0;
}

ImageHandle image_handle(int number) {
  Image* image = find_image(number);
  return image ? image->pixels : nullptr;
}

ImageHandle image_resize(int number, int width, int height, int method) {
  Image* image = find_image(number);
  if (!image || image->frames != 1) return nullptr;
  if (width == Ignore) width = image->width;
  if (height == Ignore) height = image->height;
  if (width == image->width && height == image->height) return image->pixels;
  if (width < 1 || height < 1 || width > ImageMaxSize || height > ImageMaxSize) return nullptr;
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(
      image->pixels, width, height, method == ResizeRaw ? GDK_INTERP_NEAREST : GDK_INTERP_BILINEAR);
  if (!scaled) return nullptr;
  drop_pixels(image->pixels);
  image->pixels = scaled;
  image->width = width;
  image->height = height;
  update_target(*image, static_cast<int>(image->target.owner_number));
  return scaled;
}

DrawTarget* image_output(int number) {
  Image* image = find_image(number);
  if (!image) return nullptr;
  if (SharedBuffers.count(image->pixels)) {
    // About to be drawn on: pixels of its own first.
    GdkPixbuf* copy = gdk_pixbuf_copy(image->pixels);
    if (!copy) return nullptr;
    drop_pixels(image->pixels);
    image->pixels = copy;
  }
  update_target(*image, number);
  // The caller may write the pixels directly, not only by drawing.
  image->target.version = drawing_new_version();
  return &image->target;
}

uint64_t image_version(int number) {
  Image* image = find_image(number);
  return image ? image->target.version : 0;
}

const DrawTarget* image_view(int number) {
  Image* image = find_image(number);
  if (!image) return nullptr;
  update_target(*image, number);
  return &image->target;
}
