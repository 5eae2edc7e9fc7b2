// The map frame: draw_map must leave exactly the pixels that the step-by-step
// drawing gives, and must not draw again while nothing changed.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/mapview/render_parts.h"
#include "app/mapview/render_reference.h"
#include "test_render_support.h"

namespace {

int64_t FakeNow = 0;
int64_t fake_clock() { return FakeNow; }

struct Maps {
  int small_rgb = 0, odd_rgba = 0, medium_rgb = 0, wide_rgba = 0;
};

class RenderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ensure_map_runtime();
    maps_.small_rgb = make_image(37, 29, false, [](int x, int y) {
      return Rgba{uint8_t(x * 7), uint8_t(y * 9), uint8_t(x ^ y), 255};
    });
    maps_.odd_rgba = make_image(333, 211, true, [](int x, int y) {
      return Rgba{uint8_t(x), uint8_t(y), uint8_t(x + y), uint8_t((x * 3 + y * 5) % 7 == 0 ? 0 : (x * y) % 256)};
    });
    maps_.medium_rgb = make_image(640, 481, false, [](int x, int y) {
      return Rgba{uint8_t(x), uint8_t(x >> 8 | y << 2), uint8_t(y), 255};
    });
    maps_.wide_rgba = make_image(1001, 317, true, [](int x, int y) {
      return Rgba{uint8_t(x * 13), uint8_t(y * 3), uint8_t(x >> 2), 255};
    });
    // Pieces: with alpha (clear, opaque and partly covered pixels), without
    // alpha, and odd sizes.
    pictures_.push_back(make_image(32, 32, true, [](int x, int y) {
      uint8_t a = (x < 4 || y < 4) ? 0 : (x > 27 ? 255 : uint8_t(x * 8 + y));
      return Rgba{uint8_t(200 + x), uint8_t(y * 5), 40, a};
    }));
    pictures_.push_back(make_image(20, 10, false, [](int x, int y) { return Rgba{10, uint8_t(x * 12), uint8_t(y * 25), 255}; }));
    pictures_.push_back(make_image(17, 23, true, [](int x, int y) {
      return Rgba{uint8_t(x * 15), 250, uint8_t(y * 11), uint8_t((x + y) * 11)};
    }));
    pictures_.push_back(0);  // an entry whose picture did not load
    cursor_ = make_image(13, 17, true, [](int x, int y) {
      return Rgba{255, uint8_t(x * 19), uint8_t(y * 15), uint8_t(x == 6 || y == 8 ? 255 : 90)};
    });
  }

  void SetUp() override {
    saved_view_ = MapView;
    saved_marker_ = MapMarker;
    saved_label_ = HoverLabel;
    ElapsedMsSource = fake_clock;
    for (List<CatalogEntry>* c : {PlayerCatalog, GraveCatalog, TransportCatalog}) {
      list_clear(c);
      for (int picture : pictures_) {
        list_last(c);
        list_add(c)->picture = picture;
      }
    }
    list_clear(Heroes);
    list_clear(Graves);
    list_clear(Transports);
    MapMarker = MapMarkerRecord{};
    MapMarker.image = cursor_;
    MapMarker.image_width = image_width(cursor_);
    MapMarker.image_height = image_height(cursor_);
    HoverLabel = HoverLabelRecord{};
  }

  void TearDown() override {
    MapTargetOverride = nullptr;
    ElapsedMsSource = nullptr;
    if (MapView.work_image && MapView.work_image != saved_view_.work_image) image_free(MapView.work_image);
    MapView = saved_view_;
    MapMarker = saved_marker_;
    HoverLabel = saved_label_;
    list_clear(Heroes);
    list_clear(Graves);
    list_clear(Transports);
    map_frame_invalidate();
  }

  void use_map(int map) {
    if (MapView.work_image && MapView.work_image != saved_view_.work_image) image_free(MapView.work_image);
    MapView.map_image = map;
    MapView.work_image = image_copy(map, AnyNumber);
    MapView.map_width = image_width(map);
    MapView.map_height = image_height(map);
  }

  static Piece* add_piece(List<Piece>* list, int32_t catalog_index, int32_t x, int32_t y) {
    list_last(list);
    Piece* p = list_add(list);
    p->catalog_index = catalog_index;
    p->x = x;
    p->y = y;
    return p;
  }

  // Draws the frame both ways onto the same starting pixels and compares every
  // byte of the target and the marker state afterwards.
  void expect_same_frame(int width, int height, const std::string& what) {
    int stride = width * 3 + 5;
    std::vector<uint8_t> start(static_cast<size_t>(stride) * height);
    for (size_t i = 0; i < start.size(); i++) start[i] = uint8_t(i * 31 + 7);
    std::vector<uint8_t> buffer = start;
    DrawTarget target;
    target.pixels = buffer.data();
    target.stride = stride;
    target.width = width;
    target.height = height;
    MapTargetOverride = &target;

    MapMarkerRecord before = MapMarker;
    draw_map_reference();
    std::vector<uint8_t> expected = buffer;
    MapMarkerRecord after = MapMarker;

    MapMarker = before;
    buffer = start;
    map_frame_invalidate();
    draw_map();
    EXPECT_EQ(MapMarker.active, after.active) << what;
    MapTargetOverride = nullptr;
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        const uint8_t* e = expected.data() + y * stride + x * 3;
        const uint8_t* g = buffer.data() + y * stride + x * 3;
        if (e[0] != g[0] || e[1] != g[1] || e[2] != g[2]) {
          ADD_FAILURE() << what << ": first difference at (" << x << ", " << y << "): expected " << int(e[0]) << ","
                        << int(e[1]) << "," << int(e[2]) << " got " << int(g[0]) << "," << int(g[1]) << ","
                        << int(g[2]);
          return;
        }
      }
  }

  static Maps maps_;
  static std::vector<int> pictures_;
  static int cursor_;
  MapViewRecord saved_view_;
  MapMarkerRecord saved_marker_;
  HoverLabelRecord saved_label_;
};

