// Hit tests, the hover label, dragging, panning, the double-click marker and
// the piece picker, with the real pointer moved over the main window.
#include <gtest/gtest.h>

#include <set>

#include "../app_support.h"
#include "app/mapview/mouse.h"

namespace {

int64_t FakeNow = 0;
int64_t fake_clock() { return FakeNow; }

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    ASSERT_EQ(gadget_x(MapCanvas), 0);
    ASSERT_EQ(gadget_y(MapCanvas), 0);
    fresh_state();
    MapView.player_size = 32;
    MapView.tile_x = 24;
    MapView.tile_y = 16;
    MapView.map_width = 2000;
    MapView.map_height = 1500;
    MapView.canvas_width = 800;
    MapView.canvas_height = 575;
  }
};

TEST_F(MouseTest, HeroIsHitStrictlyInsideItsSquare) {
  put_piece(Heroes, 0, 0);
  Piece* hero = put_piece(Heroes, 100, 50);
  put_piece(Heroes, 300, 300);
  const int probes[][3] = {{101, 51, 1}, {131, 81, 1}, {116, 66, 1}, {100, 60, 0},
                           {132, 60, 0}, {110, 50, 0}, {110, 82, 0}};
  for (auto [x, y, hit] : probes) {
    warp_pointer(x, y);
    list_last(Heroes);
    EXPECT_EQ(hero_at_pointer(), hit == 1) << x << "," << y;
    EXPECT_EQ(list_index(Heroes), hit) << "a miss leaves the first hero current";
  }
  // At zoom 50 with the origin at (90, 40), window (10, 10) is map (110, 60).
  MapView.zoom = 50;
  MapView.origin_x = 90;
  MapView.origin_y = 40;
  warp_pointer(10, 10);
  EXPECT_TRUE(hero_at_pointer());
  EXPECT_EQ(list_current(Heroes), hero);
}

TEST_F(MouseTest, TopmostPieceWinsAndSkipPassesOverOne) {
  put_piece(Transports, 200, 200);
  Piece* upper = put_piece(Transports, 210, 205);
  warp_pointer(215, 210);
  EXPECT_TRUE(piece_at_pointer(Transports, -1));
  EXPECT_EQ(list_current(Transports), upper);
  EXPECT_TRUE(piece_at_pointer(Transports, 1));
  EXPECT_EQ(list_index(Transports), 0);
  EXPECT_FALSE(piece_at_pointer(Graves, -1));
  warp_pointer(500, 500);
  EXPECT_FALSE(piece_at_pointer(Transports, -1));
  EXPECT_EQ(list_index(Transports), 0);
}

TEST_F(MouseTest, TheGraveUnderATransportWinsTheLabelTheTransportThePress) {
  Inscriptions[3] = u"RIP Hagen";
  Inscriptions[4] = u"Karren";
  put_piece(Graves, 100, 100, 3);
  put_piece(Transports, 105, 104, 4);
  warp_pointer(110, 110);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"RIP Hagen");
  EXPECT_EQ(XY(HoverLabel.x, HoverLabel.y), XY(110, 110));
  EXPECT_FALSE(hero_at_pointer());
  EXPECT_TRUE(piece_at_pointer(Transports, -1));  // a press tests transports before graves
  warp_pointer(125, 118);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"Karren");
  // Over nothing the text goes and the position stays.
  warp_pointer(400, 300);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"");
  EXPECT_EQ(HoverLabel.x, 125);
  // In a drag the label is left alone.
  HoverLabel.text = u"stays";
  InteractionMode = 4;
  PanStart = PanStartRecord{400, 300};
  warp_pointer(110, 110);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"stays");
}

TEST_F(MouseTest, DragStepKeepsThePieceInViewAndOnTheMap) {
  Piece* grave = put_piece(Graves, 10, 10);
  InteractionMode = 3;
  warp_pointer(300, 200);
  on_mouse_move();
  EXPECT_EQ(xy(grave), XY(300 - 12, 200 - 8));
  EXPECT_EQ(UnsavedChanges, 1);
  MapView.origin_x = 100;  // left of the view: stops at the origin
  warp_pointer(2, 200);
  on_mouse_move();
  EXPECT_EQ(int32_t{grave->x}, 100);

  // A 1000-pixel map in a 1200-pixel view (zoom 50, canvas 600): at map x 1190
  // the view rule alone would put the hero at 1168, outside the picture.
  MapView.origin_x = 0;
  MapView.map_width = 1000;
  MapView.zoom = 50;
  MapView.canvas_width = 600;
  Piece* hero = put_piece(Heroes, 25, 20);
  list_last(Trails);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
  InteractionMode = 2;
  for (int window_x : {595, 592}) {  // map x 1190, then 1184
    warp_pointer(window_x, 100);
    on_mouse_move();
    EXPECT_EQ(xy(hero), XY(1000 - 32, 200 - 16)) << window_x;
  }
  EXPECT_EQ(trail->points[0].x, 968 + 16) << "the hero's trail records its new centre";
  EXPECT_EQ(trail->points[1].x, 41);

  // Outside the gadget area: only UnsavedChanges.
  UnsavedChanges = 0;
  gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + window_width(MainWindow) + 50), 5);
  on_mouse_move();
  EXPECT_EQ(UnsavedChanges, 1);
  EXPECT_EQ(int32_t{hero->x}, 968);
}

