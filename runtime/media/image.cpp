// Image objects: the image table, the loader with its decoder registry, and
// copying, resizing and drawing targets on GdkPixbuf pixel buffers.
#include "runtime/media/image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>
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

constexpr int64_t DefaultMemoryLimit = int64_t(1) << 30;
int64_t MemoryLimit = DefaultMemoryLimit;

void release_image(Image& image, int) {
  // A drawing still aimed at this image must not write into freed pixels.
  drawing_target_gone(&image.target);
  if (image.pixels) g_object_unref(image.pixels);
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
    g_object_unref(pixels);
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
  bool sane = info.width >= 1 && info.height >= 1 && info.width <= ImageMaxSize &&
              info.height <= ImageMaxSize && (info.depth == 24 || info.depth == 32);
  int64_t stride = sane ? image_loader_stride(info.width, info.depth) : 0;
  int64_t bytes = stride * (int64_t(info.height) + 1);
  guchar* buffer = sane && bytes <= MemoryLimit ? static_cast<guchar*>(g_try_malloc0(bytes)) : nullptr;
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

void image_set_memory_limit(int64_t bytes) { MemoryLimit = bytes > 0 ? bytes : DefaultMemoryLimit; }

int64_t image_loader_stride(int width, int depth) {
  return depth == 32 ? int64_t(width) * 4 : int64_t(width) * 3 + width % 4;
}

bool read_whole_file(FILE* file, std::vector<uint8_t>& data) {
  data.clear();
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
  std::string name = string_to_utf8(path);
  if (name.empty()) return 0;
  FILE* file = fopen64(name.c_str(), "rb");
  if (!file) return 0;
  int result = load_from_stream(number, file);
  fclose(file);
  return result;
}

int image_load_memory(int number, const void* data, size_t size) {
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
  g_object_unref(image->pixels);
  image->pixels = scaled;
  image->width = width;
  image->height = height;
  update_target(*image, static_cast<int>(image->target.owner_number));
  return scaled;
}

DrawTarget* image_output(int number) {
  Image* image = find_image(number);
  if (!image) return nullptr;
  update_target(*image, number);
  return &image->target;
}
