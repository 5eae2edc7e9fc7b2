// Freezing the layout for the players' view, and composing parts of it.
#include "app/share/layout_picture.h"

#include <algorithm>
#include <cstring>

#include "app/mapview/frame_layers.h"
#include "app/mapview/model.h"
#include "app/mapview/render_parts.h"
#include "app/state/lists.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

using namespace map_frame;

namespace {

// The pieces of one list, in list order: each with its catalog entry's name
// and, when its picture lands on the map, as the frame draws it.
void collect(LayoutPicture& layout, List<Piece>* list, List<CatalogEntry>* catalog, const char* kind,
             int64_t default_width, int64_t default_height) {
  std::vector<CatalogEntry*> entries;
  walk_list(catalog, [&](CatalogEntry* entry) { entries.push_back(entry); });
  walk_list(list, [&](Piece* piece) {
    if (piece->catalog_index < 0 || piece->catalog_index >= static_cast<int64_t>(entries.size())) return;
    const CatalogEntry& entry = *entries[piece->catalog_index];
    SharedPiece shared;
    shared.kind = kind;
    shared.name = string_to_utf8(entry.name);
    shared.text = string_to_utf8(inscription_text(piece->inscription));
    shared.x = piece->x;
    shared.y = piece->y;
    shared.width = default_width;
    shared.height = default_height;
    FramePiece frame;
    if (frame_piece(*piece, entry.picture, layout.map, &frame)) {
      shared.width = frame.picture.width;
      shared.height = frame.picture.height;
      shared.picture_version = frame.version;
      // The picture's pixels are copied: the frozen layout must not change
      // when the player icon dialog loads another picture.
      std::vector<uint8_t> copy(frame.picture.width * frame.picture.bpp * frame.picture.height);
      for (int64_t i = 0; i < frame.picture.height; i++)
        std::memcpy(copy.data() + i * frame.picture.width * frame.picture.bpp,
                    frame.picture.pixels + i * frame.picture.stride, frame.picture.width * frame.picture.bpp);
      frame.picture.pixels = copy.data();  // the vector's buffer stays where it is when moved
      frame.picture.stride = frame.picture.width * frame.picture.bpp;
      layout.copies.push_back(std::move(copy));
      layout.drawn.push_back(frame);
    } else if (image_handle(entry.picture)) {
      const DrawTarget* picture = image_view(entry.picture);
      if (picture) shared.width = picture->width, shared.height = picture->height;
    }
    layout.pieces.push_back(std::move(shared));
  });
}

bool overlaps(const FramePiece& p, const MapRect& r) {
  return p.x0 < r.x + r.width && r.x < p.x1 && p.y0 < r.y + r.height && r.y < p.y1;
}

MapRect rect_of(const FramePiece& p) { return MapRect{p.x0, p.y0, p.x1 - p.x0, p.y1 - p.y0}; }

bool same_drawn(const FramePiece& a, const FramePiece& b) {
  return a.x == b.x && a.y == b.y && a.x0 == b.x0 && a.x1 == b.x1 && a.y0 == b.y0 && a.y1 == b.y1 &&
         a.picture.width == b.picture.width && a.picture.height == b.picture.height &&
         a.picture.bpp == b.picture.bpp &&
         std::memcmp(a.picture.pixels, b.picture.pixels, a.picture.width * a.picture.height * a.picture.bpp) == 0;
}

}  // namespace

LayoutPicture::~LayoutPicture() {
  if (map_share) image_free(map_share);
}

std::shared_ptr<const LayoutPicture> capture_layout() {
  auto layout = std::make_shared<LayoutPicture>();
  layout->map_image = MapView.map_image;
  Pixels original;
  if (!picture_pixels(layout->map_image, &original)) return nullptr;
  layout->map_version = image_version(layout->map_image);
  layout->map_share = image_share(layout->map_image, AnyNumber);
  if (!picture_pixels(layout->map_share, &layout->map)) return nullptr;
  // Graves, transports, heroes: the frame's drawing order.
  collect(*layout, Graves, GraveCatalog, "grave", MapView.tile_x, MapView.tile_y);
  collect(*layout, Transports, TransportCatalog, "transport", MapView.tile_x, MapView.tile_y);
  collect(*layout, Heroes, PlayerCatalog, "hero", MapView.player_size, MapView.player_size);
  return layout;
}

bool layout_map_current(const LayoutPicture& layout) {
  Pixels now;
  return picture_pixels(layout.map_image, &now) && now.pixels == layout.map.pixels &&
         image_version(layout.map_image) == layout.map_version;
}

void compose_rect(const LayoutPicture& layout, int64_t x, int64_t y, int64_t width, int64_t height, uint8_t* out,
                  int64_t stride) {
  const Pixels& map = layout.map;
  std::vector<int32_t> xs(width);
  for (int64_t j = 0; j < width; j++) xs[j] = static_cast<int32_t>(x + j);
  std::vector<FramePiece> pieces;
  MapRect area{x, y, width, height};
  for (const FramePiece& p : layout.drawn)
    if (overlaps(p, area)) pieces.push_back(p);
  std::vector<uint8_t> wide(map.bpp == 4 ? width * 4 : 0);
  for (int64_t i = 0; i < height; i++) {
    uint8_t* row = out + i * stride;
    int64_t sy = y + i;
    if (map.bpp == 3) {
      gather_span<3>(row, sy, xs.data(), width, true, map);
      blend_pieces<3>(row, sy, xs.data(), width, pieces);
    } else {
      gather_span<4>(wide.data(), sy, xs.data(), width, true, map);
      blend_pieces<4>(wide.data(), sy, xs.data(), width, pieces);
      pack_rgb(row, wide.data(), width);
    }
  }
}

std::vector<MapRect> changed_rects(const LayoutPicture& before, const LayoutPicture& after) {
  // A pixel is the map's with the pieces over it blended in drawing order.
  // The longest common start and end of the two drawing orders are drawn
  // alike in both, so only pixels under a piece between them can differ.
  const auto& a = before.drawn;
  const auto& b = after.drawn;
  size_t start = 0;
  while (start < a.size() && start < b.size() && same_drawn(a[start], b[start])) start++;
  size_t end_a = a.size(), end_b = b.size();
  while (end_a > start && end_b > start && same_drawn(a[end_a - 1], b[end_b - 1])) end_a--, end_b--;
  std::vector<MapRect> rects;
  for (size_t i = start; i < end_a; i++) rects.push_back(rect_of(a[i]));
  for (size_t i = start; i < end_b; i++) rects.push_back(rect_of(b[i]));
  return rects;
}

bool same_layout(const LayoutPicture& a, const LayoutPicture& b) {
  if (a.map_image != b.map_image || a.map_version != b.map_version || a.map.pixels != b.map.pixels ||
      a.pieces.size() != b.pieces.size() || a.drawn.size() != b.drawn.size())
    return false;
  for (size_t i = 0; i < a.pieces.size(); i++) {
    const SharedPiece &p = a.pieces[i], &q = b.pieces[i];
    if (std::strcmp(p.kind, q.kind) != 0 || p.name != q.name || p.text != q.text || p.x != q.x || p.y != q.y ||
        p.width != q.width || p.height != q.height)
      return false;
  }
  for (size_t i = 0; i < a.drawn.size(); i++)
    if (!same_drawn(a.drawn[i], b.drawn[i])) return false;
  return true;
}