TEST_F(MouseTest, PanningMovesTheOriginByThePointersMovement) {
  int work = make_image(2000, 1500, false, [](int, int) { return Rgba{1, 2, 3, 255}; });
  MapView.work_image = work;
  MapView.zoom = 50;  // the canvas of 800 x 575 shows 1600 x 1150 map pixels
  MapView.origin_x = 100;
  MapView.origin_y = 100;
  InteractionMode = 4;
  PanStart = PanStartRecord{200, 200};
  warp_pointer(210, 195);
  on_mouse_move();
  EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(90, 105));
  EXPECT_EQ(XY(PanStart.x, PanStart.y), XY(210, 195));
  // Clamped at 0 and at the last origin that still fills the canvas.
  warp_pointer(400, 5);
  on_mouse_move();
  EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(0, 295));
  PanStart.y = 500;
  on_mouse_move();
  EXPECT_EQ(MapView.origin_y, 1500 - 1150);
  // A scaled map that fits the canvas (500 x 375) keeps the origin at 0.
  MapView.zoom = 25;
  MapView.origin_x = MapView.origin_y = 30;
  warp_pointer(100, 100);
  on_mouse_move();
  EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(0, 0));
  image_free(work);
}

TEST_F(MouseTest, DoubleClickSetsTheMarker) {
  ElapsedMsSource = fake_clock;
  FakeNow = 123456;
  MapView.zoom = 50;
  MapView.origin_x = 7;
  MapView.origin_y = 3;
  warp_pointer(20, 30);
  on_double_click();
  EXPECT_EQ(XY(MapMarker.x, MapMarker.y), XY(47, 63));
  EXPECT_EQ(MapMarker.active, 1);
  EXPECT_EQ(MapMarker.start_ms, 123456);
  EXPECT_TRUE(map_animating());
}

class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    save_picture(dir_.path() + "pics/rnd.png", 20, 10, true, [](int, int) { return Rgba{0, 0, 255, 255}; });
    catalog_ = list_new<CatalogEntry>();
    for (int i = 0; i < 7; i++) {
      list_last(catalog_);
      list_add(catalog_)->picture =
          make_image(20, 10, false, [i](int, int) { return Rgba{uint8_t(10 + 30 * i), 0, 0, 255}; });
    }
    gui_discard_events();
  }
  void TearDown() override {
    if (catalog_) list_free(catalog_);
  }

  // Opens the picker with the pointer at (x, y); once it is open, moves the
  // pointer to (cx, cy) and posts the events; returns the choice.
  int pick(int x, int y, int cx, int cy, std::vector<std::pair<int64_t, int64_t>> events = {{Gadget, LeftClick}},
           int with_random = 1, List<CatalogEntry>* catalog = nullptr, int cell_height = 10) {
    warp_pointer(x, y);
    gui_later(30, [=] {
      warp_pointer(cx, cy);
      for (auto [kind, type] : events)
        event_post(static_cast<int>(kind), PickerCanvas, MainWindow, type, nullptr, nullptr, PostNoCollapse);
    });
    return pick_catalog_entry(catalog ? catalog : catalog_, 20, cell_height, with_random);
  }

  TempProgramDir dir_;
  List<CatalogEntry>* catalog_ = nullptr;
};

