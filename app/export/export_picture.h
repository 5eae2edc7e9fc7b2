// Pictures of the layout as PNG files: the whole map with every grave,
// transport and hero, or what the map canvas shows now.
//
// The whole map is composed and encoded a band of rows at a time, straight
// from the map picture (never from a copy of it), with the frame's pixel
// helpers: at 100 % every pixel is the one the map view shows at zoom 100,
// at 50 and 25 % the one it shows at that zoom. The marker and the hover
// label are never part of a picture. Every picture names the level and each
// inscription of a grave or transport it shows in its text chunks.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/core/strings.h"
#include "runtime/media/png_writer.h"

struct ExportOptions {
  int scale = 100;      // per cent of the map's size: 100, 50 or 25 (any of 1 to 100 works)
  bool labels = false;  // the inscriptions written beside their graves and transports
};

enum class ExportResult {
  Written,
  NoMap,       // no map picture is loaded (or the canvas is missing, for the view)
  NotCreated,  // the file could not be created: a folder we may not write, a directory, ...
  DiskFull,    // writing stopped: no room left on the disk (or in the file size allowed)
  NotWritten,  // writing failed otherwise
};

// Told how far an export is, from 0 to 1.
using ExportProgress = std::function<void(double fraction)>;

// Encodes the whole map with its pieces into sink. The memory it takes
// besides the map is bounded (bands of at most 8 MiB and a row or two),
// whatever the map's size. False when there is no map or the sink refused.
bool write_map_png(const ExportOptions& options, const PngSink& sink, const ExportProgress& progress = {});
// Encodes the map canvas as it shows the map now (its size in the window's
// logical pixels), without the marker and the hover label.
bool write_view_png(const PngSink& sink, const ExportProgress& progress = {});

// The same, into the file at path through the safe save: the file appears
// under its name only when it is complete; after any failure no file is left
// behind and a file that was there is unchanged.
ExportResult export_map_picture(const String& path, const ExportOptions& options, const ExportProgress& progress = {});
ExportResult export_view_picture(const String& path, const ExportProgress& progress = {});
