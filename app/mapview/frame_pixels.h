// Pixel spans of the fast map frame: map rows read at the sampled columns,
// and the pieces blended over them exactly as the drawing runtime's
// alpha-blend mode would. Only the map frame uses them; they are inline so
// that its inner loops are compiled with them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/media/blend.h"

namespace map_frame {

struct Pixels {
  const uint8_t* pixels = nullptr;
  int64_t stride = 0;
  int64_t width = 0, height = 0;
  int bpp = 3;
};

// A piece as it lands on the map: its picture, its position and the part of
// the map picture it covers (end exclusive).
struct FramePiece {
  Pixels picture;
  uint64_t version = 0;  // of the picture
  int64_t x = 0, y = 0;
  int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

// One pixel of an image drawn in the alpha-blend mode onto a composed pixel
// with B bytes (the map picture's format), with the drawing layer's formulas.
template <int B>
inline void blend_pixel(uint8_t* d, const uint8_t* s, int sb) {
  if (sb != 4) {  // no alpha channel: copied, the target keeps its alpha
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    return;
  }
  if constexpr (B == 3) blend_rgb(d, s[0], s[1], s[2], s[3]);
  else blend_rgba(d, s[0], s[1], s[2], s[3]);
}

// Copies the map pixels xs[0..n) of map row sy (xs non-decreasing) into out,
// B bytes per pixel (the map picture's format).
template <int B>
void gather_span(uint8_t* out, int64_t sy, const int32_t* xs, int64_t n, bool contiguous, const Pixels& map) {
  if (n <= 0) return;
  const uint8_t* row = map.pixels + sy * map.stride;
  if (contiguous) {
    std::memcpy(out, row + static_cast<int64_t>(xs[0]) * B, n * B);
  } else if constexpr (B == 3) {
    // Four-byte moves; the fourth byte is overwritten by the next pixel. The
    // last pixel, and any pixel at the end of the source row, moves three.
    int64_t last_safe = map.width - 1;
    for (int64_t i = 0; i + 1 < n; i++) {
      int64_t sx = xs[i];
      if (sx < last_safe) std::memcpy(out + i * 3, row + sx * 3, 4);
      else std::memcpy(out + i * 3, row + sx * 3, 3);
    }
    std::memcpy(out + (n - 1) * 3, row + static_cast<int64_t>(xs[n - 1]) * 3, 3);
  } else {
    for (int64_t i = 0; i < n; i++) std::memcpy(out + i * 4, row + static_cast<int64_t>(xs[i]) * 4, 4);
  }
}

// Blends every piece covering the map pixels xs[0..n) of row sy into out, in
// drawing order.
template <int B>
void blend_pieces(uint8_t* out, int64_t sy, const int32_t* xs, int64_t n, const std::vector<FramePiece>& pieces) {
  for (const FramePiece& p : pieces) {
    if (sy < p.y0 || sy >= p.y1) continue;
    int64_t i0 = std::lower_bound(xs, xs + n, p.x0) - xs;
    int64_t i1 = std::lower_bound(xs, xs + n, p.x1) - xs;
    if (i0 >= i1) continue;
    const uint8_t* prow = p.picture.pixels + (sy - p.y) * p.picture.stride;
    int sb = p.picture.bpp;
    for (int64_t i = i0; i < i1; i++) blend_pixel<B>(out + i * B, prow + (xs[i] - p.x) * sb, sb);
  }
}

// Drops the alpha bytes of n pixels.
inline void pack_rgb(uint8_t* out, const uint8_t* in, int64_t n) {
  for (int64_t i = 0; i < n; i++) std::memcpy(out + i * 3, in + i * 4, 3);
}

}  // namespace map_frame
