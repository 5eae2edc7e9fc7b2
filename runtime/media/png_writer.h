// PNG pictures written row by row with libpng, for pictures that are made a
// band of rows at a time and never held whole: the caller hands over rows as
// it makes them, and the encoded bytes go to a sink of its own (a file of the
// runtime's safe-save API, for one).
//
// Every picture is 8-bit R G B, not interlaced, with the row filter "Up" and
// zlib level PngWriterLevel: on map pictures (the benchmark's "export" table)
// that is four to five times faster than libpng's defaults (all filters,
// level 6), for files of about the same size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int PngWriterLevel = 2;

// Takes the next piece of the encoded file; false stops the writing (a full
// disk, say). Pieces arrive in file order.
using PngSink = std::function<bool(const uint8_t* data, size_t size)>;

// A text chunk written before the pixels: the keyword (1 to 79 printable
// ASCII characters; libpng cuts longer ones and drops leading, trailing and
// double spaces, and refuses an empty one) and a UTF-8 text.
// A text of ASCII characters only goes into a tEXt chunk, any other into an
// uncompressed iTXt chunk.
struct PngText {
  std::string keyword;
  std::string text;
};

struct PngWriter;

// Starts a picture of width x height pixels (1 to 2^31 - 1 each) and writes
// its header and texts. nullptr when libpng refuses them (a bad size or
// keyword) or the sink the bytes.
PngWriter* png_writer_start(int64_t width, int64_t height, const std::vector<PngText>& texts, PngSink sink);
// Writes the next count rows, top-down; rows[i] points at width x 3 bytes.
// False once anything failed (the sink refused bytes, libpng gave up, more
// rows than the height); every later call does nothing and gives false.
bool png_writer_rows(PngWriter* writer, const uint8_t* const* rows, int64_t count);
// Ends the picture and frees the writer (nullptr is allowed). True when every
// row was written and the sink took every byte; false for a picture left
// incomplete, whose bytes must not be used.
bool png_writer_finish(PngWriter* writer);
