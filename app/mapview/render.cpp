// One frame of the map view, drawn for the pixels that the canvas shows.
//
// A frame looks exactly as if the whole map were composed on work_image (map
// picture, graves, transports, heroes, marker), copied, scaled with gdk-pixbuf's
// nearest-neighbour rule and drawn at the view origin (draw_map_reference does
// precisely that). Instead of composing and scaling the whole picture, each
// visible canvas pixel takes its source map pixel, read straight from the map
// picture (work_image only shares its pixels and is never drawn on here), and
// the pixels under pieces are composed once per zoom with the pieces that
// cover them in drawing order; only the marker, whose scaled picture and
// rings come from the drawing runtime, is composed on a small patch of the map
// around it. A frame that would look like the last one is not drawn at all, so
// an idle program does not repaint.
#include "app/mapview/render.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/mapview/clock.h"
#include "app/mapview/frame_layers.h"
#include "app/mapview/frame_pixels.h"
#include "app/mapview/render_parts.h"
#include "app/mapview/render_reference.h"
#include "app/state/numbers.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/windows.h"

HoverLabelRecord HoverLabel;
MapMarkerRecord MapMarker;
DrawTarget* MapTargetOverride = nullptr;

namespace {

using namespace map_frame;

// What a frame shows of one piece: a frame whose pieces are all the same as
// the last one's looks the same there.
struct PieceInput {
  int32_t catalog_index = 0, x = 0, y = 0;
  uint64_t picture_version = 0;  // 0: no picture
  bool operator==(const PieceInput&) const = default;
};

// Everything a frame's pixels depend on. Two frames with equal inputs look
// the same, so the second is not drawn.
struct FrameInputs {
  const uint8_t* target_pixels = nullptr;
  int64_t target_stride = 0, target_width = 0, target_height = 0;
  uint64_t target_version = 0;  // after the last frame drawn on it
  int target_scale = 1;
  int32_t zoom = 0, origin_x = 0, origin_y = 0, canvas_width = 0, canvas_height = 0;
  uint64_t map_version = 0;  // 0: no map picture
  std::vector<PieceInput> pieces;  // graves, transports, heroes
  std::vector<int64_t> list_sizes;
  bool marker_drawn = false;
  int32_t marker_k = 0, marker_r = 0, marker_x = 0, marker_y = 0, marker_width = 0, marker_height = 0;
  bool marker_position_b = false;
  uint64_t marker_version = 0;
  String label;
  int32_t label_x = 0, label_y = 0;
  int64_t window_width = 0, window_height = 0;
  bool operator==(const FrameInputs&) const = default;
};

// Adds the pieces of one list to the frame and to its inputs.
void collect_pieces(List<Piece>* list, List<CatalogEntry>* catalog, const Pixels& map,
                    std::vector<FramePiece>& pieces, FrameInputs& inputs) {
  std::vector<int> pictures = catalog_pictures(catalog);
  inputs.list_sizes.push_back(list ? list_size(list) : -1);
  walk_list(list, [&](Piece* piece) {
    PieceInput& in = inputs.pieces.emplace_back(PieceInput{piece->catalog_index, piece->x, piece->y, 0});
    if (piece->catalog_index < 0 || piece->catalog_index >= static_cast<int64_t>(pictures.size())) return;
    int number = pictures[piece->catalog_index];
    in.picture_version = image_version(number);
    FramePiece p;
    if (frame_piece(*piece, number, map, &p)) pieces.push_back(p);
  });
}

// A rectangle of the canvas, end exclusive.
struct CanvasRect {
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The canvas pixels that show the map rectangle (x0, y0)-(x1, y1).
CanvasRect canvas_rect(const MapSamples& m, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  CanvasRect r;
  r.x0 = m.cx0 + (std::lower_bound(m.xs.begin(), m.xs.end(), x0) - m.xs.begin());
  r.x1 = m.cx0 + (std::lower_bound(m.xs.begin(), m.xs.end(), x1) - m.xs.begin());
  r.y0 = m.cy0 + (std::lower_bound(m.ys.begin(), m.ys.end(), y0) - m.ys.begin());
  r.y1 = m.cy0 + (std::lower_bound(m.ys.begin(), m.ys.end(), y1) - m.ys.begin());
  return r;
}

// The last frame put on the canvas, for drawing the next one in part.
struct LastFrameState {
  bool valid = false;
  uint64_t target_version = 0;  // of the canvas after that frame
  const uint8_t* pixels = nullptr;
  int64_t stride = 0, width = 0, height = 0;
  uint64_t samples_generation = 0;
  int64_t white_w = 0, white_h = 0;
  std::vector<FramePiece> pieces;  // the pieces of that frame, in drawing order
  std::vector<CanvasRect> piece_rects;
  CanvasRect marker_rect, label_rect;
};
// Everything kept from one frame to the next.
struct FrameCache {
  bool have_inputs = false;
  FrameInputs inputs;        // of the last frame drawn
  bool had_marker = false;   // the last frame showed the marker
  bool drawn = false;        // the last draw_map put a frame on the canvas
  MapSamples samples;
  uint64_t samplings = 0;    // counts the samplings of the view
  PieceBlocks blocks;
  ScaledMarker marker_picture;
  LastFrameState last;
  // The hover label's text as last measured, with its size.
  String label_text;
  int64_t label_width = 0, label_height = 0;
};
FrameCache Cache;

// The hover label's box, measuring its text only when it changed.
LabelBox label_box() {
  FrameCache& c = Cache;
  if (!string_equal(c.label_text, HoverLabel.text) || (c.label_width == 0 && !HoverLabel.text.empty())) {
    c.label_text = HoverLabel.text;
    c.label_width = text_width(c.label_text);
    c.label_height = text_height(c.label_text);
  }
  return hover_label_box(c.label_width, c.label_height);
}

struct FrameContext {
  DrawTarget* target = nullptr;
  MapSamples* samples = nullptr;
  const PieceBlocks* blocks = nullptr;
  const MarkerPatch* patch = nullptr;
  int64_t white_w = 0, white_h = 0;  // the white box, clipped to the canvas
};


inline void fill_white(uint8_t* row, int64_t x0, int64_t x1) {
  if (x0 < x1) std::memset(row + x0 * 3, 255, (x1 - x0) * 3);
}

// Draws the frame's pixels of one canvas rectangle: white box, map samples
// with the pieces blended over them, the marker patch. Pixels outside both the
// white box and the map keep what they had.
template <int B>
void compose_rect(const FrameContext& c, CanvasRect r) {
  const DrawTarget* t = c.target;
  MapSamples& m = *c.samples;
  r.x0 = std::max<int64_t>(r.x0, 0);
  r.y0 = std::max<int64_t>(r.y0, 0);
  r.x1 = std::min<int64_t>(r.x1, t->width);
  r.y1 = std::min<int64_t>(r.y1, t->height);
  if (r.x0 >= r.x1 || r.y0 >= r.y1) return;
  int64_t a = std::max(r.x0, m.cx0), b = std::min(r.x1, m.cx1);
  const MarkerPatch& patch = *c.patch;
  for (int64_t cy = r.y0; cy < r.y1; cy++) {
    uint8_t* row = t->pixels + cy * t->stride;
    bool map_row = cy >= m.cy0 && cy < m.cy1 && a < b;
    if (cy < c.white_h) {
      int64_t wx1 = std::min(r.x1, c.white_w);
      if (!map_row) {
        fill_white(row, r.x0, wx1);
      } else {
        fill_white(row, r.x0, std::min(wx1, a));
        fill_white(row, b, wx1);
      }
    }
    if (!map_row) continue;
    int64_t i0 = a - m.cx0, n = b - a;
    int64_t sy = m.ys[cy - m.cy0];
    const int32_t* xs = m.xs.data() + i0;
    uint8_t* out = row + a * 3;
    // The map samples of canvas columns a..b as R G B, in runs that do not
    // wrap around the cells.
    for (int64_t j = a - m.dx, done = 0; done < n;) {
      int64_t run = std::min(n - done, m.target_width - j % m.target_width);
      std::memcpy(out + done * 3, B == 4 ? m.rgb_cell(j, cy - m.dy) : m.cell(j, cy - m.dy), run * 3);
      j += run;
      done += run;
    }
    // The pieces, composed once for this zoom.
    int64_t i = cy - m.dy;
    for (const PieceBlock& k : c.blocks->blocks) {
      if (i < k.i0 || i >= k.i1) continue;
      int64_t c0 = std::max(a, k.j0 + m.dx), c1 = std::min(b, k.j1 + m.dx);
      if (c0 < c1)
        std::memcpy(row + c0 * 3, k.rgb.data() + ((i - k.i0) * (k.j1 - k.j0) + c0 - m.dx - k.j0) * 3, (c1 - c0) * 3);
    }
    if (patch.used && sy >= patch.y0 && sy < patch.y1) {
      const uint8_t* prow = patch.pixels.data() + (sy - patch.y0) * patch.stride;
      int64_t j0 = std::lower_bound(xs, xs + n, patch.x0) - xs;
      int64_t j1 = std::lower_bound(xs, xs + n, patch.x1) - xs;
      for (int64_t j = j0; j < j1; j++) std::memcpy(out + j * 3, prow + (xs[j] - patch.x0) * B, 3);
    }
  }
}

template <int B>
void draw_frame(DrawTarget* target, uint64_t map_version, const Pixels& map, const std::vector<FramePiece>& pieces,
                const MarkerFrame& marker) {
  // Screen pixels: at a scale of 2 the map is sampled at twice the zoom.
  int64_t scale = std::max(1, target->scale);
  int64_t zoom = frame_zoom(target);
  int64_t sw = map.width * zoom / 100, sh = map.height * zoom / 100;
  if (sw < 1 || sh < 1) {
    sw = map.width;
    sh = map.height;
  }
  int64_t dx = static_cast<int>(-static_cast<int64_t>(MapView.origin_x) * zoom / 100);
  int64_t dy = static_cast<int>(-static_cast<int64_t>(MapView.origin_y) * zoom / 100);
  int64_t tw = target->width, th = target->height;
  MapSamples& m = Cache.samples;
  if (sample_view<B>(m, map_version, map, zoom, dx, dy, tw, th, sw, sh)) Cache.samplings++;
  int64_t columns = m.cx1 - m.cx0, rows = m.cy1 - m.cy0;

  MarkerPatch patch;
  if (marker.drawn && columns > 0 && rows > 0)
    build_marker_patch<B>(patch, Cache.marker_picture, marker, map, pieces, m);

  FrameContext c;
  c.target = target;
  c.samples = &m;
  c.blocks = &piece_blocks<B>(Cache.blocks, map_version, map, pieces, sw, sh);
  c.patch = &patch;
  c.white_w = std::clamp<int64_t>(MapView.canvas_width * scale, 0, tw);
  c.white_h = std::clamp<int64_t>(MapView.canvas_height * scale, 0, th);

  // What lies over the map samples in this frame.
  std::vector<CanvasRect> piece_rects;
  for (const FramePiece& p : pieces) piece_rects.push_back(canvas_rect(m, p.x0, p.y0, p.x1, p.y1));
  CanvasRect marker_rect, label_rect;
  if (patch.used) marker_rect = canvas_rect(m, patch.x0, patch.y0, patch.x1, patch.y1);
  LabelBox label;
  if (!HoverLabel.text.empty()) {
    label = scaled_box(label_box(), scale);
    label_rect = CanvasRect{label.x, label.y, label.x + label.width, label.y + label.height};
  }

  LastFrameState& last = Cache.last;
  // Only what changed is drawn when the canvas still holds the last frame
  // (nobody else drew on it) of the same view.
  bool in_part = last.valid && last.target_version == target->version && last.pixels == target->pixels &&
                 last.stride == target->stride && last.width == tw && last.height == th &&
                 last.samples_generation == Cache.samplings && last.white_w == c.white_w && last.white_h == c.white_h;
  if (!drawing_start(target)) return;
  Cache.drawn = true;
  if (in_part) {
    // The same view on the same canvas: only where the marker or the label
    // was or is now, and where pieces differ from the last frame. A pixel
    // whose sequence of covering pieces changed is covered by a piece that
    // stands at a position of the drawing order where the two frames differ.
    compose_rect<B>(c, last.marker_rect);
    compose_rect<B>(c, marker_rect);
    compose_rect<B>(c, last.label_rect);
    compose_rect<B>(c, label_rect);
    size_t count = std::max(pieces.size(), last.pieces.size());
    for (size_t i = 0; i < count; i++) {
      if (i < pieces.size() && i < last.pieces.size() && same_piece(pieces[i], last.pieces[i])) continue;
      if (i < last.pieces.size()) compose_rect<B>(c, last.piece_rects[i]);
      if (i < pieces.size()) compose_rect<B>(c, piece_rects[i]);
    }
  } else {
    compose_rect<B>(c, CanvasRect{0, 0, tw, th});
  }
  if (!HoverLabel.text.empty()) draw_hover_label(label, scale);
  drawing_stop();
  last.valid = true;
  last.target_version = target->version;
  last.pixels = target->pixels;
  last.stride = target->stride;
  last.width = tw;
  last.height = th;
  last.samples_generation = Cache.samplings;
  last.white_w = c.white_w;
  last.white_h = c.white_h;
  last.pieces = pieces;
  last.piece_rects.swap(piece_rects);
  last.marker_rect = marker_rect;
  last.label_rect = label_rect;
}

// The frame drawn by the steps themselves (draw_map_reference), for what the
// fast frame cannot stand in for; the next fast frame is drawn whole.
void draw_by_steps(const DrawTarget* target) {
  Cache.had_marker = MapMarker.active != 0;
  Cache.have_inputs = false;
  Cache.last.valid = false;
  draw_map_reference();
  Cache.drawn = target != nullptr;
}

// True when the pieces cover the map many times over (pictures far larger
// than tiles, from an odd level). The fast frame keeps a composed block for
// each piece and blends every piece over it into it, which would take memory
// with their area and time with the square of their overlap; the steps
// compose them once on the map instead. Pieces of tile size never come near.
bool pieces_too_large(const std::vector<FramePiece>& pieces, const Pixels& map) {
  int64_t area = 0;
  for (const FramePiece& p : pieces) area += (p.x1 - p.x0) * (p.y1 - p.y0);
  return area > 4 * map.width * map.height + 1000000;
}

}  // namespace

void reset_frame_cache() { Cache = FrameCache(); }

bool map_frame_drawn() { return Cache.drawn; }

bool map_animating() { return MapMarker.active != 0 || Cache.had_marker; }

void draw_map() {
  FrameCache& c = Cache;
  c.drawn = false;
  DrawTarget* target = map_target();
  FrameInputs inputs;
  if (target) {
    inputs.target_pixels = target->pixels;
    inputs.target_stride = target->stride;
    inputs.target_width = target->width;
    inputs.target_height = target->height;
    inputs.target_version = target->version;
    inputs.target_scale = target->scale;
  }
  if (MapView.work_image == 0) {
    // No map picture (none loaded, or it was missing, damaged or too large):
    // the canvas is emptied once, so that no earlier map with its pieces
    // stays on it under a new level or formation.
    if (!target || (c.have_inputs && inputs == c.inputs) || !drawing_start(target)) return;
    draw_box(0, 0, target->width, target->height, rgb(255, 255, 255));
    drawing_stop();
    c.drawn = true;
    c.last.valid = false;
    inputs.target_version = target->version;
    c.inputs = std::move(inputs);
    c.have_inputs = true;
    return;
  }
  // The map picture is only read: a view of its pixels, which work_image may
  // share (an output would give it a copy of its own). work_image is only
  // checked to be like it.
  Pixels map;
  if (!target || !picture_pixels(MapView.map_image, &map) || target->bytes_per_pixel != 3 || !target->pixels ||
      target->width < 1 || target->height < 1 || map.width != image_width(MapView.work_image) ||
      map.height != image_height(MapView.work_image) || map.bpp * 8 != image_depth(MapView.work_image)) {
    // Nothing the fast path can stand in for.
    draw_by_steps(target);
    return;
  }
  MarkerFrame marker = marker_frame(elapsed_ms());
  c.had_marker = marker.drawn;

  inputs.zoom = MapView.zoom;
  inputs.origin_x = MapView.origin_x;
  inputs.origin_y = MapView.origin_y;
  inputs.canvas_width = MapView.canvas_width;
  inputs.canvas_height = MapView.canvas_height;
  inputs.map_version = image_version(MapView.map_image);
  std::vector<FramePiece> pieces;
  collect_pieces(Graves, GraveCatalog, map, pieces, inputs);
  collect_pieces(Transports, TransportCatalog, map, pieces, inputs);
  collect_pieces(Heroes, PlayerCatalog, map, pieces, inputs);
  inputs.marker_drawn = marker.drawn;
  if (marker.drawn) {
    inputs.marker_k = marker.k;
    inputs.marker_r = marker.r;
    inputs.marker_position_b = marker.position_b;
    inputs.marker_x = MapMarker.x;
    inputs.marker_y = MapMarker.y;
    inputs.marker_version = image_version(MapMarker.image);
    inputs.marker_width = MapMarker.image_width;
    inputs.marker_height = MapMarker.image_height;
  }
  inputs.label = HoverLabel.text;
  if (!HoverLabel.text.empty()) {
    inputs.label_x = HoverLabel.x;
    inputs.label_y = HoverLabel.y;
    inputs.window_width = window_width(MainWindow);
    inputs.window_height = window_height(MainWindow);
  }
  if (c.have_inputs && inputs == c.inputs) return;
  if (pieces_too_large(pieces, map)) draw_by_steps(target);
  else if (map.bpp == 3) draw_frame<3>(target, inputs.map_version, map, pieces, marker);
  else draw_frame<4>(target, inputs.map_version, map, pieces, marker);
  // The same frame again is not drawn again.
  inputs.target_version = target->version;
  c.inputs = std::move(inputs);
  c.have_inputs = c.drawn;
}
