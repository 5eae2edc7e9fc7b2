// Hit tests, the hover label, dragging, panning, the double-click marker and
// the piece picker, with the real pointer moved over the main window.
#include <gtest/gtest.h>

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
  put_piece(Heroes, 0, 0);
  put_piece(Heroes, 100, 50);
  put_piece(Transports, 200, 200);
  put_piece(Transports, 210, 205);
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
  EXPECT_FALSE(piece_at_pointer(Graves, -1));
}

// Over a grave under a transport the grave's inscription shows; over nothing
// the text goes and the position stays; a drag (panning here) leaves it alone.
TEST_F(MouseTest, HoverLabel) {
  Inscriptions[3] = u"RIP Hagen", Inscriptions[4] = u"Karren";
  put_piece(Graves, 100, 100, 3);
  put_piece(Transports, 105, 104, 4);
  for (auto [x, y, mode, text, lx, ly] : {std::tuple{110, 110, 0, u"RIP Hagen", 110, 110}, {120, 117, 0, u"Karren", 120, 117},
                                          {400, 300, 0, u"", 120, 117}, {110, 110, 4, u"", 120, 117}}) {
    InteractionMode = mode;
    warp_pointer(x, y);
    on_mouse_move();
    EXPECT_EQ(std::tuple(HoverLabel.text, HoverLabel.x, HoverLabel.y), std::tuple(String(text), lx, ly));
  }
}

// A dragged piece is centred on the pointer; left of the view (origin 100) it
// stops at the origin. A 1000-pixel map in a 1200-pixel view (zoom 50, canvas
// 600): at map x 1190 the view rule alone would put the hero at 1168, off the
// picture; it stays at 968. Its trail records the new centre once.
TEST_F(MouseTest, DragStepKeepsThePieceInViewAndOnTheMap) {
  Piece* grave = put_piece(Graves, 10, 10);
  Piece* hero = put_piece(Heroes, 25, 20);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
  for (auto [mode, x, origin, map, zoom, px, py] : {std::tuple{3, 300, 0, 2000, 100, 288, 92}, {3, 2, 100, 2000, 100, 100, 92},
                                                    {2, 595, 0, 1000, 50, 968, 184}, {2, 592, 0, 1000, 50, 968, 184}}) {
    InteractionMode = mode;
    MapView.origin_x = origin, MapView.map_width = map, MapView.zoom = zoom, MapView.canvas_width = zoom * 12;
    UnsavedChanges = 0;
    warp_pointer(x, 100);
    on_mouse_move();
    EXPECT_EQ(std::tuple(xy(mode == 3 ? grave : hero), UnsavedChanges), std::tuple(XY(px, py), 1)) << x;
  }
  EXPECT_EQ(std::tuple(trail->points[0].x, trail->points[0].y, trail->points[1].y, trail->points[29].y),
            std::tuple(984, 200, 36, 36 + 8 * 28));
  // Outside the gadget area: only UnsavedChanges.
  UnsavedChanges = 0;
  gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + window_width(MainWindow) + 50), 5);
  on_mouse_move();
  EXPECT_EQ(XY(UnsavedChanges, hero->x), XY(1, 968));
}

// At zoom 50 the canvas of 800 x 575 shows 1600 x 1150 map pixels: the origin
// follows the pointer, clamped at 0 and at the last origin that still fills
// the canvas. At zoom 25 the scaled map (500 x 375) fits: the origin goes to 0.
TEST_F(MouseTest, PanningMovesTheOriginByThePointersMovement) {
  MapView.work_image = make_image(2000, 1500, false, [](int, int) { return Rgba{1, 2, 3, 255}; });
  MapView.origin_x = MapView.origin_y = 100;
  InteractionMode = 4;
  PanStart = PanStartRecord{200, 500};
  for (auto [x, y, zoom, ox, oy] : {std::tuple{210, 495, 50, 90, 105}, {150, 300, 50, 150, 300}, {400, 200, 50, 0, 350},
                                    {300, 300, 50, 100, 250}, {100, 100, 25, 0, 0}}) {
    MapView.zoom = zoom;
    warp_pointer(x, y);
    on_mouse_move();
    EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(ox, oy)) << x << "," << y;
  }
  image_free(MapView.work_image);
}

// The marker goes to the map point under the pointer; a zoom of 0 (from a
// damaged file) is taken as 25.
TEST_F(MouseTest, DoubleClickSetsTheMarker) {
  ElapsedMsSource = [] { return int64_t{123456}; };
  MapView.zoom = 0, MapView.origin_x = 7, MapView.origin_y = 3;
  warp_pointer(20, 30);
  on_double_click();
  EXPECT_EQ(std::tuple(MapMarker.x, MapMarker.y, MapMarker.active, MapMarker.start_ms), std::tuple(87, 123, 1, 123456));
}

// Seven entries and the random cell, opened with the pointer at (100, 100):
// two rows of five cells of 20 x 10 at (90, 95), the last two empty. Once it
// is open, the pointer moves to (x, y) and a CloseWindow and a MouseMove (both
// dropped) and the event are posted. A click outside, a right click or a menu
// event cancels; the random cell gives any entry.
TEST_F(MouseTest, PickerCellsChooseEntries) {
  for (int i = 0; i < 7; i++) list_add(GraveCatalog);
  for (auto [x, y, kind, type, random, choice] :
       {std::tuple{91, 96, Gadget, LeftClick, 1, 0}, {169, 104, Gadget, LeftClick, 1, 3}, {110, 105, Gadget, LeftClick, 1, 6},
        {135, 110, Gadget, LeftClick, 1, 7}, {155, 110, Gadget, LeftClick, 1, -1}, {189, 114, Gadget, LeftClick, 1, -1},
        {89, 100, Gadget, LeftClick, 1, -1}, {190, 100, Gadget, LeftClick, 1, -1}, {135, 110, Gadget, LeftClick, 0, -1},
        {95, 97, Gadget, RightClick, 1, -1}, {95, 97, Menu, 0, 1, -1}}) {
    warp_pointer(100, 100);
    gui_later(30, [x = x, y = y, kind = kind, type = type] {
      warp_pointer(x, y);
      for (auto [k, t] : {std::pair{int64_t{CloseWindow}, 0}, {Gadget, MouseMove}, {kind, type}})
        event_post(int(k), PickerCanvas, MainWindow, t, nullptr, nullptr, PostNoCollapse);
    });
    int got = pick_catalog_entry(GraveCatalog, 20, 10, random);
    EXPECT_TRUE(choice == 7 ? got >= 0 && got <= 6 : got == choice) << x << "," << y << ": " << got;
    EXPECT_FALSE(gadget_visible(PickerCanvas));
  }
}

}  // namespace
