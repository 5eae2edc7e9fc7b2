// The map frame: draw_map must leave exactly the pixels that the step-by-step
// drawing gives, frame after frame, and must not draw while nothing changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "../app_support.h"
#include "app/mapview/render_parts.h"
#include "app/mapview/render_reference.h"

namespace {

int64_t FakeNow = 0;
int64_t fake_clock() { return FakeNow; }

// A drawing target over its own pixels.
struct Buffer {
  std::vector<uint8_t> bytes;
  DrawTarget target;
  Buffer(int width, int height, int stride, uint8_t fill = 0) : bytes(size_t(stride) * height, fill) {
    target.pixels = bytes.data();
    target.stride = stride;
    target.width = width;
    target.height = height;
  }
};

// A picture of w x h pixels in a pattern of its own; with alpha it has clear,
// opaque and partly covered pixels.
int pattern(int w, int h, bool alpha, int seed) {
  return make_image(w, h, alpha, [=](int x, int y) {
    int a = (x * 3 + y * 5) % 7 == 0 ? 0 : x >= w - 4 ? 255 : (x * y + seed) % 256;
    return Rgba{uint8_t(x * seed), uint8_t(y * (seed + 2) + (x >> 8)), uint8_t(x ^ y), uint8_t(alpha ? a : 255)};
  });
}

class RenderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ensure_main_window();  // the hover label is clamped to it
    maps_ = {pattern(37, 29, false, 7), pattern(333, 211, true, 1), pattern(640, 481, false, 3),
             pattern(1001, 317, true, 13)};
    pictures_ = {pattern(32, 32, true, 5), pattern(20, 10, false, 12), pattern(17, 23, true, 15), 0};
    cursors_ = {pattern(13, 17, true, 19), pattern(9, 6, false, 20)};
  }
  void SetUp() override {
    fresh_state();
    ElapsedMsSource = fake_clock;
    for (List<CatalogEntry>* catalog : {PlayerCatalog, GraveCatalog, TransportCatalog})
      for (int picture : pictures_) {
        list_last(catalog);
        list_add(catalog)->picture = picture;
      }
    use_cursor(cursors_[0]);
  }
  void TearDown() override { fresh_state(); }
  static void view(int32_t zoom, int32_t origin_x, int32_t origin_y, int32_t canvas_width, int32_t canvas_height) {
    MapView.zoom = zoom;
    MapView.origin_x = origin_x;
    MapView.origin_y = origin_y;
    MapView.canvas_width = canvas_width;
    MapView.canvas_height = canvas_height;
  }
  static void use_cursor(int cursor) {
    MapMarker.image = cursor;
    MapMarker.image_width = image_width(cursor);
    MapMarker.image_height = image_height(cursor);
  }
  static void use_map(int map) {
    if (MapView.work_image) image_free(MapView.work_image);
    MapView.map_image = map;
    MapView.work_image = image_copy(map, AnyNumber);
    MapView.map_width = image_width(map);
    MapView.map_height = image_height(map);
  }
  // Draws the next frame step by step into steps and with draw_map into fast
  // (both hold the previous frame); every byte and the marker state must agree.
  static void expect_same_frame(Buffer& steps, Buffer& fast, const std::string& what) {
    MapMarkerRecord before = MapMarker;
    int64_t current = list_index(Graves);
    MapTargetOverride = &steps.target;
    draw_map_reference();
    uint8_t active = MapMarker.active;
    MapMarker = before;
    MapTargetOverride = &fast.target;
    draw_map();
    MapTargetOverride = nullptr;
    EXPECT_EQ(MapMarker.active, active) << what;
    EXPECT_EQ(list_index(Graves), current) << what;
    size_t at = std::mismatch(fast.bytes.begin(), fast.bytes.end(), steps.bytes.begin()).first - fast.bytes.begin();
    EXPECT_EQ(at, fast.bytes.size()) << what << ": first difference in row " << at / fast.target.stride;
  }

  static std::vector<int> maps_, pictures_, cursors_;
};
std::vector<int> RenderTest::maps_, RenderTest::pictures_, RenderTest::cursors_;

TEST(NearestSampling, MatchesGdkPixbufForManySizes) {
  for (int source : {1, 2, 3, 7, 13, 99, 100, 101, 255, 333, 999, 1286, 2047, 4096, 4099, 8191, 8192}) {
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, source, 1);
    uint8_t* px = gdk_pixbuf_get_pixels(p);
    for (int x = 0; x < source; x++) px[x * 3] = uint8_t(x), px[x * 3 + 1] = uint8_t(x >> 8), px[x * 3 + 2] = 0;
    for (int zoom = 25; zoom <= 100; zoom += 3) {
      int dest = static_cast<int>(int64_t(source) * zoom / 100);
      if (dest < 1) continue;
      GdkPixbuf* q = gdk_pixbuf_scale_simple(p, dest, 1, GDK_INTERP_NEAREST);
      const uint8_t* qx = gdk_pixbuf_get_pixels(q);
      std::vector<int32_t> map = nearest_source_map(source, dest);
      ASSERT_EQ(map.size(), size_t(dest));
      for (int x = 0; x < dest; x++)
        ASSERT_EQ(map[x], qx[x * 3] | qx[x * 3 + 1] << 8) << source << " -> " << dest << " at " << x;
      g_object_unref(q);
    }
    g_object_unref(p);
  }
}

