// The layers a map frame is made of, kept from frame to frame: the map
// picture sampled at the view's zoom, the pieces composed over it once per
// zoom, and the marker composed on a small patch of the map.
#include "app/mapview/frame_layers.h"

#include <algorithm>
#include <cstring>

#include "app/mapview/render.h"
#include "runtime/media/image.h"

namespace map_frame {

bool picture_pixels(int number, Pixels* out) {
  if (number == 0 || !image_handle(number)) return false;
  const DrawTarget* view = image_view(number);
  if (!view || !view->pixels || (view->bytes_per_pixel != 3 && view->bytes_per_pixel != 4) || view->width < 1 ||
      view->height < 1)
    return false;
  *out = Pixels{view->pixels, view->stride, view->width, view->height, view->bytes_per_pixel};
  return true;
}

bool frame_piece(const Piece& piece, int picture_number, const Pixels& map, FramePiece* out) {
  FramePiece& p = *out;
  if (!picture_pixels(picture_number, &p.picture)) return false;
  p.version = image_version(picture_number);
  p.x = piece.x;
  p.y = piece.y;
  p.x0 = std::max<int64_t>(p.x, 0);
  p.y0 = std::max<int64_t>(p.y, 0);
  p.x1 = std::min<int64_t>(p.x + p.picture.width, map.width);
  p.y1 = std::min<int64_t>(p.y + p.picture.height, map.height);
  return p.x0 < p.x1 && p.y0 < p.y1;
}

template <int B>
bool sample_view(MapSamples& m, uint64_t map_version, const Pixels& map, int64_t zoom, int64_t dx, int64_t dy,
                 int64_t tw, int64_t th, int64_t sw, int64_t sh) {
  bool same_picture = m.valid && m.map_version == map_version && m.map_pixels == map.pixels &&
                      m.map_stride == map.stride && m.map_width == map.width && m.map_height == map.height &&
                      m.bpp == B && m.zoom == zoom && m.target_width == tw && m.target_height == th;
  if (same_picture && m.dx == dx && m.dy == dy) return false;
  // Samples stay valid for the scaled pixels that were in view before.
  bool keep = same_picture;
  int64_t old_j0 = m.cx0 - m.dx, old_j1 = m.cx1 - m.dx, old_i0 = m.cy0 - m.dy, old_i1 = m.cy1 - m.dy;
  m.valid = true;
  m.map_version = map_version;
  m.map_pixels = map.pixels;
  m.map_stride = map.stride;
  m.map_width = map.width;
  m.map_height = map.height;
  m.bpp = B;
  m.zoom = zoom;
  m.dx = dx;
  m.dy = dy;
  m.target_width = tw;
  m.target_height = th;
  m.cx0 = std::max<int64_t>(0, dx);
  m.cx1 = std::max(m.cx0, std::min<int64_t>(tw, dx + sw));
  m.cy0 = std::max<int64_t>(0, dy);
  m.cy1 = std::max(m.cy0, std::min<int64_t>(th, dy + sh));
  int64_t columns = m.cx1 - m.cx0, rows = m.cy1 - m.cy0;
  m.xs.resize(columns);
  m.ys.resize(rows);
  int64_t xstep = nearest_step(map.width, sw), ystep = nearest_step(map.height, sh);
  for (int64_t i = 0; i < columns; i++) m.xs[i] = nearest_index(m.cx0 + i - dx, xstep, map.width);
  for (int64_t i = 0; i < rows; i++) m.ys[i] = nearest_index(m.cy0 + i - dy, ystep, map.height);
  if (!keep) m.pixels.resize(tw * th * B);
  if (!keep) m.rgb.resize(B == 4 ? tw * th * 3 : 0);
  bool contiguous = sw == map.width;
  int64_t j0 = m.cx0 - dx, j1 = m.cx1 - dx;
  // Samples the scaled columns [ja, jb) of row index r (into ys), in runs
  // that do not wrap around the cells.
  auto sample = [&](int64_t r, int64_t ja, int64_t jb) {
    while (ja < jb) {
      int64_t run = std::min(jb - ja, tw - ja % tw);
      gather_span<B>(m.cell(ja, m.cy0 - dy + r), m.ys[r], m.xs.data() + (ja - j0), run, contiguous, map);
      if constexpr (B == 4) pack_rgb(m.rgb_cell(ja, m.cy0 - dy + r), m.cell(ja, m.cy0 - dy + r), run);
      ja += run;
    }
  };
  for (int64_t r = 0; r < rows; r++) {
    int64_t i = m.cy0 - dy + r;
    if (!keep || i < old_i0 || i >= old_i1 || old_j1 <= j0 || old_j0 >= j1) {
      sample(r, j0, j1);
      continue;
    }
    sample(r, j0, std::max(j0, old_j0));
    sample(r, std::min(j1, old_j1), j1);
  }
  return true;
}

namespace {

const ScaledMarker* scaled_marker(ScaledMarker& c, const MarkerFrame& marker) {
  if (MapMarker.image == 0) return nullptr;
  ImageHandle handle = image_handle(MapMarker.image);
  const DrawTarget* source = image_view(MapMarker.image);
  uint64_t version = image_version(MapMarker.image);
  int64_t w = marker.picture_width, h = marker.picture_height;
  // Nothing to keep for a picture that is not drawn; a huge one is left to
  // draw_image, which scales only the part that is needed.
  if (!handle || !source || w < 1 || h < 1 || w > 32767 || h > 32767 || w * h > (int64_t{1} << 20)) return nullptr;
  if (c.version == version && c.width == w && c.height == h) return &c;
  c.version = version;
  c.width = w;
  c.height = h;
  // A picture without alpha is copied: the clear alpha becomes opaque.
  uint8_t alpha = source->bytes_per_pixel == 4 ? 0 : 255;
  c.pixels.assign(w * h * 4, 0);
  for (int64_t i = 0; i < w * h; i++) c.pixels[i * 4 + 3] = alpha;
  DrawTarget target;
  target.pixels = c.pixels.data();
  target.stride = static_cast<int>(w * 4);
  target.width = static_cast<int>(w);
  target.height = static_cast<int>(h);
  target.bytes_per_pixel = 4;
  if (drawing_start(&target)) {
    drawing_mode(DrawAlphaBlend);
    draw_image(handle, 0, 0, static_cast<int>(w), static_cast<int>(h));
    drawing_stop();
  }
  return &c;
}

}  // namespace

template <int B>
void build_marker_patch(MarkerPatch& patch, ScaledMarker& scaled_cache, const MarkerFrame& marker, const Pixels& map,
                        const std::vector<FramePiece>& pieces, const MapSamples& m) {
  int64_t vx0 = m.xs.front(), vx1 = m.xs.back() + 1, vy0 = m.ys.front(), vy1 = m.ys.back() + 1;
  // The rings span at most (x - r - 4 .. x + r) around the point; a few
  // pixels more are kept for the rasteriser.
  int64_t rr = std::abs(static_cast<int64_t>(marker.r)) + 2;
  int64_t x0 = static_cast<int64_t>(MapMarker.x) - 2 - rr - 3, x1 = static_cast<int64_t>(MapMarker.x) + rr + 4;
  int64_t y0 = static_cast<int64_t>(MapMarker.y) - 2 - rr - 3, y1 = static_cast<int64_t>(MapMarker.y) + rr + 4;
  if (MapMarker.image != 0 && marker.picture_width >= 1 && marker.picture_height >= 1) {
    x0 = std::min(x0, marker.picture_x);
    y0 = std::min(y0, marker.picture_y);
    x1 = std::max(x1, marker.picture_x + marker.picture_width);
    y1 = std::max(y1, marker.picture_y + marker.picture_height);
  }
  x0 = std::max({x0, vx0, int64_t{0}});
  y0 = std::max({y0, vy0, int64_t{0}});
  x1 = std::min({x1, vx1, map.width});
  y1 = std::min({y1, vy1, map.height});
  if (x0 >= x1 || y0 >= y1) return;
  patch.used = true;
  patch.x0 = x0;
  patch.y0 = y0;
  patch.x1 = x1;
  patch.y1 = y1;
  int64_t w = x1 - x0, h = y1 - y0;
  patch.stride = w * B;
  patch.pixels.assign(patch.stride * h, 0);
  // Only the map pixels that the canvas shows are composed (below zoom 100
  // most are not); the rings are drawn on the whole patch, but they only set
  // pixels and need nothing under them.
  std::vector<int32_t> xs;
  for (int32_t x : m.xs)
    if (x >= x0 && x < x1 && (xs.empty() || xs.back() != x)) xs.push_back(x);
  int64_t n = static_cast<int64_t>(xs.size());
  std::vector<uint8_t> line(n * B);
  const ScaledMarker* scaled = scaled_marker(scaled_cache, marker);
  int64_t px = marker.picture_x, py = marker.picture_y;
  int64_t last_y = -1;
  for (int64_t y : m.ys) {
    if (y < y0 || y >= y1 || y == last_y) continue;
    last_y = y;
    gather_span<B>(line.data(), y, xs.data(), n, false, map);
    blend_pieces<B>(line.data(), y, xs.data(), n, pieces);
    uint8_t* out = patch.pixels.data() + (y - y0) * patch.stride;
    for (int64_t i = 0; i < n; i++) {
      // The scaled picture in the alpha-blend mode, as draw_image blends it.
      if (scaled && y >= py && y < py + scaled->height && xs[i] >= px && xs[i] < px + scaled->width)
        blend_pixel<B>(line.data() + i * B, scaled->pixels.data() + ((y - py) * scaled->width + (xs[i] - px)) * 4, 4);
      std::memcpy(out + (xs[i] - x0) * B, line.data() + i * B, B);
    }
  }
  DrawTarget target;
  target.pixels = patch.pixels.data();
  target.stride = static_cast<int>(patch.stride);
  target.width = static_cast<int>(w);
  target.height = static_cast<int>(h);
  target.bytes_per_pixel = B;
  if (drawing_start(&target)) {
    drawing_origin(static_cast<int>(-x0), static_cast<int>(-y0));
    if (scaled) draw_marker_rings(marker);
    else draw_marker(marker);
    drawing_stop();
  }
}

bool same_piece(const FramePiece& a, const FramePiece& b) {
  return a.version == b.version && a.picture.pixels == b.picture.pixels && a.picture.stride == b.picture.stride &&
         a.picture.width == b.picture.width && a.picture.height == b.picture.height &&
         a.picture.bpp == b.picture.bpp && a.x == b.x && a.y == b.y;
}

namespace {

bool overlap(const FramePiece& a, const FramePiece& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// The first scaled index (0..scaled) whose nearest source index is at least v.
int64_t first_scaled_at(int64_t v, int64_t step, int64_t source, int64_t scaled) {
  int64_t lo = 0, hi = scaled;
  while (lo < hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (nearest_index(mid, step, source) < v) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

}  // namespace

template <int B>
const PieceBlocks& piece_blocks(PieceBlocks& k, uint64_t map_version, const Pixels& map,
                               const std::vector<FramePiece>& pieces, int64_t sw, int64_t sh) {
  bool reuse = k.map_version == map_version && k.map_pixels == map.pixels && k.map_stride == map.stride &&
               k.map_width == map.width &&
               k.map_height == map.height && k.bpp == B && k.scaled_width == sw && k.scaled_height == sh &&
               k.pieces.size() == pieces.size();
  std::vector<bool> compose(pieces.size(), !reuse);
  for (size_t m = 0; reuse && m < pieces.size(); m++) {
    if (same_piece(pieces[m], k.pieces[m])) continue;
    for (size_t n = 0; n < pieces.size(); n++)
      if (overlap(pieces[n], pieces[m]) || overlap(pieces[n], k.pieces[m])) compose[n] = true;
  }
  k = PieceBlocks{map_version, map.pixels, map.stride, map.width, map.height, sw, sh, B, pieces, std::move(k.blocks)};
  k.blocks.resize(pieces.size());
  int64_t xstep = nearest_step(map.width, sw), ystep = nearest_step(map.height, sh);
  std::vector<int32_t> xs;
  std::vector<uint8_t> composed;
  for (size_t n = 0; n < pieces.size(); n++) {
    if (!compose[n]) continue;
    const FramePiece& p = pieces[n];
    PieceBlock& b = k.blocks[n];
    b.j0 = first_scaled_at(p.x0, xstep, map.width, sw);
    b.j1 = first_scaled_at(p.x1, xstep, map.width, sw);
    b.i0 = first_scaled_at(p.y0, ystep, map.height, sh);
    b.i1 = first_scaled_at(p.y1, ystep, map.height, sh);
    int64_t w = b.j1 - b.j0;
    b.rgb.resize(std::max<int64_t>(0, w * (b.i1 - b.i0) * 3));
    if (w <= 0) continue;
    xs.resize(w);
    for (int64_t j = 0; j < w; j++) xs[j] = nearest_index(b.j0 + j, xstep, map.width);
    composed.resize(w * B);
    for (int64_t i = b.i0; i < b.i1; i++) {
      int64_t sy = nearest_index(i, ystep, map.height);
      gather_span<B>(composed.data(), sy, xs.data(), w, sw == map.width, map);
      blend_pieces<B>(composed.data(), sy, xs.data(), w, pieces);
      uint8_t* out = b.rgb.data() + (i - b.i0) * w * 3;
      if constexpr (B == 3) std::memcpy(out, composed.data(), w * 3);
      else pack_rgb(out, composed.data(), w);
    }
  }
  return k;
}


template bool sample_view<3>(MapSamples&, uint64_t, const Pixels&, int64_t, int64_t, int64_t, int64_t, int64_t,
                             int64_t, int64_t);
template bool sample_view<4>(MapSamples&, uint64_t, const Pixels&, int64_t, int64_t, int64_t, int64_t, int64_t,
                             int64_t, int64_t);
template void build_marker_patch<3>(MarkerPatch&, ScaledMarker&, const MarkerFrame&, const Pixels&,
                                    const std::vector<FramePiece>&, const MapSamples&);
template void build_marker_patch<4>(MarkerPatch&, ScaledMarker&, const MarkerFrame&, const Pixels&,
                                    const std::vector<FramePiece>&, const MapSamples&);
template const PieceBlocks& piece_blocks<3>(PieceBlocks&, uint64_t, const Pixels&, const std::vector<FramePiece>&,
                                            int64_t, int64_t);
template const PieceBlocks& piece_blocks<4>(PieceBlocks&, uint64_t, const Pixels&, const std::vector<FramePiece>&,
                                            int64_t, int64_t);

}  // namespace map_frame
