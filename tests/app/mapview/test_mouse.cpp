// Hit tests, the hover label, dragging, panning and the double-click marker,
// with the real pointer moved over the main window.
#include <gtest/gtest.h>

#include "app/mapview/mouse.h"
#include "test_render_support.h"

namespace {

int64_t FakeNow = 0;
int64_t fake_clock() { return FakeNow; }

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    saved_view_ = MapView;
    saved_label_ = HoverLabel;
    saved_marker_ = MapMarker;
    ASSERT_EQ(gadget_x(MapCanvas), 0);
    ASSERT_EQ(gadget_y(MapCanvas), 0);
    MapView.zoom = 100;
    MapView.origin_x = 0;
    MapView.origin_y = 0;
    MapView.player_size = 32;
    MapView.tile_x = 24;
    MapView.tile_y = 16;
    MapView.map_width = 2000;
    MapView.map_height = 1500;
    MapView.canvas_width = 800;
    MapView.canvas_height = 575;
    list_clear(Heroes);
    list_clear(Trails);
    list_clear(Graves);
    list_clear(Transports);
    InteractionMode = 0;
    UnsavedChanges = 0;
  }
  void TearDown() override {
    if (IsSkipped()) return;
    list_clear(Heroes);
    list_clear(Trails);
    list_clear(Graves);
    list_clear(Transports);
    for (String& s : Inscriptions) s.clear();
    MapView = saved_view_;
    HoverLabel = saved_label_;
    MapMarker = saved_marker_;
    InteractionMode = 0;
    ElapsedMsSource = nullptr;
  }
  static Piece* add(List<Piece>* list, int32_t x, int32_t y, int32_t inscription = 0) {
    list_last(list);
    Piece* p = list_add(list);
    p->x = x;
    p->y = y;
    p->inscription = inscription;
    return p;
  }
  MapViewRecord saved_view_;
  HoverLabelRecord saved_label_;
  MapMarkerRecord saved_marker_;
};

TEST_F(MouseTest, HeroIsHitStrictlyInsideItsSquare) {
  add(Heroes, 0, 0);
  Piece* hero = add(Heroes, 100, 50);
  add(Heroes, 300, 300);
  struct Probe {
    int x, y;
    bool hit;
  } probes[] = {{101, 51, true}, {131, 81, true}, {116, 66, true}, {100, 60, false},
                {132, 60, false}, {110, 50, false}, {110, 82, false}};
  for (Probe p : probes) {
    warp_pointer(p.x, p.y);
    list_last(Heroes);
    EXPECT_EQ(hero_at_pointer(), p.hit) << p.x << "," << p.y;
    if (p.hit) EXPECT_EQ(list_current(Heroes), hero);
    else EXPECT_EQ(list_index(Heroes), 0) << "a miss leaves the first hero current";
  }
  // The view's origin and zoom count: at zoom 50 window x 10 is map x 20.
  MapView.zoom = 50;
  MapView.origin_x = 90;
  MapView.origin_y = 40;
  warp_pointer(10, 10);  // map (110, 60)
  EXPECT_TRUE(hero_at_pointer());
  EXPECT_EQ(list_current(Heroes), hero);
}

TEST_F(MouseTest, TopmostPieceWinsAndSkipPassesOverOne) {
  add(Transports, 200, 200);
  Piece* upper = add(Transports, 210, 205);
  warp_pointer(215, 210);
  EXPECT_TRUE(piece_at_pointer(Transports, -1));
  EXPECT_EQ(list_current(Transports), upper);
  EXPECT_TRUE(piece_at_pointer(Transports, 1));
  EXPECT_EQ(list_index(Transports), 0);
  EXPECT_FALSE(piece_at_pointer(Transports, 0) && list_index(Transports) == 0);
  // An empty list finds nothing.
  EXPECT_FALSE(piece_at_pointer(Graves, -1));
  warp_pointer(500, 500);
  EXPECT_FALSE(piece_at_pointer(Transports, -1));
  EXPECT_EQ(list_index(Transports), 0);
}