Maps RenderTest::maps_;
std::vector<int> RenderTest::pictures_;
int RenderTest::cursor_ = 0;

TEST(NearestSampling, MatchesGdkPixbufForManySizes) {
  int sizes[] = {1, 2, 3, 5, 7, 13, 31, 99, 100, 101, 255, 333, 999, 1000, 1286, 2047, 4096, 4099, 8191, 8192};
  for (int source : sizes)
    for (int zoom = 25; zoom <= 100; zoom += 3) {
      int dest = static_cast<int>(int64_t(source) * zoom / 100);
      if (dest < 1) continue;
      GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, source, 1);
      uint8_t* px = gdk_pixbuf_get_pixels(p);
      for (int x = 0; x < source; x++) px[x * 3] = uint8_t(x), px[x * 3 + 1] = uint8_t(x >> 8), px[x * 3 + 2] = 0;
      GdkPixbuf* q = gdk_pixbuf_scale_simple(p, dest, 1, GDK_INTERP_NEAREST);
      const uint8_t* qx = gdk_pixbuf_get_pixels(q);
      std::vector<int32_t> map = nearest_source_map(source, dest);
      ASSERT_EQ(map.size(), size_t(dest));
      for (int x = 0; x < dest; x++)
        ASSERT_EQ(map[x], qx[x * 3] | qx[x * 3 + 1] << 8) << source << " -> " << dest << " at " << x;
      g_object_unref(p);
      g_object_unref(q);
    }
}