TEST_F(PickerTest, ShowsThePicturesAndTheRandomCell) {
  std::vector<int> seen;  // red of cells 0 and 1, blue of cell 7, sum of cell 9
  bool grid_size = false;
  gui_later(30, [&] {
    DrawTarget* t = canvas_output(PickerCanvas);
    grid_size = t && t->width == 100 && t->height == 20;
    auto at = [t](int x, int y) { return t->pixels + y * t->stride + x * 3; };
    if (grid_size)
      seen = {at(5, 5)[0], at(25, 5)[0], at(45, 15)[0] + at(45, 15)[1], at(45, 15)[2], at(85, 15)[0] + at(85, 15)[2]};
    event_post(Gadget, PickerCanvas, MainWindow, RightClick);
  });
  EXPECT_EQ(pick_catalog_entry(catalog_, 20, 10, 1), -1);
  // A canvas shown again right after a resize can get a stale allocation of
  // its old size: the drawing must survive it.
  EXPECT_TRUE(grid_size);
  EXPECT_EQ(seen, (std::vector<int>{10, 40, 0, 255, 2 * 255}));
}

TEST_F(PickerTest, GridSitsOnThePointerAndCellsChooseEntries) {
  // 7 entries and the random cell: 2 rows of 5 cells of 20 x 10, the grid of
  // 100 x 20 at (100 - 10, 100 - 5).
  EXPECT_EQ(pick(100, 100, 91, 96), 0);
  EXPECT_EQ(XY(gadget_x(PickerCanvas), gadget_y(PickerCanvas)), XY(90, 95));
  EXPECT_EQ(XY(gadget_width(PickerCanvas), gadget_height(PickerCanvas)), XY(100, 20));
  EXPECT_FALSE(gadget_visible(PickerCanvas));
  EXPECT_EQ(pick(100, 100, 90 + 79, 95 + 9), 3);
  EXPECT_EQ(pick(100, 100, 90 + 20, 95 + 10), 6);
  // The eighth cell is the random cell; the ninth and tenth are empty.
  int choice = pick(100, 100, 90 + 45, 95 + 15);
  EXPECT_TRUE(choice >= 0 && choice <= 6) << choice;
  EXPECT_EQ(pick(100, 100, 90 + 65, 95 + 15), -1);
  EXPECT_EQ(pick(100, 100, 90 + 99, 95 + 19), -1);
  EXPECT_EQ(pick(100, 100, 89, 100), -1);   // outside the grid
  EXPECT_EQ(pick(100, 100, 190, 100), -1);
  EXPECT_EQ(pick(100, 100, 90 + 45, 95 + 15, {{Gadget, LeftClick}}, 0), -1);  // no random cell
  // Right click and menu events cancel; CloseWindow and others are dropped.
  EXPECT_EQ(pick(100, 100, 95, 97, {{Gadget, RightClick}}), -1);
  EXPECT_EQ(pick(100, 100, 95, 97, {{Menu, 0}}), -1);
  EXPECT_EQ(pick(100, 100, 91, 96, {{CloseWindow, 0}, {Gadget, MouseMove}, {Gadget, LeftClick}}), 0);
}

TEST_F(PickerTest, TheRandomCellStandsForAnyEntryTheLastIncluded) {
  List<CatalogEntry>* two = list_new<CatalogEntry>();
  for (int i = 0; i < 2; i++) {
    list_last(two);
    list_add(two);
  }
  std::set<int> chosen;  // the third cell of the one row
  for (int i = 0; i < 20 && chosen.size() < 2; i++)
    chosen.insert(pick(100, 100, 135, 100, {{Gadget, LeftClick}}, 1, two));
  EXPECT_EQ(chosen, (std::set<int>{0, 1}));
  list_free(two);
}

TEST_F(PickerTest, MovedInsideNearTheBottomRightOnly) {
  int64_t w = window_width(MainWindow), h = window_height(MainWindow);
  // A grid of 100 x 200 with the pointer in the canvas's bottom-right corner.
  pick(static_cast<int>(w - 3), static_cast<int>(gadget_height(MapCanvas) - 2), 10, 10, {{Gadget, LeftClick}}, 1,
       nullptr, 100);
  EXPECT_EQ(XY(gadget_x(PickerCanvas), gadget_y(PickerCanvas)), XY(w - 100, h - 200));
  pick(2, 3, 10, 10);
  EXPECT_EQ(XY(gadget_x(PickerCanvas), gadget_y(PickerCanvas)), XY(-8, -2));
}

TEST_F(PickerTest, EmptyCatalog) {
  List<CatalogEntry>* empty = list_new<CatalogEntry>();
  // Without the random cell the grid has no rows; with it, the random cell
  // stands for no entry.
  EXPECT_EQ(pick(100, 100, 100, 100, {{Gadget, LeftClick}}, 0, empty), -1);
  EXPECT_EQ(gadget_height(PickerCanvas), 0);
  EXPECT_EQ(pick(100, 100, 91, 96, {{Gadget, LeftClick}}, 1, empty), -1);
  list_free(empty);
}

}  // namespace
