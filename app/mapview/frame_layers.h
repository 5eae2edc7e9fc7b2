// The layers a map frame is made of, kept from frame to frame so that a
// frame draws again only what changed: the map picture sampled at the view's
// zoom (panning samples only the strips that come into view), the pieces
// composed over the map once per zoom (moving a piece composes only the
// blocks it touches), and the marker composed on a small patch of the map.
// Every layer is exactly what composing the whole map and scaling it gives.
#pragma once

#include <cstdint>
#include <vector>

#include "app/mapview/frame_pixels.h"
#include "app/mapview/render_parts.h"
#include "app/state/lists.h"

namespace map_frame {

// The pixels of image number as the frame reads a map picture (3 or 4 bytes
// a pixel, at least 1 x 1); false for no such image.
bool picture_pixels(int number, Pixels* out);

// The piece as a frame draws it: the picture of catalog image picture_number
// at the piece's place, with the part of the map it covers. False when
// nothing of it lands on the map (or it has no picture).
bool frame_piece(const Piece& piece, int picture_number, const Pixels& map, FramePiece* out);

// The map picture's pixels as the canvas shows them at the current zoom and
// origin, without pieces: kept from frame to frame while the view stays, so
// that frames of the marker or of a dragged piece need not sample the map
// again. Pixel (j, i) of the scaled map picture is kept in cell
// (j mod canvas width, i mod canvas height): the canvas never shows more than
// that many columns and rows at once, so after panning every sample still in
// view stays in its cell and only the strips coming into view are sampled.
struct MapSamples {
  bool valid = false;
  uint64_t map_version = 0;  // of the map picture
  const uint8_t* map_pixels = nullptr;
  int64_t map_stride = 0, map_width = 0, map_height = 0;
  int bpp = 0;
  int64_t zoom = 0, dx = 0, dy = 0, target_width = 0, target_height = 0;
  int64_t cx0 = 0, cx1 = 0, cy0 = 0, cy1 = 0;  // canvas part showing the map
  std::vector<int32_t> xs, ys;  // map column / row of each canvas column / row there
  std::vector<uint8_t> pixels;  // target_width x target_height cells, bpp bytes each
  // For a map with alpha channel the same cells once more without it, R G B as
  // the canvas shows them where no piece lies: copied there as they are.
  std::vector<uint8_t> rgb;

  uint8_t* cell(int64_t j, int64_t i) {
    return pixels.data() + ((i % target_height) * target_width + j % target_width) * bpp;
  }
  uint8_t* rgb_cell(int64_t j, int64_t i) {
    return rgb.data() + ((i % target_height) * target_width + j % target_width) * 3;
  }
};

// Samples the scaled map (sw x sh pixels at zoom) for a target of tw x th
// pixels showing it at (dx, dy); samples of the same picture and zoom that
// stay in view are kept. False when nothing had to be sampled.
template <int B>
bool sample_view(MapSamples& m, uint64_t map_version, const Pixels& map, int64_t zoom, int64_t dx,
                 int64_t dy, int64_t tw, int64_t th, int64_t sw, int64_t sh);

// The marker composed on a small part of the map: map picture and pieces
// below it, then the runtime draws the scaled picture and the rings on it.
struct MarkerPatch {
  bool used = false;
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // map rectangle, end exclusive
  std::vector<uint8_t> pixels;
  int64_t stride = 0;
};

// The marker picture scaled to its size on the map, kept while zoom and
// picture stay: R G B A, taken by letting draw_image blend it onto clear
// pixels (which gives the scaled pixels themselves wherever they show).
struct ScaledMarker {
  uint64_t version = 0;  // of the marker picture
  int64_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// Composes the marker of this frame on its patch (unused when it lies
// outside what the canvas shows).
template <int B>
void build_marker_patch(MarkerPatch& patch, ScaledMarker& scaled_cache, const MarkerFrame& marker,
                        const Pixels& map, const std::vector<FramePiece>& pieces,
                        const MapSamples& m);

// The pieces as the canvas shows them at one zoom: for each piece the block of
// the scaled map (columns j0..j1, rows i0..i1, end exclusive) that its
// picture covers, with the map and every piece composed there, R G B. The
// blocks depend on the map, the zoom and the pieces, not on the origin, so
// frames while panning copy them instead of blending again; when pieces move,
// only the blocks they touch (before or after) are composed again.
struct PieceBlock {
  int64_t j0 = 0, j1 = 0, i0 = 0, i1 = 0;
  std::vector<uint8_t> rgb;
};
struct PieceBlocks {
  uint64_t map_version = 0;
  const uint8_t* map_pixels = nullptr;
  int64_t map_stride = 0, map_width = 0, map_height = 0, scaled_width = 0, scaled_height = 0;
  int bpp = 0;
  std::vector<FramePiece> pieces;
  std::vector<PieceBlock> blocks;
};
// True when the piece is drawn with the same picture at the same place.
bool same_piece(const FramePiece& a, const FramePiece& b);
// The blocks of the pieces for a scaled map of sw x sh pixels, composing
// again only those that changed or touch a piece that moved.
template <int B>
const PieceBlocks& piece_blocks(PieceBlocks& k, uint64_t map_version, const Pixels& map,
                               const std::vector<FramePiece>& pieces, int64_t sw, int64_t sh);

}  // namespace map_frame