TEST_F(RenderTest, RandomFormationsMatchTheStepByStepFrame) {
  std::mt19937 rnd(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  int maps[] = {maps_.small_rgb, maps_.odd_rgba, maps_.medium_rgb, maps_.wide_rgba};
  int zooms[] = {25, 27, 28, 32, 36, 40, 45, 50, 51, 57, 64, 72, 81, 90, 97, 100};
  for (int round = 0; round < 120; round++) {
    use_map(maps[round % 4]);
    int w = image_width(MapView.map_image), h = image_height(MapView.map_image);
    MapView.zoom = round % 5 == 0 ? pick(25, 100) : zooms[pick(0, 15)];
    int kind = pick(0, 9);
    if (kind < 6) {  // inside the map
      MapView.origin_x = pick(0, w);
      MapView.origin_y = pick(0, h);
    } else if (kind < 8) {  // before it
      MapView.origin_x = -pick(0, 400);
      MapView.origin_y = -pick(0, 300);
    } else {  // far off
      MapView.origin_x = pick(-100000, 100000);
      MapView.origin_y = pick(-100000, 100000);
    }
    int tw = pick(1, 300), th = pick(1, 220);
    MapView.canvas_width = pick(0, 9) == 0 ? pick(-20, tw) : tw + pick(0, 40);
    MapView.canvas_height = pick(0, 9) == 0 ? pick(-20, th) : th + pick(0, 40);
    list_clear(Heroes);
    list_clear(Graves);
    list_clear(Transports);
    List<Piece>* lists[] = {Heroes, Graves, Transports};
    int pieces = pick(0, 25);
    for (int i = 0; i < pieces; i++)
      add_piece(lists[pick(0, 2)], pick(-1, 4), pick(-40, w + 10), pick(-40, h + 10));
    if (list_size(Graves) > 1) list_select(Graves, 1);  // a current element to keep
    MapMarker.active = pick(0, 2) != 0;
    MapMarker.x = pick(-60, w + 60);
    MapMarker.y = pick(-60, h + 60);
    MapMarker.start_ms = pick(0, 100000);
    FakeNow = MapMarker.start_ms + pick(0, 3100);
    if (pick(0, 3) == 0) {
      HoverLabel.text = u"RIP Gunnar";
      HoverLabel.x = pick(-50, 900);
      HoverLabel.y = pick(-50, 700);
    } else {
      HoverLabel.text.clear();
    }
    int64_t current = list_index(Graves);
    expect_same_frame(tw, th, "round " + std::to_string(round));
    EXPECT_EQ(list_index(Graves), current);
    if (HasFailure()) return;
  }
}

TEST_F(RenderTest, MarkerOverTheWholeSecondAndAtTheEnd) {
  // Also a marker picture without alpha.
  int opaque_cursor = make_image(9, 6, false, [](int x, int y) { return Rgba{uint8_t(x * 20), 0, uint8_t(y * 30), 255}; });
  for (int cursor : {cursor_, opaque_cursor}) {
  MapMarker.image = cursor;
  MapMarker.image_width = image_width(cursor);
  MapMarker.image_height = image_height(cursor);
  use_map(maps_.odd_rgba);
  add_piece(Graves, 0, 90, 60);
  add_piece(Heroes, 2, 100, 70);
  MapView.origin_x = 40;
  MapView.origin_y = 20;
  MapView.canvas_width = 260;
  MapView.canvas_height = 200;
  for (int zoom : {25, 50, 57, 100}) {
    MapView.zoom = zoom;
    for (int t : {0, 19, 20, 250, 499, 500, 501, 999, 1000, 1500, 2999, 3000, 3001, 5000}) {
      MapMarker.active = 1;
      MapMarker.start_ms = 1000;
      MapMarker.x = 101;
      MapMarker.y = 80;
      FakeNow = 1000 + t;
      expect_same_frame(260, 200, "zoom " + std::to_string(zoom) + " t " + std::to_string(t));
      EXPECT_EQ(MapMarker.active, t > 3000 ? 0 : 1);
    }
  }
  // Near the map's corners, with even and odd points.
  MapView.zoom = 64;
  MapView.origin_x = 0;
  MapView.origin_y = 0;
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {332, 210}, {331, 209}, {-3, 5}, {340, 220}}) {
    MapMarker.active = 1;
    MapMarker.start_ms = 0;
    MapMarker.x = x;
    MapMarker.y = y;
    FakeNow = 777;
    expect_same_frame(240, 150, "corner " + std::to_string(x) + "," + std::to_string(y));
  }
  list_clear(Heroes);
  list_clear(Graves);
  }
  image_free(opaque_cursor);
}

