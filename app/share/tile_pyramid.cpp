// The tile levels of the players' view.
#include "app/share/tile_pyramid.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// The region of level L covered by a region at level 0.
void level_region(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int level, int64_t w, int64_t h, int64_t* a,
                  int64_t* b, int64_t* c, int64_t* d) {
  int64_t size = int64_t{1} << level;
  *a = x0 / size;
  *b = y0 / size;
  *c = std::min((x1 + size - 1) / size, w);
  *d = std::min((y1 + size - 1) / size, h);
}

}  // namespace

int64_t level_size(int64_t size, int level) { return (size + (int64_t{1} << level) - 1) >> level; }

int tile_levels(int64_t width, int64_t height) {
  int level = 0;
  while (level_size(width, level) > TileSize || level_size(height, level) > TileSize) level++;
  return level + 1;
}

void halve_pixels(const uint8_t* in, int64_t in_stride, int64_t w, int64_t h, uint8_t* out, int64_t out_stride) {
  int64_t ow = (w + 1) / 2, oh = (h + 1) / 2;
  for (int64_t i = 0; i < oh; i++) {
    const uint8_t* r0 = in + 2 * i * in_stride;
    const uint8_t* r1 = 2 * i + 1 < h ? r0 + in_stride : nullptr;
    uint8_t* o = out + i * out_stride;
    for (int64_t j = 0; j < ow; j++) {
      bool right = 2 * j + 1 < w;
      unsigned n = (right ? 2 : 1) * (r1 ? 2 : 1);
      for (int c = 0; c < 3; c++) {
        unsigned s = r0[6 * j + c];
        if (right) s += r0[6 * j + 3 + c];
        if (r1) {
          s += r1[6 * j + c];
          if (right) s += r1[6 * j + 3 + c];
        }
        o[3 * j + c] = static_cast<uint8_t>((s + n / 2) / n);
      }
    }
  }
}

void TilePyramid::reset(std::shared_ptr<const LayoutPicture> layout) {
  layout_ = std::move(layout);
  levels_.clear();
  pending_.clear();
  level_ = 2;
  row_ = -1;
  if (!layout_) return;
  int count = tile_levels(layout_->width(), layout_->height());
  levels_.resize(std::max(count, 2));
  for (int l = 2; l < count; l++) {
    Level& level = levels_[l];
    level.width = level_size(layout_->width(), l);
    level.height = level_size(layout_->height(), l);
    level.pixels.reset(new uint8_t[level.width * level.height * 3]);
  }
  if (count > 2) pending_.push_back(Region{0, 0, layout_->width(), layout_->height()});
}

void TilePyramid::update(std::shared_ptr<const LayoutPicture> layout, const std::vector<MapRect>& changed) {
  if (!layout_ || !layout || layout->width() != layout_->width() || layout->height() != layout_->height()) {
    reset(std::move(layout));
    return;
  }
  layout_ = std::move(layout);
  if (levels_.size() <= 2) return;
  // Work begun for the earlier layout is done again from its start: its
  // rows may have been composed from the layout before.
  level_ = 2;
  row_ = -1;
  for (const MapRect& r : changed) {
    Region region{std::max<int64_t>(r.x, 0), std::max<int64_t>(r.y, 0), std::min(r.x + r.width, layout_->width()),
                  std::min(r.y + r.height, layout_->height())};
    if (region.x0 < region.x1 && region.y0 < region.y1) pending_.push_back(region);
  }
}

void TilePyramid::level2_row(const Region& r, int64_t row) {
  Level& l2 = levels_[2];
  int64_t a, b, c, d;
  level_region(r.x0, r.y0, r.x1, r.y1, 2, l2.width, l2.height, &a, &b, &c, &d);
  int64_t x = a * 4, y = row * 4;
  int64_t w = std::min(c * 4, layout_->width()) - x, h = std::min<int64_t>(4, layout_->height() - y);
  std::vector<uint8_t> base(w * h * 3), half(((w + 1) / 2) * ((h + 1) / 2) * 3);
  compose_rect(*layout_, x, y, w, h, base.data(), w * 3);
  halve_pixels(base.data(), w * 3, w, h, half.data(), ((w + 1) / 2) * 3);
  halve_pixels(half.data(), ((w + 1) / 2) * 3, (w + 1) / 2, (h + 1) / 2, l2.pixels.get() + (row * l2.width + a) * 3,
               l2.width * 3);
}

