// The map frame: draw_map must leave exactly the pixels that the step-by-step
// drawing gives, frame after frame. (The marker they share is checked end to end by test_map.sh.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <tuple>

#include "../app_support.h"
#include "app/mapview/render_parts.h"
#include "app/mapview/render_reference.h"

namespace {

struct Buffer {
  std::vector<uint8_t> bytes;
  DrawTarget target;
  Buffer(int w, int h, int stride) : bytes(size_t(stride) * h), target{bytes.data(), stride, w, h} {}
};

// A picture in a pattern of its own; with alpha it has clear, opaque and partly covered pixels.
int pattern(int w, int h, bool alpha, int seed) {
  return make_image(w, h, alpha, [=](int x, int y) {
    int a = (x * 3 + y * 5) % 7 == 0 ? 0 : x >= w - 4 ? 255 : (x * y + seed) % 256;
    return Rgba{uint8_t(x * seed), uint8_t(y * (seed + 2) + (x >> 8)), uint8_t(x ^ y), uint8_t(alpha ? a : 255)};
  });
}

int64_t FakeNow = 0;

// Random scenes (odd sizes, origins and zooms, small canvases, scales 1 and 2, pieces over the edges, the
// marker at any time, the label anywhere), each followed by the small changes between two frames.
TEST(Render, FramesMatchTheStepByStepFrames) {
  ensure_main_window();  // the hover label is clamped to it
  const int maps[] = {pattern(37, 29, false, 7), pattern(333, 211, true, 1), pattern(640, 481, false, 3),
                      pattern(1001, 317, true, 13)};
  const int pictures[] = {pattern(32, 32, true, 5), pattern(20, 10, false, 12), pattern(17, 23, true, 15), 0,
                          pattern(300, 200, true, 4)};  // far larger than tiles: covers the map many times over
  const int cursors[] = {pattern(13, 17, true, 19), pattern(9, 6, false, 20)};
  const int marker_times[] = {0, 19, 20, 250, 499, 500, 501, 999, 1000, 1500, 2999, 3000, 3001, 5000};
  std::mt19937 rnd(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  std::unique_ptr<Buffer> steps, fast;
  List<Piece>* const lists[] = {Heroes, Graves, Transports};
  auto place_marker = [&](bool active) {
    int c = cursors[pick(0, 1)];
    MapMarker = MapMarkerRecord{int32_t(FakeNow), c, active, pick(-60, MapView.map_width + 60),
                                pick(-60, MapView.map_height + 60), int32_t(image_width(c)), int32_t(image_height(c))};
  };
  auto label = [&](const char16_t* text) {
    HoverLabel = HoverLabelRecord{pick(-90, 320), pick(0, 1) ? HoverLabel.y : pick(-30, 240), text};
  };
  for (int step = 0; step < 600 && !HasFailure(); step++) {
    List<Piece>* list = lists[pick(0, 2)];
    int w = MapView.map_width, h = MapView.map_height, change = step == 0 ? 0 : pick(0, 12);
    if (change == 0) {  // a new scene on a new target
      if (MapView.work_image) image_free(MapView.work_image);
      fresh_state();
      ElapsedMsSource = [] { return FakeNow; };
      int map = maps[pick(0, 3)], tw = pick(1, 300), th = pick(1, 220), where = pick(0, 9);
      MapView.map_image = map, MapView.work_image = image_copy(map, AnyNumber);
      w = MapView.map_width = image_width(map), h = MapView.map_height = image_height(map);
      MapView.zoom = step == 0 ? 0 : pick(0, 9) ? pick(25, 100) : pick(-5, 300);  // not 25..100: damaged files
      MapView.origin_x = where < 6 ? pick(0, w) : where < 8 ? -pick(0, 400) : pick(-100000, 100000);
      MapView.origin_y = where < 6 ? pick(0, h) : where < 8 ? -pick(0, 300) : pick(-100000, 100000);
      MapView.canvas_width = pick(0, 9) == 0 ? pick(-20, tw) : tw + pick(0, 40);
      MapView.canvas_height = pick(0, 9) == 0 ? pick(-20, th) : th + pick(0, 40);
      for (List<CatalogEntry>* catalog : {PlayerCatalog, GraveCatalog, TransportCatalog})
        for (int picture : pictures) list_add(catalog)->picture = picture;
      int scale = pick(1, 2);  // a screen of scale factor 2: the target in screen pixels
      steps = std::make_unique<Buffer>(tw * scale, th * scale, tw * scale * 3 + pick(0, 5));
      steps->target.scale = scale;
      for (size_t i = 0; i < steps->bytes.size(); i++) steps->bytes[i] = uint8_t(i * 31 + step);
      fast = std::make_unique<Buffer>(*steps);
      fast->target.pixels = fast->bytes.data();
      for (int i = pick(0, 25); i > 0; i--)
        put_piece(lists[pick(0, 2)], pick(-40, w + 10), pick(-40, h + 10), 0, pick(-1, 5));
      if (list_size(Graves) > 1) list_select(Graves, 1);  // a current element that drawing keeps
      place_marker(step == 0 || pick(0, 2) != 0);
      label(pick(0, 3) == 0 ? u"RIP Gunnar" : u"");
    } else if (change == 1) {  // a piece dragged
      if (Piece* p = list_size(list) ? list_select(list, pick(0, int(list_size(list)) - 1)) : nullptr)
        p->x = pick(-30, w), p->y = pick(-30, h);
    } else if (change < 6) {  // a double-click anywhere near the map, the label moving, a zoom, a new piece
      if (change == 2) place_marker(true);
      if (change == 3) label(pick(0, 2) ? u"Grab" : u"");
      if (change == 4) MapView.zoom = pick(25, 100);
      if (change == 5) put_piece(list, pick(-20, w), pick(-20, h), 0, pick(0, 4));
    } else if (change < 9) {  // panning by small steps, also past the edges
      MapView.origin_x += pick(-12, 12), MapView.origin_y += pick(-9, 9);
    }
    FakeNow = pick(0, 3) == 0 ? MapMarker.start_ms + marker_times[pick(0, 13)] : FakeNow + pick(0, 400);
    MapMarkerRecord before = MapMarker;  // both frames drawn over the last one agree in every byte
    int64_t current = list_index(Graves);
    MapTargetOverride = &steps->target;
    draw_map_reference();
    uint8_t active = MapMarker.active;
    MapMarker = before;
    MapTargetOverride = &fast->target;
    draw_map();
    EXPECT_EQ(XY(MapMarker.active, list_index(Graves)), XY(active, current)) << step;
    size_t at = std::mismatch(fast->bytes.begin(), fast->bytes.end(), steps->bytes.begin()).first - fast->bytes.begin();
    EXPECT_EQ(at, fast->bytes.size()) << "step " << step << ": first difference in row " << at / fast->target.stride;
    if (!before.active) {  // the same frame is not drawn twice
      draw_map();
      EXPECT_FALSE(map_frame_drawn()) << step;
    }
  }
  fresh_state();
}

// Without a map picture the canvas is emptied to white once, then left alone while nothing changes.
TEST(Render, WithoutAMapPictureTheCanvasIsEmptiedOnce) {
  fresh_state();
  Buffer canvas(40, 30, 125);
  std::fill(canvas.bytes.begin(), canvas.bytes.end(), 7);
  MapTargetOverride = &canvas.target;
  draw_map();
  bool first = map_frame_drawn();
  draw_map();
  MapTargetOverride = nullptr;
  EXPECT_EQ(std::tuple(first, map_frame_drawn(), std::count(canvas.bytes.begin(), canvas.bytes.end(), 255)),
            std::tuple(true, false, std::ptrdiff_t{30 * 40 * 3}));
}

// The hover label, a black box 4 pixels larger than its white text, ends at the window's client width
// and, near the bottom, at the client height less the menu bar.
TEST(Render, TheHoverLabelEndsAtTheWindowsEdge) {
  ensure_main_window();
  fresh_state();
  int w = int(window_width(MainWindow)), tw = text_width(u"RIP Gunnar"), th = text_height(u"RIP Gunnar");
  Buffer canvas(w + 20, 100, (w + 20) * 3);
  MapTargetOverride = &canvas.target;
  MapView.map_image = pattern(20, 20, false, 3), MapView.work_image = image_copy(MapView.map_image, AnyNumber);
  MapView.map_width = MapView.map_height = 20, MapView.canvas_width = w + 20, MapView.canvas_height = 100;
  HoverLabel = HoverLabelRecord{w - 10, 40, u"RIP Gunnar"};
  draw_map();
  auto sum = [&](int x, int y) {
    const uint8_t* p = canvas.bytes.data() + (y * (w + 20) + x) * 3;
    return p[0] + p[1];
  };
  EXPECT_EQ(std::tuple(sum(w - tw - 5, 40), sum(w - tw - 4, 40), sum(w - 1, 43 + th), sum(w, 40)),
            std::tuple(510, 0, 0, 510));
  int brightest = 0;
  for (int x = w - tw - 2; x < w - 2; x++) brightest = std::max(brightest, sum(x, 42 + th / 2));
  EXPECT_GT(brightest, 400);
  HoverLabel.y = 100000;  // at the bottom it ends above the menu bar's height
  EXPECT_EQ(hover_label_box(tw, th).y, window_height(MainWindow) - menu_height() - th - 4);
  fresh_state();
}

}  // namespace
