// The map frame drawn step by step: compose the whole map on work_image, copy
// it, scale the whole copy, draw it on the canvas, free the copy.
#include "app/mapview/render_reference.h"

#include <algorithm>
#include <cstring>

#include "app/mapview/clock.h"
#include "app/mapview/render.h"
#include "app/mapview/render_parts.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/gadgets.h"

namespace {

// Draws every piece of list with the pictures of its catalog, in list order.
void draw_pieces(List<Piece>* list, List<CatalogEntry>* catalog) {
  std::vector<int> pictures = catalog_pictures(catalog);
  walk_list(list, [&](Piece* piece) {
    if (piece->catalog_index < 0 || piece->catalog_index >= static_cast<int64_t>(pictures.size())) return;
    draw_image(image_handle(pictures[piece->catalog_index]), piece->x, piece->y);
  });
}

// work_image starts every frame as an exact copy of the map picture. Drawing
// the map picture in the default mode renews the colours only; for a picture
// with an alpha channel the alpha that the pieces blended into work_image in
// earlier frames would stay and change how later frames blend, so the alpha
// is renewed from the map picture as well.
void renew_work_alpha() {
  DrawTarget* work = image_output(MapView.work_image);
  const DrawTarget* map = image_view(MapView.map_image);
  if (!work || !map || work->bytes_per_pixel != 4 || map->bytes_per_pixel != 4) return;
  if (work->width != map->width || work->height != map->height) return;
  for (int y = 0; y < work->height; y++) {
    uint8_t* d = work->pixels + static_cast<int64_t>(y) * work->stride;
    const uint8_t* s = map->pixels + static_cast<int64_t>(y) * map->stride;
    for (int x = 0; x < work->width; x++) d[x * 4 + 3] = s[x * 4 + 3];
  }
}

}  // namespace

void draw_map_reference() {
  if (MapView.work_image == 0) return;
  DrawTarget* target = map_target();
  int64_t scale = target ? std::max(1, target->scale) : 1;
  int64_t zoom = frame_zoom(target);

  // Compose.
  MarkerFrame marker = marker_frame(elapsed_ms());
  renew_work_alpha();
  if (drawing_start(image_output(MapView.work_image))) {
    draw_image(image_handle(MapView.map_image), 0, 0);
    drawing_mode(DrawAlphaBlend);
    draw_pieces(Graves, GraveCatalog);
    draw_pieces(Transports, TransportCatalog);
    draw_pieces(Heroes, PlayerCatalog);
    if (marker.drawn) draw_marker(marker);
    drawing_stop();
  }

  // Scale a copy.
  int copy = image_copy(MapView.work_image, AnyNumber);
  if (copy) {
    int64_t w = static_cast<int64_t>(image_width(copy)) * zoom / 100;
    int64_t h = static_cast<int64_t>(image_height(copy)) * zoom / 100;
    // A map too small to show at this zoom (a side of 0 pixels) cannot be
    // scaled and is shown at its own size.
    if (w >= 1 && h >= 1) image_resize(copy, static_cast<int>(w), static_cast<int>(h), ResizeRaw);
  }

  // Show it.
  if (drawing_start(target)) {
    draw_box(0, 0, static_cast<int>(MapView.canvas_width * scale), static_cast<int>(MapView.canvas_height * scale),
             rgb(255, 255, 255));
    int64_t x = -static_cast<int64_t>(MapView.origin_x) * zoom / 100;
    int64_t y = -static_cast<int64_t>(MapView.origin_y) * zoom / 100;
    if (copy) draw_image(image_handle(copy), static_cast<int>(x), static_cast<int>(y));
    if (!HoverLabel.text.empty())
      draw_hover_label(scaled_box(hover_label_box(text_width(HoverLabel.text), text_height(HoverLabel.text)), scale), scale);
    drawing_stop();
  }
  if (copy) image_free(copy);
}