TEST_F(RenderTest, ScaledMapLandsWhereTheOriginSays) {
  int map = make_image(2000, 1000, false, [](int x, int y) { return Rgba{uint8_t(x), uint8_t(x >> 8), uint8_t(y), 255}; });
  use_map(map);
  MapView.zoom = 50;
  MapView.origin_x = 300;
  MapView.origin_y = 0;
  MapView.canvas_width = 1100;
  MapView.canvas_height = 600;
  std::vector<uint8_t> buffer(1100 * 600 * 3);
  DrawTarget target;
  target.pixels = buffer.data();
  target.stride = 1100 * 3;
  target.width = 1100;
  target.height = 600;
  MapTargetOverride = &target;
  draw_map();
  std::vector<int32_t> xs = nearest_source_map(2000, 1000);
  // The 1000-pixel picture starts at canvas x -150 and ends at 850.
  for (int cx : {0, 1, 500, 849}) {
    const uint8_t* p = buffer.data() + 10 * target.stride + cx * 3;
    EXPECT_EQ(p[0] | p[1] << 8, xs[cx + 150]) << cx;
  }
  for (int cx : {850, 1099}) {
    const uint8_t* p = buffer.data() + 10 * target.stride + cx * 3;
    EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255) << cx;
  }
  const uint8_t* below = buffer.data() + 550 * target.stride;
  EXPECT_EQ(below[0] + below[1] + below[2], 3 * 255);
  image_free(map);
}

// Frame after frame on the same canvas, as the event loop draws them: each
// frame (drawn in part where only pieces, marker or label changed) must equal
// the step-by-step frame drawn over the previous one.
TEST_F(RenderTest, FrameSequencesMatchTheStepByStepFrames) {
  std::mt19937 rnd(77);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rnd); };
  int maps[] = {maps_.odd_rgba, maps_.medium_rgb};
  for (int map : maps) {
    use_map(map);
    int w = image_width(map), h = image_height(map);
    const int tw = 257, th = 181;
    int stride = tw * 3 + 2;
    std::vector<uint8_t> fast(static_cast<size_t>(stride) * th, 9), steps = fast;
    DrawTarget fast_target, steps_target;
    fast_target.pixels = fast.data();
    steps_target.pixels = steps.data();
    for (DrawTarget* t : {&fast_target, &steps_target}) {
      t->stride = stride;
      t->width = tw;
      t->height = th;
    }
    MapView.zoom = 72;
    MapView.origin_x = 20;
    MapView.origin_y = 10;
    MapView.canvas_width = tw;
    MapView.canvas_height = th;
    list_clear(Heroes);
    list_clear(Graves);
    list_clear(Transports);
    for (int i = 0; i < 6; i++) add_piece(i % 2 ? Graves : Heroes, i % 4, pick(0, w), pick(0, h));
    FakeNow = 0;
    map_frame_invalidate();
    for (int step = 0; step < 150; step++) {
      switch (pick(0, 9)) {
        case 0: {  // drag a piece
          List<Piece>* l = pick(0, 1) ? Graves : Heroes;
          if (list_size(l) > 0) {
            Piece* p = list_select(l, pick(0, int(list_size(l)) - 1));
            p->x = pick(-30, w);
            p->y = pick(-30, h);
          }
          break;
        }
        case 1:  // a double-click
          MapMarker.active = 1;
          MapMarker.start_ms = static_cast<int32_t>(FakeNow);
          MapMarker.x = pick(0, w);
          MapMarker.y = pick(0, h);
          break;
        case 2:  // hover label
          HoverLabel.text = pick(0, 2) ? u"Grab" : u"";
          HoverLabel.x = pick(-20, tw + 20);
          HoverLabel.y = pick(-20, th + 20);
          break;
        case 3:  // panning or zooming now and then
          if (pick(0, 3) == 0) MapView.origin_x = pick(0, w / 2);
          else if (pick(0, 3) == 0) MapView.zoom = pick(25, 100);
          break;
        case 6:  // panning by small steps, also past the map's edges
        case 7:
          MapView.origin_x += pick(-12, 12);
          MapView.origin_y += pick(-9, 9);
          if (pick(0, 20) == 0) MapView.origin_y = -pick(0, 300);
          break;
        case 4:  // a new piece
          add_piece(Transports, pick(0, 3), pick(0, w), pick(0, h));
          break;
        default:  // time passes
          break;
      }
      FakeNow += pick(0, 400);
      MapMarkerRecord before = MapMarker;
      MapTargetOverride = &steps_target;
      draw_map_reference();
      MapMarkerRecord after = MapMarker;
      MapMarker = before;
      MapTargetOverride = &fast_target;
      draw_map();
      MapTargetOverride = nullptr;
      ASSERT_EQ(MapMarker.active, after.active);
      for (int y = 0; y < th; y++)
        ASSERT_EQ(0, std::memcmp(fast.data() + y * stride, steps.data() + y * stride, tw * 3))
            << "map " << map << " step " << step << " row " << y;
    }
  }
}

