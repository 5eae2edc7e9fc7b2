// The piece picker: placement at the pointer, the grid's cells, the random
// cell, empty cells and cancelling.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "test_render_support.h"

namespace {

class PickerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!ensure_main_window()) return;
    // A program directory with the random-cell picture.
    dir_ = "/tmp/tavrel-picker-" + std::to_string(getpid()) + "/";
    mkdir(dir_.c_str(), 0755);
    mkdir((dir_ + "pics").c_str(), 0755);
    GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 20, 10);
    gdk_pixbuf_fill(p, 0x0000FFFF);  // opaque blue
    gdk_pixbuf_save(p, (dir_ + "pics/rnd.png").c_str(), "png", nullptr, nullptr);
    g_object_unref(p);
    for (int i = 0; i < 7; i++)
      colours_.push_back(make_image(20, 10, false, [i](int, int) { return Rgba{uint8_t(10 + i * 30), 200, 0, 255}; }));
  }
  static void TearDownTestSuite() {
    if (dir_.empty()) return;
    unlink((dir_ + "pics/rnd.png").c_str());
    rmdir((dir_ + "pics").c_str());
    rmdir(dir_.c_str());
  }
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    saved_dir_ = ProgramDir;
    ProgramDir = string_from_utf8(dir_);
    catalog_ = list_new<CatalogEntry>();
    for (int c : colours_) {
      list_last(catalog_);
      list_add(catalog_)->picture = c;
    }
    gui_discard_events();
  }
  void TearDown() override {
    if (IsSkipped()) return;
    ProgramDir = saved_dir_;
    list_free(catalog_);
  }

  // Opens the picker with the pointer at (x, y); then, once it is open, moves
  // the pointer to (cx, cy) and posts the given events; returns the choice.
  int pick(int x, int y, int cx, int cy, std::vector<std::pair<int64_t, int64_t>> events, int with_random = 1,
           List<CatalogEntry>* catalog = nullptr) {
    warp_pointer(x, y);
    gui_later(30, [=] {
      warp_pointer(cx, cy);
      for (auto [kind, type] : events) event_post(static_cast<int>(kind), PickerCanvas, MainWindow, type, nullptr, nullptr, PostNoCollapse);
    });
    return pick_catalog_entry(catalog ? catalog : catalog_, 20, 10, with_random);
  }
  static std::vector<std::pair<int64_t, int64_t>> click() { return {{EventGadget, LeftClick}}; }

  static std::string dir_;
  static std::vector<int> colours_;
  String saved_dir_;
  List<CatalogEntry>* catalog_ = nullptr;
};
std::string PickerTest::dir_;
std::vector<int> PickerTest::colours_;

TEST_F(PickerTest, GridSitsOnThePointerAndCellsChooseEntries) {
  // 7 entries and the random cell: 2 rows of 5 cells of 20 x 10, grid 100 x 20
  // at (100 - 10, 100 - 5).
  EXPECT_EQ(pick(100, 100, 91, 96, click()), 0);
  EXPECT_EQ(gadget_x(PickerCanvas), 90);
  EXPECT_EQ(gadget_y(PickerCanvas), 95);
  EXPECT_EQ(gadget_width(PickerCanvas), 100);
  EXPECT_EQ(gadget_height(PickerCanvas), 20);
  EXPECT_FALSE(gadget_visible(PickerCanvas)) << "hidden again";
  EXPECT_EQ(pick(100, 100, 90 + 79, 95 + 9, click()), 3);
  EXPECT_EQ(pick(100, 100, 90 + 20, 95 + 10, click()), 6);  // row 1, column 1
  // The eighth cell is the random cell, the ninth and tenth are empty.
  for (int i = 0; i < 10; i++) {
    int choice = pick(100, 100, 90 + 45, 95 + 15, click());
    EXPECT_GE(choice, 0);
    EXPECT_LE(choice, 6);
  }
  EXPECT_EQ(pick(100, 100, 90 + 65, 95 + 15, click()), -1);
  EXPECT_EQ(pick(100, 100, 90 + 99, 95 + 19, click()), -1);
  // Outside the grid.
  EXPECT_EQ(pick(100, 100, 89, 100, click()), -1);
  EXPECT_EQ(pick(100, 100, 190, 100, click()), -1);
  // Without the random cell the eighth cell is empty.
  EXPECT_EQ(pick(100, 100, 90 + 45, 95 + 15, click(), 0), -1);
}

TEST_F(PickerTest, ShowsThePicturesAndTheRandomCell) {
  warp_pointer(200, 200);
  uint8_t cell0[3] = {}, cell7[3] = {}, cell9[3] = {};
  gui_later(30, [&] {
    DrawTarget* t = canvas_output(PickerCanvas);
    ASSERT_NE(t, nullptr);
    auto at = [&](int x, int y, uint8_t* out) { std::memcpy(out, t->pixels + y * t->stride + x * 3, 3); };
    at(5, 5, cell0);
    at(45, 15, cell7);
    at(85, 15, cell9);
    event_post(EventGadget, PickerCanvas, MainWindow, RightClick);
  });
  EXPECT_EQ(pick_catalog_entry(catalog_, 20, 10, 1), -1);
  EXPECT_EQ(cell0[0], 10);
  EXPECT_EQ(cell0[1], 200);
  EXPECT_EQ(cell7[2], 255) << "rnd.png in the cell after the last entry";
  EXPECT_EQ(cell7[0], 0);
  EXPECT_EQ(cell9[0] + cell9[1] + cell9[2], 3 * 255) << "empty cells stay white";
}

TEST_F(PickerTest, PlacedInsideNearTheBottomRightOnly) {
  int64_t w = window_width(MainWindow), h = window_height(MainWindow);
  pick(static_cast<int>(w - 3), static_cast<int>(h - 2), 10, 10, click());
  EXPECT_EQ(gadget_x(PickerCanvas), w - 100);
  EXPECT_EQ(gadget_y(PickerCanvas), h - 20);
  pick(2, 3, 10, 10, click());
  EXPECT_EQ(gadget_x(PickerCanvas), -8);
  EXPECT_EQ(gadget_y(PickerCanvas), -2);
}

TEST_F(PickerTest, CancelledByRightClickOrMenuButNotByClose) {
  EXPECT_EQ(pick(100, 100, 95, 97, {{EventGadget, RightClick}}), -1);
  EXPECT_EQ(pick(100, 100, 95, 97, {{EventMenu, 0}}), -1);
  // CloseWindow and other events are dropped; the next click decides.
  EXPECT_EQ(pick(100, 100, 91, 96, {{EventCloseWindow, 0}, {EventGadget, MouseMove}, {EventGadget, LeftClick}}), 0);
}

TEST_F(PickerTest, EmptyCatalog) {
  List<CatalogEntry>* empty = list_new<CatalogEntry>();
  // Without the random cell the grid has no rows: any click gives -1.
  EXPECT_EQ(pick(100, 100, 100, 100, click(), 0, empty), -1);
  // With it, the random cell has no entry to stand for: -1 as well.
  EXPECT_EQ(pick(100, 100, 91, 96, click(), 1, empty), -1);
  list_free(empty);
}

}  // namespace
