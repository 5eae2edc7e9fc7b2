// Pieces of a map frame shared by the fast frame and the step-by-step
// reference: the drawing target, the marker, the hover label, gdk-pixbuf's
// nearest-neighbour sampling and the catalogs' pictures.
#include "app/mapview/render_parts.h"

#include <algorithm>

#include "app/mapview/render.h"
#include "app/state/numbers.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/windows.h"

DrawTarget* map_target() {
  return MapTargetOverride ? MapTargetOverride : canvas_output_scaled(MapCanvas, canvas_scale(MapCanvas));
}

int64_t frame_zoom(const DrawTarget* target) { return view_zoom() * (target ? std::max(1, target->scale) : 1); }

MarkerFrame marker_frame(int64_t now) {
  MarkerFrame f;
  if (!MapMarker.active) return f;
  f.drawn = true;
  f.t = static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(MapMarker.start_ms));
  if (f.t > 3000) MapMarker.active = 0;
  f.k = (f.t % 500) / 20;
  f.r = (f.t % 1000) / 20;
  // Position A in the first half of every second, B in the second half: the
  // picture moves diagonally away from the point and back.
  f.position_b = (f.t % 1000) >= 500;
  int64_t zoom = view_zoom();
  f.picture_width = static_cast<int64_t>(MapMarker.image_width) * 100 / zoom;
  f.picture_height = static_cast<int64_t>(MapMarker.image_height) * 100 / zoom;
  if (f.position_b) {
    f.picture_x = static_cast<int64_t>(MapMarker.x) - f.k + 25;
    f.picture_y = static_cast<int64_t>(MapMarker.y) - f.k + 25;
  } else {
    f.picture_x = static_cast<int64_t>(MapMarker.x) + f.k;
    f.picture_y = static_cast<int64_t>(MapMarker.y) + f.k;
  }
  return f;
}

namespace {
// v - 0.5 and v + 0.5 rounded to the nearest integer, halves to even.
int64_t minus_half(int64_t v) { return (v & 1) ? v - 1 : v; }
int64_t plus_half(int64_t v) { return (v & 1) ? v + 1 : v; }
}  // namespace

void draw_marker(const MarkerFrame& f) {
  drawing_mode(DrawAlphaBlend);
  if (MapMarker.image != 0) {
    draw_image(image_handle(MapMarker.image), static_cast<int>(f.picture_x), static_cast<int>(f.picture_y),
               static_cast<int>(f.picture_width), static_cast<int>(f.picture_height));
  }
  draw_marker_rings(f);
}

void draw_marker_rings(const MarkerFrame& f) {
  drawing_mode(DrawOutlined);
  const uint32_t red = rgb(255, 0, 0);
  int64_t x = MapMarker.x, y = MapMarker.y, r = f.r;
  auto ring = [&](int64_t cx, int64_t cy, int64_t radius) {
    draw_circle(static_cast<int>(cx), static_cast<int>(cy), static_cast<int>(radius), red);
  };
  ring(x, y, r);
  ring(minus_half(x), minus_half(y), plus_half(r));
  ring(x - 1, y - 1, r + 1);
  ring(minus_half(x - 1), minus_half(y - 1), plus_half(r + 1));
  ring(x - 2, y - 2, r + 2);
}

std::vector<int32_t> nearest_source_map(int64_t source, int64_t dest) {
  std::vector<int32_t> map;
  if (source < 1 || dest < 1) return map;
  map.resize(dest);
  int64_t step = nearest_step(source, dest);
  for (int64_t j = 0; j < dest; j++) map[j] = nearest_index(j, step, source);
  return map;
}

std::vector<int> catalog_pictures(List<CatalogEntry>* catalog) {
  std::vector<int> pictures;
  walk_list(catalog, [&](CatalogEntry* entry) { pictures.push_back(entry->picture); });
  return pictures;
}

namespace {
int64_t cached_menu_height() {
  // menu_height builds and destroys a menu bar; its height does not change
  // while the program runs.
  static int64_t height = -1;
  if (height < 0) height = menu_height();
  return height;
}
}  // namespace

LabelBox hover_label_box(int64_t text_w, int64_t text_h) {
  LabelBox box{HoverLabel.x, HoverLabel.y, text_w + 4, text_h + 4};
  int64_t right = window_width(MainWindow);
  int64_t bottom = window_height(MainWindow) - cached_menu_height();
  if (box.x + box.width > right) box.x = right - box.width;
  if (box.y + box.height > bottom) box.y = bottom - box.height;
  return box;
}

LabelBox scaled_box(const LabelBox& box, int64_t scale) {
  return LabelBox{box.x * scale, box.y * scale, box.width * scale, box.height * scale};
}

void draw_hover_label(const LabelBox& box, int64_t scale) {
  int64_t margin = 2 * scale;
  draw_box(static_cast<int>(box.x), static_cast<int>(box.y), static_cast<int>(box.width),
           static_cast<int>(box.height), rgb(0, 0, 0));
  draw_text(static_cast<int>(box.x + margin), static_cast<int>(box.y + margin), HoverLabel.text);
}