TEST_F(RenderTest, HoverLabelNearTheEdgesOfTheWindow) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";
  use_map(maps_.medium_rgb);
  MapView.zoom = 100;
  MapView.origin_x = 0;
  MapView.origin_y = 0;
  MapView.canvas_width = static_cast<int32_t>(window_width(MainWindow));
  MapView.canvas_height = static_cast<int32_t>(window_height(MainWindow)) - 25;
  HoverLabel.text = u"Karren des Gunnar";
  int64_t w = text_width(HoverLabel.text);
  ASSERT_GT(w, 0);
  int64_t ww = window_width(MainWindow), bottom = window_height(MainWindow) - menu_height();
  ASSERT_TRUE(bottom > 0 && bottom < 5000 && text_height(HoverLabel.text) < 500)
      << "implausible text or menu bar metrics: " << bottom << " " << text_height(HoverLabel.text);
  for (auto [x, y] : {std::pair{10, 10}, {-30, -20}, {int(ww) - 5, 40}, {40, int(bottom) - 3}, {int(ww), int(bottom)}}) {
    HoverLabel.x = x;
    HoverLabel.y = y;
    expect_same_frame(static_cast<int>(ww), static_cast<int>(bottom) + 10, "label at " + std::to_string(x));
  }
  // Near the right edge the box ends exactly at the window's client width.
  HoverLabel.x = static_cast<int32_t>(ww - 5);
  HoverLabel.y = 40;
  std::vector<uint8_t> buffer(ww * 300 * 3);
  DrawTarget target;
  target.pixels = buffer.data();
  target.stride = static_cast<int>(ww * 3);
  target.width = static_cast<int>(ww);
  target.height = 300;
  MapTargetOverride = &target;
  map_frame_invalidate();
  draw_map();
  int64_t h = text_height(HoverLabel.text);
  int64_t ly = std::min<int64_t>(40, bottom - h - 4);  // a low window moves it up
  ASSERT_GE(ly + 1, 0);
  ASSERT_LT(ly + 1, 300);
  const uint8_t* box_end = buffer.data() + (ly + 1) * target.stride + (ww - 1) * 3;
  EXPECT_EQ(box_end[0] + box_end[1] + box_end[2], 0) << ww << " " << bottom << " " << ly;
  const uint8_t* before_box = buffer.data() + (ly + 1) * target.stride + (ww - w - 5) * 3;
  EXPECT_NE(before_box[0] + before_box[1] + before_box[2], 0);
  MapTargetOverride = nullptr;
}

