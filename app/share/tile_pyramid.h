// The tiles of the players' view: the layout's picture cut into tiles of
// 256 x 256 pixels at level 0 (100 %), and halved level by level until one
// tile holds the whole map. A pixel of level L + 1 is the rounded mean of the
// 2 x 2 pixels of level L it covers (fewer at an odd edge), per channel.
//
// Levels 0 and 1 are composed when a tile is asked for (on any thread).
// Levels from 2 up are kept (together a twelfth of the map's pixels) and
// brought up to date in small steps on the event loop when the layout
// changes: only the places that changed are composed again.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/share/layout_picture.h"

constexpr int64_t TileSize = 256;

// Number of levels of a map: the last is the first whose single tile holds
// the whole map.
int tile_levels(int64_t width, int64_t height);
// Width or height of a level: ceil(size / 2^level).
int64_t level_size(int64_t size, int level);
// Halves w x h pixels (R G B, in_stride bytes per row) into ceil(w/2) x
// ceil(h/2) pixels at out: each the rounded mean of the pixels it covers.
void halve_pixels(const uint8_t* in, int64_t in_stride, int64_t w, int64_t h, uint8_t* out, int64_t out_stride);
// The size of tile (x, y) of the level; false for a tile that does not exist.
bool tile_size(int64_t map_width, int64_t map_height, int level, int64_t x, int64_t y, int64_t* width, int64_t* height);
// Composes tile (x, y) of level 0 or 1 (R G B, width x height pixels of
// tile_size). Any thread may call it.
void compose_tile(const LayoutPicture& layout, int level, int64_t x, int64_t y, std::vector<uint8_t>* pixels);

class TilePyramid {
 public:
  // Everything anew for this layout (another map, or the first layout).
  void reset(std::shared_ptr<const LayoutPicture> layout);
  // The layout changed only in these map rectangles.
  void update(std::shared_ptr<const LayoutPicture> layout, const std::vector<MapRect>& changed);
  // Work left before the kept levels show the layout.
  bool busy() const { return !pending_.empty(); }
  // Brings the kept levels up to date for about budget_us microseconds;
  // true when nothing is left. Stops (and forgets the work) when the map the
  // layout was captured from is gone.
  bool work(int64_t budget_us);
  // The layout the tiles show (once !busy()).
  const std::shared_ptr<const LayoutPicture>& layout() const { return layout_; }
  // R G B pixels of tile (x, y) of the level, width x height of them; false
  // for a tile that does not exist. Levels from 2 up only while !busy().
  // On the event loop only.
  bool tile(int level, int64_t x, int64_t y, std::vector<uint8_t>* pixels, int64_t* width, int64_t* height) const;
  // Bytes kept for the levels from 2 up.
  int64_t kept_bytes() const;

 private:
  struct Region {
    int64_t x0, y0, x1, y1;  // at level 0, end exclusive
  };
  struct Level {
    int64_t width = 0, height = 0;
    std::unique_ptr<uint8_t[]> pixels;  // R G B, made without clearing (it is all composed before use)
  };
  void level2_row(const Region& r, int64_t row);
  void upper_row(int level, const Region& r, int64_t row);

  std::shared_ptr<const LayoutPicture> layout_;
  std::vector<Level> levels_;  // levels_[L] for L >= 2 (0 and 1 left empty)
  std::vector<Region> pending_;
  int level_ = 2;    // where the first pending region stands
  int64_t row_ = -1;
};
