// Hit tests, dragging and panning with the real pointer; a hero's convoy along its trail.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "../app_support.h"

namespace {

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    MapView.map_width = 2000, MapView.map_height = 1500, MapView.canvas_width = 800, MapView.canvas_height = 575;
    MapView.tile_x = 24, MapView.tile_y = 16, MapView.player_size = 32;
  }
};

TEST_F(MouseTest, HitTestsFindTheTopmostPieceStrictlyInside) {
  put_piece(Heroes, 0, 0), put_piece(Heroes, 100, 50);
  put_piece(Transports, 200, 200), put_piece(Transports, 210, 205);
  // Pointer; hero 1 hit; transport found without and with skipping position 1 (-1: none).
  for (auto [x, y, hero, top, skipping] :
       {std::tuple{101, 51, true, -1, -1}, {131, 81, true, -1, -1}, {100, 60, false, -1, -1}, {132, 60, false, -1, -1},
        {110, 50, false, -1, -1}, {110, 82, false, -1, -1}, {215, 210, false, 1, 0}, {230, 218, false, 1, -1}}) {
    warp_pointer(x, y);
    list_last(Heroes);
    bool hit = hero_at_pointer();
    EXPECT_EQ(XY(hit, list_index(Heroes)), XY(hero, hero)) << x << "," << y << ": a miss leaves the first current";
    for (auto [skip, found] : {std::pair{-1, top}, {1, skipping}}) {
      hit = piece_at_pointer(Transports, skip);
      EXPECT_EQ(XY(hit, list_index(Transports)), XY(found >= 0, std::max(found, 0))) << x << "," << y << " " << skip;
    }
  }
  MapView.origin_x = 7;  // map x = window x * 100 / zoom + origin; zooms outside 25..100 (damaged files) as the nearest end
  for (auto [zoom, x] : {std::pair{0, 407}, {24, 407}, {40, 257}, {101, 107}, {300, 107}})
    EXPECT_EQ((MapView.zoom = zoom, window_to_map(gadget_x(MapCanvas) + 100, AxisX)), x) << zoom;
}

// Centred on the pointer, stopped at the origin left of the view; on a map of
// 1000 in a view of 1200 (zoom 50, canvas 600) at map x 1190 the view rule
// alone gives 1168, off the picture: the hero stays at 968, its trail records it.
TEST_F(MouseTest, DragStepKeepsThePieceInViewAndOnTheMap) {
  Piece* grave = put_piece(Graves, 10, 10);
  Piece* hero = put_piece(Heroes, 25, 20);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
  for (auto [mode, x, origin, map, zoom, px, py] :
       {std::tuple{Interaction::DragGrave, 300, 0, 2000, 100, 288, 92}, {Interaction::DragGrave, 2, 100, 2000, 100, 100, 92},
        {Interaction::DragGrave, 1195, 0, 2000, 100, 1176, 92}, {Interaction::DragGrave, 2, -50, 24, 100, 0, 92},
        {Interaction::DragHero, 595, 0, 1000, 50, 968, 184}, {Interaction::DragHero, 592, 0, 1000, 50, 968, 184}}) {
    InteractionMode = mode;
    MapView.origin_x = origin, MapView.map_width = map, MapView.zoom = zoom, MapView.canvas_width = zoom * 12;
    UnsavedChanges = 0;
    warp_pointer(x, 100);
    on_mouse_move();
    EXPECT_EQ(std::tuple(xy(mode == Interaction::DragGrave ? grave : hero), UnsavedChanges), std::tuple(XY(px, py), 1)) << x;
  }
  EXPECT_EQ(std::tuple(trail->points[0].x, trail->points[0].y, trail->points[1].y, trail->points[29].y),
            std::tuple(984, 200, 36, 36 + 8 * 28));
  Piece* wagon = put_piece(Transports, 0, 999);  // a step too small for the trail still lays out the convoy
  wagon->links[0] = 1, hero->links[0] = 1;
  warp_pointer(593, 100);
  on_mouse_move();
  EXPECT_EQ(XY(trail->points[0].x, trail->points[1].x), XY(984, 41));
  EXPECT_NE(xy(wagon), XY(0, 999));
  UnsavedChanges = 0;  // outside the gadget area: only UnsavedChanges
  gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + window_width(MainWindow) + 50), 5);
  on_mouse_move();
  EXPECT_EQ(XY(UnsavedChanges, int32_t{hero->x}), XY(1, 968));
}