// Random scenes (odd map sizes, origins inside, before and far off the map,
// canvases smaller than the target, pieces straddling the edges, the marker at
// any time, the hover label anywhere), each followed by small changes as the
// event loop draws them: dragging, panning, zooming, clicking, time passing.
TEST_F(RenderTest, FramesMatchTheStepByStepFrames) {
  std::mt19937 rnd(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  const int marker_times[] = {0, 19, 20, 250, 499, 500, 501, 999, 1000, 1500, 2999, 3000, 3001, 5000};
  List<Piece>* lists[] = {Heroes, Graves, Transports};
  std::unique_ptr<Buffer> steps, fast;
  int w = 0, h = 0;
  auto place_marker = [&](bool active) {
    use_cursor(cursors_[pick(0, 1)]);
    MapMarker.active = active;
    MapMarker.start_ms = static_cast<int32_t>(FakeNow);
    MapMarker.x = pick(-60, w + 60);
    MapMarker.y = pick(-60, h + 60);
  };
  for (int step = 0; step < 600; step++) {
    int change = step == 0 ? 0 : pick(0, 12);
    if (change == 0) {  // a new scene on a new target
      use_map(maps_[pick(0, 3)]);
      w = MapView.map_width, h = MapView.map_height;
      MapView.zoom = pick(25, 100);
      int where = pick(0, 9);
      MapView.origin_x = where < 6 ? pick(0, w) : where < 8 ? -pick(0, 400) : pick(-100000, 100000);
      MapView.origin_y = where < 6 ? pick(0, h) : where < 8 ? -pick(0, 300) : pick(-100000, 100000);
      int tw = pick(1, 300), th = pick(1, 220);
      MapView.canvas_width = pick(0, 9) == 0 ? pick(-20, tw) : tw + pick(0, 40);
      MapView.canvas_height = pick(0, 9) == 0 ? pick(-20, th) : th + pick(0, 40);
      steps = std::make_unique<Buffer>(tw, th, tw * 3 + pick(0, 5));
      for (size_t i = 0; i < steps->bytes.size(); i++) steps->bytes[i] = uint8_t(i * 31 + step);
      fast = std::make_unique<Buffer>(*steps);
      fast->target.pixels = fast->bytes.data();
      map_view_changed();
      for (List<Piece>* list : lists) list_clear(list);
      for (int i = pick(0, 25); i > 0; i--)
        put_piece(lists[pick(0, 2)], pick(-40, w + 10), pick(-40, h + 10), 0, pick(-1, 4));
      if (list_size(Graves) > 1) list_select(Graves, 1);  // a current element that drawing keeps
      place_marker(pick(0, 2) != 0);
      HoverLabel.text = pick(0, 3) == 0 ? u"RIP Gunnar" : u"";
      HoverLabel.x = pick(-50, 1400);
      HoverLabel.y = pick(-50, 850);
    } else if (change == 1) {  // a piece dragged
      List<Piece>* list = lists[pick(0, 2)];
      if (list_size(list) > 0) {
        Piece* p = list_select(list, pick(0, int(list_size(list)) - 1));
        p->x = pick(-30, w);
        p->y = pick(-30, h);
      }
    } else if (change == 2) {  // a double-click, anywhere near the map
      place_marker(true);
    } else if (change == 3) {  // the label moves, comes or goes
      HoverLabel.text = pick(0, 2) ? u"Grab" : u"";
      HoverLabel.x = pick(-50, 1400);
      HoverLabel.y = pick(-50, 850);
    } else if (change == 4) {
      MapView.zoom = pick(25, 100);
    } else if (change == 5) {  // a new piece
      put_piece(lists[pick(0, 2)], pick(-20, w), pick(-20, h), 0, pick(0, 3));
    } else if (change < 9) {  // panning by small steps, also past the edges
      MapView.origin_x += pick(-12, 12);
      MapView.origin_y += pick(-9, 9);
    }
    FakeNow = pick(0, 3) == 0 ? MapMarker.start_ms + marker_times[pick(0, 13)] : FakeNow + pick(0, 400);
    expect_same_frame(*steps, *fast, "step " + std::to_string(step));
    if (HasFailure()) return;
  }
}

TEST_F(RenderTest, ScaledMapLandsWhereTheOriginSays) {
  int map = make_image(2000, 1000, false, [](int x, int y) {
    return Rgba{uint8_t(x), uint8_t(x >> 8), uint8_t(y), 255};
  });
  use_map(map);
  view(50, 300, 0, 1100, 600);
  Buffer buffer(1100, 600, 1100 * 3);
  MapTargetOverride = &buffer.target;
  draw_map();
  std::vector<int32_t> xs = nearest_source_map(2000, 1000);
  auto at = [&](int x, int y) { return buffer.bytes.data() + y * 1100 * 3 + x * 3; };
  // The 1000 x 500 picture starts at canvas x -150 and ends at 850.
  for (int cx : {0, 1, 500, 849}) EXPECT_EQ(at(cx, 10)[0] | at(cx, 10)[1] << 8, xs[cx + 150]) << cx;
  for (auto [cx, cy] : {std::pair{850, 10}, {1099, 10}, {0, 550}})
    EXPECT_EQ(at(cx, cy)[0] + at(cx, cy)[1] + at(cx, cy)[2], 3 * 255);
  image_free(map);
}

TEST_F(RenderTest, HoverLabelNearTheRightEdgeEndsAtTheWindowsWidth) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";
  use_map(maps_[2]);
  HoverLabel.text = u"Karren des Gunnar";
  int64_t ww = window_width(MainWindow), bottom = window_height(MainWindow) - menu_height();
  int64_t w = text_width(HoverLabel.text), h = text_height(HoverLabel.text);
  ASSERT_TRUE(w > 0 && bottom > 0 && bottom < 5000 && h < 500) << "implausible metrics: " << bottom << " " << h;
  HoverLabel.x = static_cast<int32_t>(ww - 5);
  HoverLabel.y = 40;
  view(100, 0, 0, static_cast<int32_t>(ww), 300);
  Buffer buffer(static_cast<int>(ww), 300, static_cast<int>(ww * 3));
  MapTargetOverride = &buffer.target;
  draw_map();
  int64_t ly = std::min<int64_t>(40, bottom - h - 4);  // a low window moves it up
  ASSERT_TRUE(ly + 1 >= 0 && ly + 1 < 300);
  const uint8_t* box_end = buffer.bytes.data() + (ly + 1) * buffer.target.stride + (ww - 1) * 3;
  EXPECT_EQ(box_end[0] + box_end[1] + box_end[2], 0);
  const uint8_t* before_box = buffer.bytes.data() + (ly + 1) * buffer.target.stride + (ww - w - 5) * 3;
  EXPECT_NE(before_box[0] + before_box[1] + before_box[2], 0);
}

