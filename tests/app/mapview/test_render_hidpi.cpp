// The map frame on a screen of scale factor 2: drawn in screen pixels, it
// stays exactly the step-by-step frame at that scale; at zoom 100 every map
// pixel covers 2 x 2 screen pixels, at zoom 50 it has one of its own, and the
// hover label keeps its place and size in layout pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "../app_support.h"
#include "app/mapview/render_parts.h"
#include "app/mapview/render_reference.h"

namespace {

struct Screen {  // a target of scale 2 over its own pixels (w x h layout pixels)
  std::vector<uint8_t> bytes;
  DrawTarget target;
  Screen(int w, int h) : bytes(size_t(w) * h * 12, 9), target{bytes.data(), w * 6, w * 2, h * 2} { target.scale = 2; }
  const uint8_t* at(int x, int y) const { return &bytes[size_t(y) * target.stride + size_t(x) * 3]; }
};

int64_t Now = 0;

TEST(RenderHiDpi, ScreenPixelsAtScaleTwo) {
  ensure_main_window();  // the hover label is clamped to it
  fresh_state();
  ElapsedMsSource = [] { return Now; };
  int map = make_image(301, 203, true, [](int x, int y) {
    return Rgba{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y), uint8_t((x + y) % 5 ? 255 : 90)};
  });
  int hero = make_image(32, 32, true, [](int x, int y) { return Rgba{200, uint8_t(x * 8), 30, uint8_t(y * 8)}; });
  MapView.map_image = map, MapView.work_image = image_copy(map, AnyNumber);
  MapView.map_width = 301, MapView.map_height = 203;
  MapView.canvas_width = 180, MapView.canvas_height = 120;
  list_add(PlayerCatalog)->picture = hero;
  Piece* piece = put_piece(Heroes, 40, 30);
  std::mt19937 rnd(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  for (int step = 0; step < 60 && !HasFailure(); step++) {
    MapView.zoom = step < 2 ? 100 - 50 * step : pick(25, 100);
    MapView.origin_x = step < 2 ? 0 : pick(-20, 300), MapView.origin_y = step < 2 ? 0 : pick(-20, 200);
    piece->x = pick(-10, 290), piece->y = pick(-10, 190);
    HoverLabel = HoverLabelRecord{pick(-20, 200), pick(0, 130), step > 1 && pick(0, 1) ? u"RIP Gunnar" : u""};
    MapMarker = MapMarkerRecord{int32_t(Now), 0, uint8_t(step > 1 && pick(0, 1)), pick(0, 300), pick(0, 200), 0, 0};
    Now += pick(0, 700);
    Screen steps(190, 125), fast(190, 125);
    MapMarkerRecord before = MapMarker;
    MapTargetOverride = &steps.target;
    draw_map_reference();
    MapMarker = before;
    MapTargetOverride = &fast.target;
    draw_map();
    EXPECT_TRUE(fast.bytes == steps.bytes) << "step " << step << ", zoom " << MapView.zoom;
    if (step == 0) {  // zoom 100: map pixel (x, y) on screen pixels (2x..2x+1, 2y..2y+1)
      for (auto [x, y] : {XY{5, 3}, XY{33, 71}, XY{150, 100}})
        for (int d = 0; d < 4; d++)
          EXPECT_EQ(std::memcmp(fast.at(2 * x + d % 2, 2 * y + d / 2), fast.at(2 * x, 2 * y), 3), 0) << x << "," << y;
      EXPECT_NE(std::memcmp(fast.at(10, 6), fast.at(12, 6), 3), 0);  // neighbouring map pixels differ
    }
    if (step == 1) {  // zoom 50: map pixel (x, y) on screen pixel (x, y)
      Screen flat(301, 203);
      flat.target.scale = 1;
      flat.target = DrawTarget{flat.bytes.data(), 301 * 3, 301, 203};
      int saved_zoom = MapView.zoom;
      MapView.zoom = 100, MapView.canvas_width = 301, MapView.canvas_height = 203;
      MapTargetOverride = &flat.target;
      draw_map_reference();
      MapView.zoom = saved_zoom, MapView.canvas_width = 180, MapView.canvas_height = 120;
      for (int y = 0; y < 200; y += 7)
        EXPECT_EQ(std::memcmp(fast.at(0, y), flat.at(0, y), 300 * 3), 0) << "row " << y;
    }
  }
  MapTargetOverride = nullptr;
  image_free(MapView.work_image);
  fresh_state();
}

}  // namespace
