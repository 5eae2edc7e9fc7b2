// The layout as the players see it, frozen at one moment: the map picture
// with every grave, transport and hero as the export composes them, and
// what the page tells of each piece. The pieces' pictures are copied, so a
// frozen layout stays exact while the program goes on changing the live one;
// the map picture (large) is held as a second image sharing its pixels, so
// they stay as they are while the layout lives, even when the program loads
// another level. A frozen layout may be composed on any thread, but it must
// be captured and released on the event loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/mapview/frame_pixels.h"

struct SharedPiece {
  const char* kind = "hero";  // "hero", "grave" or "transport"
  std::string name;           // its catalog entry's name (UTF-8)
  std::string text;           // its inscription, "" for none
  int64_t x = 0, y = 0, width = 0, height = 0;  // in map pixels
  uint64_t picture_version = 0;                 // of its picture, to see a picture change
};

struct LayoutPicture {
  LayoutPicture() = default;
  LayoutPicture(const LayoutPicture&) = delete;
  LayoutPicture& operator=(const LayoutPicture&) = delete;
  ~LayoutPicture();
  int map_image = 0;                      // the map picture the layout was captured on
  uint64_t map_version = 0;               // and its version then
  int map_share = 0;                      // an image sharing its pixels, held while the layout lives
  map_frame::Pixels map;                  // the map picture's pixels
  std::vector<map_frame::FramePiece> drawn;  // in drawing order, pictures pointing into copies
  std::vector<std::vector<uint8_t>> copies;  // the pieces' picture pixels
  std::vector<SharedPiece> pieces;        // graves, transports, heroes: drawing order
  int64_t width() const { return map.width; }
  int64_t height() const { return map.height; }
};

// The layout on the map now; nullptr when no map picture is loaded.
std::shared_ptr<const LayoutPicture> capture_layout();
// True while the map picture the layout was captured from is still the one
// loaded, unchanged.
bool layout_map_current(const LayoutPicture& layout);
// Composes the rectangle (x, y, width, height) of the picture at 100 % (it
// must lie within the map) into out, R G B, stride bytes per row: the pixels
// the export writes there.
void compose_rect(const LayoutPicture& layout, int64_t x, int64_t y, int64_t width, int64_t height, uint8_t* out,
                  int64_t stride);
// The map rectangles whose pixels may differ between two layouts of the same
// map: the places of pieces that were added, removed, moved, reordered or
// given another picture. Empty when the pictures are the same.
struct MapRect {
  int64_t x = 0, y = 0, width = 0, height = 0;
};
std::vector<MapRect> changed_rects(const LayoutPicture& before, const LayoutPicture& after);
// True when the two layouts show the same: the same pixels and the same
// pieces with the same names and texts.
bool same_layout(const LayoutPicture& a, const LayoutPicture& b);
