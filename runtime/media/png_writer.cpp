// The PNG writer over libpng 1.6. libpng reports errors by jumping back to
// the setjmp point of the function that called it; those functions keep no
// objects with destructors between the jump and its target, and the sink is
// only called from the write callback, which jumps after the call returned.
#include "runtime/media/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <new>

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngSink sink;
  int64_t width = 0, height = 0;
  int64_t written = 0;  // rows
  bool failed = false;
};

namespace {

void quiet_warning(png_structp, png_const_charp) {}

[[noreturn]] void jump_back(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void write_to_sink(png_structp png, png_bytep data, size_t size) {
  auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
  if (!writer->sink(data, size)) png_error(png, "the sink refused the bytes");
}

void flush_nothing(png_structp) {}

void free_writer(PngWriter* writer) {
  if (writer->png) png_destroy_write_struct(&writer->png, writer->info ? &writer->info : nullptr);
  delete writer;
}

bool start_picture(PngWriter* w, png_text* texts, int count) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_set_write_fn(w->png, w, write_to_sink, flush_nothing);
  png_set_user_limits(w->png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(w->png, w->info, static_cast<png_uint_32>(w->width), static_cast<png_uint_32>(w->height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(w->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_compression_level(w->png, PngWriterLevel);
  // Larger pieces for the sink than libpng's 8 KiB: fewer calls, and IDAT
  // chunks of 128 KiB.
  png_set_compression_buffer_size(w->png, 1 << 17);
  if (count > 0) png_set_text(w->png, w->info, texts, count);
  png_write_info(w->png, w->info);
  return true;
}

bool write_rows(PngWriter* w, const uint8_t* const* rows, int64_t count) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  for (int64_t i = 0; i < count; i++) png_write_row(w->png, rows[i]);
  return true;
}

bool end_picture(PngWriter* w) {
  if (setjmp(png_jmpbuf(w->png))) return false;
  png_write_end(w->png, nullptr);
  return true;
}

bool ascii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

PngWriter* png_writer_start(int64_t width, int64_t height, const std::vector<PngText>& texts, PngSink sink) {
  if (width < 1 || height < 1 || width > 0x7fffffff || height > 0x7fffffff || !sink) return nullptr;
  PngWriter* w = new (std::nothrow) PngWriter;
  if (!w) return nullptr;
  w->sink = std::move(sink);
  w->width = width;
  w->height = height;
  w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jump_back, quiet_warning);
  if (w->png) w->info = png_create_info_struct(w->png);
  if (!w->info) {
    free_writer(w);
    return nullptr;
  }
  // The chunks point into these strings until png_write_info has run. A
  // zero byte would end a text early: none is written.
  std::vector<std::string> keywords, bodies;
  for (const PngText& t : texts) {
    keywords.push_back(t.keyword);
    std::string body;
    for (char c : t.text)
      if (c != '\0') body += c;
    bodies.push_back(body);
  }
  std::vector<png_text> chunks(texts.size());
  for (size_t i = 0; i < texts.size(); i++) {
    png_text& chunk = chunks[i];
    chunk.key = keywords[i].data();
    chunk.text = bodies[i].data();
    if (ascii(bodies[i])) {
      chunk.compression = PNG_TEXT_COMPRESSION_NONE;
      chunk.text_length = bodies[i].size();
    } else {
      chunk.compression = PNG_ITXT_COMPRESSION_NONE;
      chunk.itxt_length = bodies[i].size();
    }
  }
  if (!start_picture(w, chunks.data(), static_cast<int>(chunks.size()))) {
    free_writer(w);
    return nullptr;
  }
  return w;
}

bool png_writer_rows(PngWriter* w, const uint8_t* const* rows, int64_t count) {
  if (!w || w->failed) return false;
  if (count < 0 || count > w->height - w->written || !write_rows(w, rows, count)) {
    w->failed = true;
    return false;
  }
  w->written += count;
  return true;
}

bool png_writer_finish(PngWriter* w) {
  if (!w) return false;
  bool ok = !w->failed && w->written == w->height && end_picture(w);
  free_writer(w);
  return ok;
}
