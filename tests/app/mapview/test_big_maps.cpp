// Big maps: the map picture held once, frames equal to the step-by-step drawing, maps
// too large to load reported, a 16384 x 16384 map with alpha (HugeMap: labelled "long").
#include <png.h>

#include "../app_support.h"
#include "app/mapview/render_reference.h"

namespace {

// A level whose map picture is a w x h RGBA PNG, written quickly.
void write_level(const TempProgramDir& dir, int w, int h) {
  dir.write("Varn.gxml", "<l><pic type=\"bg\">map.png</pic></l>");
  FILE* file = fopen((dir.path("pics/map.png")).c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 0);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, 0, 0, 0);
  png_write_info(png, info);
  std::vector<uint8_t> row(w * 4);
  for (int y = 0; y < h; png_write_row(png, row.data()), y++)
    for (int x = 0; x < w; x++)
      for (int c = 0; c < 4; c++)
        row[x * 4 + c] = uint8_t(c == 0 ? x : c == 1 ? y : c == 2 ? (x >> 8) ^ (y >> 6) : (x * y) >> 5);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  fclose(file);
}

// Frames by the steps and by draw_map in fresh canvases; see-through heroes at (x, y), (270, 270).
void expect_frames_agree(int32_t x, int32_t y, int32_t zoom, int32_t origin_x, int32_t origin_y) {
  if (list_size(Heroes) == 0) {
    list_add(PlayerCatalog)->picture =
        make_image(32, 32, true, [](int x, int y) { return Rgba{200, 40, 9, uint8_t(x * y)}; });
    put_piece(Heroes, 0, 0);
    put_piece(Heroes, 270, 270);
  }
  list_select(Heroes, 0)->x = x, list_select(Heroes, 0)->y = y;
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

TEST(BigMaps, TheMapIsHeldOnceAndTooLargeOnesAreReportedByFileAndSize) {
  fresh_state();
  TempProgramDir dir;
  RequesterLog log;
  write_level(dir, 40000, 1);  // wider than an image can be
  load_level(u"");
  write_level(dir, 300, 300);
  image_set_memory_limit(100000);  // more than it may take
  load_level(u"");
  image_set_memory_limit(0);
  ASSERT_EQ(XY(MapView.map_width, log.calls.size()), XY(0, 2));
  EXPECT_EQ(XY(log.calls[0].title == u"Tavrel", log.calls[1].flags), XY(true, IconError));
  EXPECT_NE(log.calls[0].text.find(u"map.png\" ist zu groß und wird nicht geladen: 40000 × 1"), String::npos);
  EXPECT_NE(log.calls[1].text.find(u"300 × 300 Bildpunkte brauchen 1 MB"), String::npos);
  load_level(u"");  // within the limit: loaded without a word, its pixels held once
  EXPECT_EQ(XY(image_width(MapView.work_image), log.calls.size()), XY(300, 2));
  EXPECT_EQ(image_view(MapView.work_image)->pixels, image_view(MapView.map_image)->pixels);
  expect_frames_agree(280, 280, 100, 0, 0);
  expect_frames_agree(100, 280, 100, 0, 0);  // the old place shows the map again
}

TEST(HugeMap, Rgba16384FramesEqualTheStepsAtTheFarCornerZoomedAndPanned) {
  fresh_state();
  TempProgramDir dir;
  RequesterLog log;  // a refused map gives no frames to compare, and no dialog
  write_level(dir, 16384, 16384);
  load_level(u"");
  expect_frames_agree(16364, 16354, 100, 16384 - 1286, 16384 - 775);
  expect_frames_agree(15700, 16000, 37, 16384 - 3475, 16384 - 2093);
  image_free(MapView.work_image);
  image_free(MapView.map_image);
}

}  // namespace
