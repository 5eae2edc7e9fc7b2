// Tiles and the whole picture as PNG for the players' pages: composed on the
// event loop in small parts, encoded on background threads, with a cache of
// encoded tiles of fixed size. A request for a tile of a kept level waits
// while the levels are being brought up to date; a picture that a page asks
// for is always that of the version shown now.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/share/tile_pyramid.h"
#include "runtime/net/http_server.h"

// The encoded tiles kept: 32 MiB.
constexpr int64_t TileCacheBytes = int64_t{32} << 20;

// Starts with the first version of a layout (or another map).
void tiles_reset(std::shared_ptr<const LayoutPicture> layout, uint64_t version);
// A new version that differs only in the changed rectangles.
void tiles_update(std::shared_ptr<const LayoutPicture> layout, uint64_t version, const std::vector<MapRect>& changed);
// Forgets everything (sharing ends); waits for background work.
void tiles_stop();
// Answers "tiles/L/X/Y.png" (path without the key); false when path is not a
// tile's (the caller answers 404).
bool tiles_request(HttpRequestId id, const std::string& path);
// Answers "map.png": the whole picture, encoded in bands as the export does.
void map_png_request(HttpRequestId id);
// The stream of a request drained or went away.
void map_png_drained(HttpRequestId id);
void map_png_gone(HttpRequestId id);
// Bytes held for the tiles: the kept levels and the cache.
int64_t tiles_memory();