TEST_F(MouseTest, HoverLabelShowsTheGraveUnderATransport) {
  Inscriptions[3] = u"RIP Hagen";
  Inscriptions[4] = u"Karren";
  add(Graves, 100, 100, 3);
  add(Transports, 105, 104, 4);
  warp_pointer(110, 110);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"RIP Hagen");
  EXPECT_EQ(HoverLabel.x, 110);
  EXPECT_EQ(HoverLabel.y, 110);
  // A press there picks the transport (hero, transport, grave).
  EXPECT_FALSE(hero_at_pointer());
  EXPECT_TRUE(piece_at_pointer(Transports, -1));
  // Only the transport: its inscription.
  warp_pointer(125, 118);
  on_mouse_move();
  EXPECT_EQ(HoverLabel.text, u"Karren");
  // Nothing: the text goes, the position stays.
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
  Piece* grave = add(Graves, 10, 10);
  InteractionMode = 3;
  list_last(Graves);
  warp_pointer(300, 200);
  on_mouse_move();
  EXPECT_EQ(int32_t{grave->x}, 300 - 12);
  EXPECT_EQ(int32_t{grave->y}, 200 - 8);
  EXPECT_EQ(UnsavedChanges, 1);
  // Left of the view: stops at the origin.
  MapView.origin_x = 100;
  warp_pointer(2, 200);
  on_mouse_move();
  EXPECT_EQ(int32_t{grave->x}, 100);

  // A 1000-pixel map in a 1200-pixel view (zoom 50, canvas 600): with the
  // pointer at map x 1190 the view rule would put the piece at 1168, outside
  // the picture; it stops at map_width - w.
  MapView.origin_x = 0;
  MapView.map_width = 1000;
  MapView.zoom = 50;
  MapView.canvas_width = 600;
  Piece* hero = add(Heroes, 25, 20);
  list_last(Trails);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
  InteractionMode = 2;
  warp_pointer(595, 100);  // map (1190, 200)
  on_mouse_move();
  EXPECT_EQ(int32_t{hero->x}, 1000 - 32);
  EXPECT_EQ(int32_t{hero->y}, 200 - 16);
  EXPECT_EQ(trail->points[0].x, 968 + 16) << "the hero's trail records its new centre";
  EXPECT_EQ(trail->points[1].x, 41);
  // At map x 1184 the third rule already gives the same.
  warp_pointer(592, 100);
  on_mouse_move();
  EXPECT_EQ(int32_t{hero->x}, 968);

  // Outside the gadget area: only UnsavedChanges.
  UnsavedChanges = 0;
  gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + window_width(MainWindow) + 50), 5);
  on_mouse_move();
  EXPECT_EQ(UnsavedChanges, 1);
  EXPECT_EQ(int32_t{hero->x}, 968);
}

TEST_F(MouseTest, PanningMovesTheOriginByThePointersMovement) {
  int work = make_image(2000, 1500, false, [](int, int) { return Rgba{1, 2, 3, 255}; });
  int saved_work = MapView.work_image;
  MapView.work_image = work;
  MapView.zoom = 50;
  MapView.canvas_width = 800;  // shows 1600 map pixels
  MapView.canvas_height = 575;  // shows 1150
  MapView.origin_x = 100;
  MapView.origin_y = 100;
  InteractionMode = 4;
  PanStart = PanStartRecord{200, 200};
  warp_pointer(210, 195);
  on_mouse_move();
  EXPECT_EQ(MapView.origin_x, 90);
  EXPECT_EQ(MapView.origin_y, 105);
  EXPECT_EQ(PanStart.x, 210);
  EXPECT_EQ(PanStart.y, 195);
  // Clamped at 0 and at the last origin that still fills the canvas.
  warp_pointer(400, 5);
  on_mouse_move();
  EXPECT_EQ(MapView.origin_x, 0);
  EXPECT_EQ(MapView.origin_y, 295);
  PanStart.y = 500;
  on_mouse_move();
  EXPECT_EQ(MapView.origin_y, 1500 - 1150);
  // A map whose scaled width fits the canvas keeps origin_x at 0.
  MapView.zoom = 25;  // 500 x 375 on the screen
  MapView.origin_x = 30;
  MapView.origin_y = 30;
  warp_pointer(100, 100);
  on_mouse_move();
  EXPECT_EQ(MapView.origin_x, 0);
  EXPECT_EQ(MapView.origin_y, 0);
  MapView.work_image = saved_work;
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
  EXPECT_EQ(MapMarker.x, 47);
  EXPECT_EQ(MapMarker.y, 63);
  EXPECT_EQ(MapMarker.active, 1);
  EXPECT_EQ(MapMarker.start_ms, 123456);
  EXPECT_TRUE(map_animating());
}

}  // namespace
