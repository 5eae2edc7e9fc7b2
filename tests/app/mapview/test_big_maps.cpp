// Big maps: the level's map picture held once and frames drawn from it equal
// to the step-by-step drawing, maps too large to load reported, and a
// 16384 x 16384 map with alpha channel (HugeMap: labelled "long").
#include <png.h>

#include "../app_support.h"
#include "app/mapview/render_reference.h"
#include "runtime/media/drawing.h"

namespace {

void write_level(const TempProgramDir& dir) { dir.write("Varn.gxml", "<l><pic type=\"bg\">map.png</pic></l>"); }

// The frame drawn step by step and by draw_map into two fresh canvases.
void expect_frames_agree(int32_t zoom, int32_t origin_x, int32_t origin_y) {
  MapView.zoom = zoom, MapView.origin_x = origin_x, MapView.origin_y = origin_y;
  MapView.canvas_width = 1286, MapView.canvas_height = 775;
  std::vector<uint8_t> steps(1286 * 775 * 3), fast(steps.size(), 1);
  DrawTarget target{steps.data(), 1286 * 3, 1286, 775, 3};
  MapTargetOverride = &target;
  draw_map_reference();
  target.pixels = fast.data();
  draw_map();
  MapTargetOverride = nullptr;
  EXPECT_TRUE(steps == fast) << "zoom " << zoom << " at " << origin_x << ", " << origin_y;
}

// A hero with a half-transparent picture at (x, y).
void put_hero(int32_t x, int32_t y) {
  list_last(PlayerCatalog);
  list_add(PlayerCatalog)->picture = make_image(32, 32, true, [](int x, int y) { return Rgba{200, 40, 9, uint8_t(x * y)}; });
  put_piece(Heroes, x, y, 0, int32_t(list_size(PlayerCatalog) - 1));
}

TEST(BigMaps, TheMapIsHeldOnceAndTheStepsDrawingOnItsCopyNeverReachIt) {
  fresh_state();
  TempProgramDir dir;
  write_level(dir);
  save_picture(dir.path() + "pics/map.png", 300, 200, true, [](int x, int y) { return Rgba{uint8_t(x), uint8_t(y), 7, uint8_t(x + y)}; });
  load_level(u"");
  ASSERT_EQ(image_width(MapView.work_image), 300);
  EXPECT_EQ(image_view(MapView.work_image)->pixels, image_view(MapView.map_image)->pixels);
  put_hero(280, 180);
  expect_frames_agree(100, 0, 0);
  list_select(Heroes, 0)->x = 100;  // the hero's old place must show the map again
  expect_frames_agree(100, 0, 0);
  fresh_state();
}

TEST(BigMaps, AMapTooLargeToLoadIsReportedWithItsFileAndSize) {
  fresh_state();
  TempProgramDir dir;
  write_level(dir);
  dir.picture("pics/map.png", 300, 200);
  RequesterLog log;
  image_set_memory_limit(100000);
  load_level(u"");
  image_set_memory_limit(0);
  EXPECT_EQ(XY(MapView.map_image, MapView.map_width), XY(0, 0));
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0].title, u"Tavrel");
  EXPECT_EQ(log.calls[0].flags, IconError);
  for (const char16_t* part : {u"pics/map.png", u"300 × 200", u"1 MB"})
    EXPECT_NE(log.calls[0].text.find(part), String::npos) << string_to_utf8(part);
  load_level(u"");  // within the limit: loaded without a word
  EXPECT_EQ(XY(MapView.map_width, log.calls.size()), XY(300, 1));
  fresh_state();
}

TEST(HugeMap, Rgba16384FramesEqualTheStepsAtTheFarCornerZoomedAndPanned) {
  fresh_state();
  TempProgramDir dir;
  write_level(dir);
  const int size = 16384;
  FILE* file = fopen((dir.path() + "pics/map.png").c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 0);  // quick to write and to read
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, 0, 0, 0);
  png_write_info(png, info);
  std::vector<uint8_t> row(size * 4);
  for (int y = 0; y < size; y++) {
    for (int x = 0; x < size; x++) {
      uint8_t* p = &row[x * 4];
      p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t((x >> 8) ^ (y >> 6)), p[3] = uint8_t((x * y) >> 5);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  fclose(file);
  load_level(u"");
  ASSERT_EQ(XY(MapView.map_width, MapView.map_height), XY(size, size));
  put_hero(size - 20, size - 30);
  put_hero(size - 700, size - 400);
  expect_frames_agree(100, size - 1286, size - 775);
  expect_frames_agree(50, size - 2575, size - 1552);
  expect_frames_agree(25, 0, 0);
  image_free(MapView.work_image);
  image_free(MapView.map_image);
  fresh_state();
}

}  // namespace