TEST_F(RenderTest, NoFrameWhileNothingChanges) {
  Buffer buffer(200, 150, 600, 7);
  MapTargetOverride = &buffer.target;
  MapView.work_image = 0;  // no level: the canvas is left as it is
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  EXPECT_EQ(buffer.bytes, std::vector<uint8_t>(600 * 150, 7));

  use_map(maps_[2]);
  view(81, 0, 0, 200, 150);
  Piece* hero = put_piece(Heroes, 30, 40);
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  EXPECT_FALSE(map_animating());
  hero->x += 1;
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  // The marker: a frame whenever its picture or ring changes, one more with it
  // after 3 s, one without it, then quiet.
  MapMarker.active = 1;
  MapMarker.start_ms = 100;
  for (auto [now, drawn, animating] : {std::tuple{100, true, true}, {110, false, true}, {120, true, true},
                                       {3101, true, true}, {3102, true, false}, {3103, false, false}}) {
    FakeNow = now;
    draw_map();
    EXPECT_EQ(map_frame_drawn(), drawn) << now;
    EXPECT_EQ(map_animating(), animating) << now;
  }
}

// The picture moves away from the point in the first half of every second
// (position A) and back in the second half (position B); the ring grows over
// the whole second; the frame after 3 s is the last one.
TEST(MarkerFrame, PositionsRingsAndEnd) {
  fresh_state();
  MapView.zoom = 50;
  MapMarker = MapMarkerRecord{5000, 0, 1, 100, 200, 32, 30};  // start, picture, active, point, picture size
  struct {
    int t, k, r;
    int64_t px, py;
  } cases[] = {{0, 0, 0, 100, 200},     {19, 0, 0, 100, 200},   {20, 1, 1, 101, 201},
               {499, 24, 24, 124, 224}, {500, 0, 25, 125, 225}, {999, 24, 49, 101, 201},
               {1000, 0, 0, 100, 200},  {2999, 24, 49, 101, 201}};
  for (auto c : cases) {
    MarkerFrame f = marker_frame(5000 + c.t);
    EXPECT_TRUE(f.drawn);
    EXPECT_EQ(std::tuple(f.k, f.r, f.picture_x, f.picture_y), std::tuple(c.k, c.r, c.px, c.py)) << c.t;
    EXPECT_EQ(XY(f.picture_width, f.picture_height), XY(64, 60));
  }
  EXPECT_TRUE(marker_frame(8000).drawn);
  EXPECT_EQ(MapMarker.active, 1);
  EXPECT_TRUE(marker_frame(8001).drawn) << "the first frame after 3 s still shows it";
  EXPECT_EQ(MapMarker.active, 0);
  EXPECT_FALSE(marker_frame(8002).drawn);
}

}  // namespace