void TilePyramid::upper_row(int level, const Region& r, int64_t row) {
  const Level& below = levels_[level - 1];
  Level& here = levels_[level];
  int64_t a, b, c, d;
  level_region(r.x0, r.y0, r.x1, r.y1, level, here.width, here.height, &a, &b, &c, &d);
  int64_t x = a * 2, y = row * 2;
  int64_t w = std::min(c * 2, below.width) - x, h = std::min<int64_t>(2, below.height - y);
  halve_pixels(below.pixels.get() + (y * below.width + x) * 3, below.width * 3, w, h,
               here.pixels.get() + (row * here.width + a) * 3, here.width * 3);
}

bool TilePyramid::work(int64_t budget_us) {
  auto start = std::chrono::steady_clock::now();
  while (!pending_.empty()) {
    if (!layout_map_current(*layout_)) {
      pending_.clear();
      return true;
    }
    const Region& r = pending_.front();
    const Level& here = levels_[level_];
    int64_t a, b, c, d;
    level_region(r.x0, r.y0, r.x1, r.y1, level_, here.width, here.height, &a, &b, &c, &d);
    if (row_ < 0) row_ = b;
    if (row_ < d) {
      if (level_ == 2) level2_row(r, row_);
      else upper_row(level_, r, row_);
      row_++;
    } else if (level_ + 1 < static_cast<int>(levels_.size())) {
      level_++;
      row_ = -1;
    } else {
      pending_.erase(pending_.begin());
      level_ = 2;
      row_ = -1;
    }
    auto spent = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    if (spent.count() >= budget_us) break;
  }
  return pending_.empty();
}

bool tile_size(int64_t map_width, int64_t map_height, int level, int64_t x, int64_t y, int64_t* width,
               int64_t* height) {
  if (map_width < 1 || map_height < 1 || level < 0 || level >= tile_levels(map_width, map_height) || x < 0 || y < 0)
    return false;
  int64_t lw = level_size(map_width, level), lh = level_size(map_height, level);
  if (x * TileSize >= lw || y * TileSize >= lh) return false;
  *width = std::min(TileSize, lw - x * TileSize);
  *height = std::min(TileSize, lh - y * TileSize);
  return true;
}

void compose_tile(const LayoutPicture& layout, int level, int64_t x, int64_t y, std::vector<uint8_t>* pixels) {
  int64_t w = 0, h = 0;
  if (level > 1 || !tile_size(layout.width(), layout.height(), level, x, y, &w, &h)) return;
  pixels->resize(w * h * 3);
  if (level == 0) {
    compose_rect(layout, x * TileSize, y * TileSize, w, h, pixels->data(), w * 3);
    return;
  }
  int64_t bx = x * TileSize * 2, by = y * TileSize * 2;
  int64_t bw = std::min(TileSize * 2, layout.width() - bx), bh = std::min(TileSize * 2, layout.height() - by);
  std::vector<uint8_t> base(bw * bh * 3);
  compose_rect(layout, bx, by, bw, bh, base.data(), bw * 3);
  halve_pixels(base.data(), bw * 3, bw, bh, pixels->data(), w * 3);
}

bool TilePyramid::tile(int level, int64_t x, int64_t y, std::vector<uint8_t>* pixels, int64_t* width,
                       int64_t* height) const {
  if (!layout_ || !tile_size(layout_->width(), layout_->height(), level, x, y, width, height)) return false;
  if (level < 2) {
    compose_tile(*layout_, level, x, y, pixels);
    return true;
  }
  const Level& l = levels_[level];
  int64_t w = *width, h = *height;
  pixels->resize(w * h * 3);
  for (int64_t i = 0; i < h; i++)
    std::memcpy(pixels->data() + i * w * 3, l.pixels.get() + ((y * TileSize + i) * l.width + x * TileSize) * 3, w * 3);
  return true;
}

int64_t TilePyramid::kept_bytes() const {
  int64_t bytes = 0;
  for (const Level& l : levels_) bytes += l.width * l.height * 3;
  return bytes;
}
