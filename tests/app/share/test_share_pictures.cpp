// The players' view without the network: every tile level against the export
// halved, kept levels brought up to date, and layout.json.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/share/layout_json.h"
#include "app/share/layout_picture.h"
#include "app/share/tile_pyramid.h"

namespace {

using Rgb = std::vector<uint8_t>;

Rgba map_colour(int x, int y) { return {uint8_t(x * 7 + y), uint8_t(y * 3), uint8_t(x ^ y), uint8_t(x + y * 5)}; }
Rgba piece_colour(int x, int y) { return {uint8_t(x * 40), uint8_t(200 - y * 9), 77, uint8_t(x * 23 + y * 11)}; }

// A picture held as R G B rows.
struct Level {
  int64_t w = 0, h = 0;
  Rgb px;
};

void finish(TilePyramid& p) {
  while (!p.work(1000)) {
  }
}

// The level assembled from all its tiles, checking each tile's size.
Level from_tiles(const TilePyramid& p, int level, int64_t map_w, int64_t map_h) {
  Level l{level_size(map_w, level), level_size(map_h, level), {}};
  l.px.assign(l.w * l.h * 3, 0);
  for (int64_t ty = 0; ty * TileSize < l.h; ty++)
    for (int64_t tx = 0; tx * TileSize < l.w; tx++) {
      Rgb tile;
      int64_t w = 0, h = 0;
      EXPECT_TRUE(p.tile(level, tx, ty, &tile, &w, &h));
      EXPECT_EQ(w, std::min(TileSize, l.w - tx * TileSize));
      EXPECT_EQ(h, std::min(TileSize, l.h - ty * TileSize));
      for (int64_t i = 0; i < h; i++)
        std::copy_n(tile.begin() + i * w * 3, w * 3, l.px.begin() + ((ty * TileSize + i) * l.w + tx * TileSize) * 3);
    }
  return l;
}

// Each pixel the rounded mean of the (up to four) pixels below it.
Level halved(const Level& a) {
  Level b{(a.w + 1) / 2, (a.h + 1) / 2, {}};
  for (int64_t y = 0; y < b.h; y++)
    for (int64_t x = 0; x < b.w; x++)
      for (int c = 0; c < 3; c++) {
        int s = 0, n = 0;
        for (int64_t yy = 2 * y; yy < std::min(2 * y + 2, a.h); yy++)
          for (int64_t xx = 2 * x; xx < std::min(2 * x + 2, a.w); xx++) s += a.px[(yy * a.w + xx) * 3 + c], n++;
        b.px.push_back(uint8_t((s + n / 2) / n));
      }
  return b;
}

class SharePictures : public ::testing::Test {
 protected:
  // A map of odd size with four levels, pieces over its edges and over each other.
  void build(bool map_alpha) {
    fresh_state();
    MapView.map_image = make_image(W, H, map_alpha, map_colour);
    MapView.map_width = W, MapView.map_height = H;
    list_add(GraveCatalog)->picture = make_image(30, 20, true, piece_colour);
    list_add(PlayerCatalog)->picture = make_image(33, 33, true, piece_colour);
    list_add(TransportCatalog)->picture = make_image(25, 17, false, piece_colour);
    Inscriptions[1] = u"<b>Hier</b> & \"dort\" </script>";
    put_piece(Graves, -10, 500, 1), put_piece(Graves, 1090, 690), put_piece(Transports, 511, 255);
    put_piece(Heroes, 500, 250), put_piece(Heroes, 1023, 767);
  }
  void TearDown() override {
    for (List<CatalogEntry>* c : {GraveCatalog, TransportCatalog, PlayerCatalog})
      if (list_size(c)) image_free(list_select(c, 0)->picture);
    image_free(MapView.map_image);
    fresh_state();
  }
  static constexpr int W = 1100, H = 777;
};

TEST_F(SharePictures, EveryLevelIsTheExportHalvedAndAChangeKeepsThemExact) {
  for (bool map_alpha : {false, true}) {
    SCOPED_TRACE(map_alpha ? "RGBA map" : "RGB map");
    build(map_alpha);
    ASSERT_EQ(tile_levels(W, H), 4);  // 1100 x 777, 550 x 389, 275 x 195, 138 x 98
    TilePyramid pyramid, fresh;
    pyramid.reset(capture_layout());
    finish(pyramid);
    int w = 0, h = 0;
    Level expected{0, 0, exported_rgb(&w, &h)};
    expected.w = w, expected.h = h;
    for (int level = 0; level < 4; level++) {
      Level got = from_tiles(pyramid, level, W, H);
      ASSERT_EQ(std::pair(got.w, got.h), std::pair(expected.w, expected.h));
      EXPECT_TRUE(got.px == expected.px) << "level " << level;
      expected = halved(expected);
    }

    // A hero moved, a grave's text and place changed, the transport's
    // picture drawn anew: the kept levels brought up to date where it
    // changed equal the levels built anew.
    auto before = capture_layout();
    list_select(Heroes, 0)->x = 20, list_select(Heroes, 0)->y = 30;
    list_select(Graves, 1)->x = 600, list_select(Graves, 1)->inscription = 1;
    image_output(list_select(TransportCatalog, 0)->picture)->pixels[0] ^= 0xFF;
    auto after = capture_layout();
    EXPECT_FALSE(same_layout(*before, *after));
    pyramid.update(after, changed_rects(*before, *after));
    fresh.reset(after);
    finish(pyramid), finish(fresh);
    for (int level = 0; level < 4; level++)
      EXPECT_TRUE(from_tiles(pyramid, level, W, H).px == from_tiles(fresh, level, W, H).px) << "level " << level;
    TearDown();
  }
}

TEST_F(SharePictures, LayoutJsonTellsThePiecesAsText) {
  build(false);
  std::string text = layout_json(7, *capture_layout(), SharedView{10, 20, 300, 200, 50}, SharedMarker{true, 4, 5},
                                 false, {MapRect{1, 2, 3, 4}});
  for (auto [path, value] : {std::pair{"$.version", "7"}, {"$.map.width", "1100"}, {"$.map.height", "777"},
                             {"$.view.zoom", "50"}, {"$.view.height", "200"}, {"$.marker.y", "5"},
                             {"$.pieces[*].kind", "grave,grave,transport,hero,hero"},  // the drawing order
                             {"$.pieces[0].text", "<b>Hier</b> & \"dort\" </script>"}, {"$.pieces[0].x", "-10"},
                             {"$.pieces[0].width", "30"}, {"$.pieces[4].height", "33"}, {"$.changed[0][3]", "4"}})
    EXPECT_EQ(json_at(text, path), value) << path;
  EXPECT_EQ(marker_json(SharedMarker{}), "null");
}

}  // namespace