// At zoom 50 the canvas of 800 x 575 shows 1600 x 1150 map pixels: the origin
// follows the pointer between 0 and the last origin that still fills the
// canvas. At zoom 25 the scaled map (500 x 375) fits: the origin goes to 0.
TEST_F(MouseTest, PanningMovesTheOriginByThePointersMovement) {
  MapView.work_image = make_image(2000, 1500, false, [](int, int) { return Rgba{1, 2, 3, 255}; });
  MapView.origin_x = MapView.origin_y = 100;
  InteractionMode = Interaction::Pan;
  PanStart = PanStartRecord{200, 500};
  for (auto [x, y, zoom, ox, oy] : {std::tuple{210, 495, 50, 90, 105}, {150, 300, 50, 150, 300}, {400, 200, 50, 0, 350},
                                    {300, 300, 50, 100, 250}, {100, 100, 25, 0, 0}}) {
    MapView.zoom = zoom;
    warp_pointer(x, y);
    on_mouse_move();
    EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(ox, oy)) << x << "," << y;
  }
}

// A hero at at_place with a fresh level's start trail and count transports of tile_x x 10 linked (all but
// stray pointing back to it); the hero, the trail's end and the transports once its place is recorded.
std::vector<XY> convoy(int tile_x, int count, std::vector<int8_t> links, int stray = -1, XY at_place = {25, 20}) {
  fresh_state();
  MapView.player_size = 32, MapView.tile_x = tile_x, MapView.tile_y = 10;
  Piece* hero = put_piece(Heroes, int32_t(at_place.first), int32_t(at_place.second));
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
  for (int i = 0; i < count; i++) put_piece(Transports, 0, 999)->links[0] = i == stray ? 2 : 1;
  std::copy(links.begin(), links.end(), hero->links);
  record_trail(hero, trail);
  std::vector<XY> at{xy(hero), XY(trail->points[29].x, trail->points[29].y)};
  for (int i = 0; i < count; i++) at.push_back(xy(list_select(Transports, i)));
  return at;
}

// Slot 0 is centred (32 + 20) / 2 = 26 below the hero's centre, slot 1
// tile_x = 20 further, in slot order; a 0 ends the convoy, links to no
// transport or to one attached elsewhere (damaged files) place nothing, and
// the first transport placed keeps the first slot's distance; the trail's end
// takes all that find it exhausted.
TEST(Convoy, TransportsFollowAlongTheTrail) {
  EXPECT_EQ(convoy(20, 2, {2, 1}), (std::vector<XY>{{25, 20}, {41, 268}, {31, 77}, {31, 57}}));
  EXPECT_EQ(convoy(20, 3, {9, 1, -3, 2, 0, 3}), (std::vector<XY>{{25, 20}, {41, 268}, {31, 57}, {31, 77}, {0, 999}}));
  EXPECT_EQ(convoy(20, 3, {3, 1, 2}, 0), (std::vector<XY>{{25, 20}, {41, 268}, {0, 999}, {31, 77}, {31, 57}}));
  EXPECT_EQ(convoy(60, 6, {1, 2, 3, 4, 5, 6}),
            (std::vector<XY>{{25, 20}, {41, 268}, {11, 77}, {11, 136}, {11, 196}, {11, 256}, {11, 263}, {11, 263}}));
  // A centre 8 = player_size / 4 from the trail's head is not recorded; 10 is. A trail point
  // exactly the spacing (26) away is the anchor, though the trail bends after it.
  EXPECT_EQ(convoy(20, 0, {}, -1, {25, 28}), (std::vector<XY>{{25, 28}, {41, 268}}));
  EXPECT_EQ(convoy(20, 1, {1}, -1, {35, 20}), (std::vector<XY>{{35, 20}, {41, 260}, {31, 55}}));
  // Halves go to the even neighbour, NaN to 0, values beyond 32 bits to the ends.
  for (auto [v, r] : {std::pair{0.5f, 0}, {1.5f, 2}, {-2.5f, -2}, {NAN, 0}, {3e9f, INT32_MAX}, {-3e9f, INT32_MIN}})
    EXPECT_EQ(round_half_even(v), r) << v;
}

// The picker around the pointer: rows of five 20 x 10 cells from (90, 95), the eighth for any entry
// (without the random cell it chooses nothing).
TEST_F(MouseTest, PickerCellsChooseEntries) {
  for (int i = 0; i < 7; i++) list_add(GraveCatalog);
  auto pick = [](int x, int y, bool with_random = true) {
    warp_pointer(100, 100);
    gui_later(30, [x, y] { warp_pointer(x, y), event_post(Gadget, PickerCanvas, MainWindow, LeftClick); });
    return pick_catalog_entry(GraveCatalog, 20, 10, with_random);
  };
  std::set<int> chosen;
  for (int i = 0; i < 100 && chosen.size() < 7; i++) chosen.insert(pick(135, 110));
  EXPECT_EQ(std::tuple(pick(110, 105), pick(155, 110), pick(135, 110, false), chosen),
            std::tuple(6, -1, -1, std::set<int>{0, 1, 2, 3, 4, 5, 6}));
}

}  // namespace