TEST_F(RenderTest, NoFrameWhileNothingChanges) {
  use_map(maps_.medium_rgb);
  MapView.zoom = 81;
  MapView.canvas_width = 200;
  MapView.canvas_height = 150;
  Piece* hero = add_piece(Heroes, 0, 30, 40);
  std::vector<uint8_t> buffer(200 * 150 * 3);
  DrawTarget target;
  target.pixels = buffer.data();
  target.stride = 600;
  target.width = 200;
  target.height = 150;
  MapTargetOverride = &target;
  map_frame_invalidate();
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  EXPECT_FALSE(map_animating());

  hero->x += 1;  // a piece moved
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  HoverLabel.text = u"x";  // a label appeared
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  HoverLabel.x = 3;  // it moved
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  HoverLabel.text.clear();
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  MapView.origin_x = 7;  // panned
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  MapView.zoom = 90;  // zoomed
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  std::vector<uint8_t> other(200 * 150 * 3);  // the canvas got a new buffer
  target.pixels = other.data();
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  draw_map();
  EXPECT_FALSE(map_frame_drawn());

  // The marker: a frame whenever its picture or ring changes, one more frame
  // with it after 3 s, one without, then quiet.
  MapMarker.active = 1;
  MapMarker.start_ms = 100;
  MapMarker.x = 50;
  MapMarker.y = 50;
  FakeNow = 100;
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  EXPECT_TRUE(map_animating());
  FakeNow = 110;  // same k and r
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  FakeNow = 120;
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  FakeNow = 3101;
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  EXPECT_EQ(MapMarker.active, 0);
  EXPECT_TRUE(map_animating());
  FakeNow = 3102;
  draw_map();
  EXPECT_TRUE(map_frame_drawn());
  EXPECT_FALSE(map_animating());
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
}

TEST_F(RenderTest, NoLevelDrawsNothing) {
  MapView.work_image = 0;
  std::vector<uint8_t> buffer(30 * 20 * 3, 7);
  DrawTarget target;
  target.pixels = buffer.data();
  target.stride = 90;
  target.width = 30;
  target.height = 20;
  MapTargetOverride = &target;
  draw_map();
  EXPECT_FALSE(map_frame_drawn());
  for (uint8_t b : buffer) ASSERT_EQ(b, 7);
}

// The picture moves away from the point in the first half of every second
// (position A) and back in the second half (position B); the ring grows over
// the whole second; the frame after 3 s is the last one.
TEST(MarkerFrame, PositionsRingsAndEnd) {
  MapMarkerRecord saved = MapMarker;
  MapViewRecord view = MapView;
  MapView.zoom = 50;
  MapMarker = MapMarkerRecord{};
  MapMarker.active = 1;
  MapMarker.start_ms = 5000;
  MapMarker.x = 100;
  MapMarker.y = 200;
  MapMarker.image_width = 32;
  MapMarker.image_height = 30;
  struct Case {
    int t, k, r;
    int64_t px, py;
  } cases[] = {{0, 0, 0, 100, 200},     {19, 0, 0, 100, 200},   {20, 1, 1, 101, 201},
               {499, 24, 24, 124, 224}, {500, 0, 25, 125, 225}, {999, 24, 49, 101, 201},
               {1000, 0, 0, 100, 200},  {2999, 24, 49, 101, 201}};
  for (Case c : cases) {
    MarkerFrame f = marker_frame(5000 + c.t);
    EXPECT_TRUE(f.drawn);
    EXPECT_EQ(f.k, c.k) << c.t;
    EXPECT_EQ(f.r, c.r) << c.t;
    EXPECT_EQ(f.picture_x, c.px) << c.t;
    EXPECT_EQ(f.picture_y, c.py) << c.t;
    EXPECT_EQ(f.picture_width, 64);
    EXPECT_EQ(f.picture_height, 60);
  }
  EXPECT_EQ(MapMarker.active, 1);
  EXPECT_TRUE(marker_frame(8000).drawn);
  EXPECT_EQ(MapMarker.active, 1);
  EXPECT_TRUE(marker_frame(8001).drawn) << "the first frame after 3 s still shows it";
  EXPECT_EQ(MapMarker.active, 0);
  EXPECT_FALSE(marker_frame(8002).drawn);
  MapMarker = saved;
  MapView = view;
}

TEST(RenderClock, ElapsedStartsBelowASecondAndRandomStaysInRange) {
  ElapsedMsSource = nullptr;
  int64_t first = elapsed_ms();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 100000);
  EXPECT_GE(elapsed_ms(), first);
  EXPECT_EQ(random(-1), 0);
  EXPECT_EQ(random(0), 0);
  bool seen[7] = {};
  for (int i = 0; i < 2000; i++) {
    int64_t v = random(6);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 6);
    seen[v] = true;
  }
  for (bool s : seen) EXPECT_TRUE(s);
}

}  // namespace
