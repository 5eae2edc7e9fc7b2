// The players' view over loopback: what the program serves against its
// layout and the export, the versions on the event stream, and a flood of
// half-open connections that leaves the page and saving working.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/share/share.h"
#include "runtime/net/http_server.h"
#include "runtime/net/http_server_testing.h"
#include "support/http_client.h"

namespace {

using Rgb = std::vector<uint8_t>;

Rgba map_colour(int x, int y) { return {uint8_t(x * 3 + y), uint8_t(y * 5), uint8_t(x ^ y), 255}; }
Rgba piece_colour(int x, int y) { return {uint8_t(x * 40), uint8_t(200 - y * 9), 77, uint8_t(x * 23 + y * 11)}; }

class ShareServer : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_state();
    MapView.map_image = make_image(W, H, false, map_colour);
    MapView.map_width = W, MapView.map_height = H, MapView.canvas_width = 400, MapView.canvas_height = 200;
    list_add(GraveCatalog)->picture = make_image(30, 20, true, piece_colour);
    list_add(PlayerCatalog)->picture = make_image(32, 32, true, piece_colour);
    Inscriptions[1] = u"<img src=x onerror=alert(1)> Ruhe";
    put_piece(Graves, 290, 10, 1), put_piece(Heroes, 100, 100);
    std::string error;
    ASSERT_TRUE(share_start(0, false, &error)) << error;
    port = http_server_port();
    base = "/" + http_server_key() + "/";
  }
  void TearDown() override {
    share_stop();
    for (List<CatalogEntry>* c : {GraveCatalog, PlayerCatalog}) image_free(list_select(c, 0)->picture);
    image_free(MapView.map_image);
    fresh_state();
  }
  // Tile (x, y) of level 0 against the export's pixels there.
  void expect_tile_is_export(int tx, int ty) {
    HttpResponse r = http_fetch(port, base + "tiles/0/" + std::to_string(tx) + "/" + std::to_string(ty) + ".png");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.headers["content-type"], "image/png");
    EXPECT_EQ(r.headers["x-layout-version"], std::to_string(share_version()));
    int w, h;
    Rgb tile = rgb_of_png(r.body, &w, &h), all = exported_rgb();
    ASSERT_EQ(w, std::min(256, W - 256 * tx));
    for (int i = 0; i < h; i++)
      EXPECT_TRUE(std::equal(tile.begin() + i * w * 3, tile.begin() + (i + 1) * w * 3,
                             all.begin() + ((ty * 256 + i) * W + tx * 256) * 3))
          << "row " << i;
  }
  static constexpr int W = 600, H = 300;
  int port = 0;
  std::string base;
};

TEST_F(ShareServer, LayoutPicturesAndOneEventPerVersion) {
  HttpResponse r = http_fetch(port, base + "layout.json");
  EXPECT_EQ(std::tuple(r.status, r.headers["content-type"]), std::tuple(200, "application/json"));
  for (auto [path, value] : {std::pair{"$.version", "1"}, {"$.view.width", "400"}, {"$.view.height", "200"},
                             {"$.pieces[0].text", "<img src=x onerror=alert(1)> Ruhe"}})
    EXPECT_EQ(json_at(r.body, path), value) << path;

  expect_tile_is_export(1, 0);  // the grave over the tile's edge
  expect_tile_is_export(2, 1);  // the corner tile, 88 x 44
  for (auto [tile, status] : {std::pair{"0/3/0", 404}, {"1/0/0", 200}, {"2/0/0", 200} /* 150 x 75: the last level */,
                              {"3/0/0", 404}, {"0/00/0", 200}, {"0/-1/0", 404}})
    EXPECT_EQ(http_fetch(port, base + "tiles/" + tile + ".png?v=1").status, status) << tile;
  // A path the program does not know, a tile that does not exist and a wrong key: the same 404.
  std::string wrong_key = http_fetch(port, "/x" + base.substr(2) + "layout.json").body;
  for (const char* unknown : {"nothing", "tiles/0/3/0.png"}) EXPECT_EQ(http_fetch(port, base + unknown).body, wrong_key);
  EXPECT_TRUE(rgb_of_png(http_fetch(port, base + "map.png").body) == exported_rgb());

  // A move is one version on the event stream within 100 ms; moves within
  // 100 ms of each other are one version; the view and the marker follow.
  EventReader events(port, base + "events");
  ASSERT_TRUE(loop_until([&] { return events.received().find("200 OK") != std::string::npos; }));
  list_select(Heroes, 0)->x = 400;
  share_tick();
  auto moved = std::chrono::steady_clock::now();
  ASSERT_TRUE(loop_until([&] { return events.received().find("data: {\"version\":2}") != std::string::npos; }));
  EXPECT_LT(std::chrono::steady_clock::now() - moved, std::chrono::milliseconds(200));
  expect_tile_is_export(1, 0);
  for (int x : {410, 420, 430}) {
    list_select(Heroes, 0)->x = x;
    share_tick();
    loop_until([] { return false; }, 0.02);
  }
  ASSERT_TRUE(loop_until([&] { return events.received().find("{\"version\":3}") != std::string::npos; }));
  loop_until([] { return false; }, 0.3);
  EXPECT_EQ(events.received().find("{\"version\":4}"), std::string::npos);
  MapView.origin_x = 50;
  MapMarker.active = 1, MapMarker.x = 7, MapMarker.y = 8;
  share_tick();
  ASSERT_TRUE(loop_until([&] {
    return events.received().find("event: view\ndata: {\"x\":50,\"y\":0,\"width\":400,\"height\":200,\"zoom\":100}") !=
           std::string::npos;
  }));
  std::string all = events.received();
  EXPECT_NE(all.find("event: marker\ndata: {\"x\":7,\"y\":8}"), std::string::npos);
  EXPECT_EQ(all.find("event: layout"), all.rfind("event: layout", all.find("{\"version\":2}")));  // each version once
}

TEST_F(ShareServer, AFloodOfHalfOpenConnectionsLeavesThePageAndSaving) {
  net_raise_file_limit();
  share_stop();
  http_server_set_request_timeout_for_tests(1000);
  std::string error;
  ASSERT_TRUE(share_start(port, false, &error)) << error;
  base = "/" + http_server_key() + "/";
  std::vector<int> sockets;
  std::atomic<bool> opened{false};
  std::thread flood([&] {
    for (int i = 0; i < 2000; i++) sockets.push_back(loopback_connect(port));
    opened = true;
  });
  ASSERT_TRUE(loop_until([&] { return opened.load(); }, 30));
  flood.join();
  loop_until([] { return false; }, 0.3);
  EXPECT_LE(http_server_connections(), 256);
  // Saving needs files of its own while the flood holds its connections;
  // once the flood's requests have timed out, the page is served again.
  TempDir dir;
  EXPECT_TRUE(write_formation(string_from_utf8(dir.path("plan.tvf"))));
  EXPECT_TRUE(loop_until([] { return http_server_connections() == 0; }, 5));
  EXPECT_EQ(http_fetch(port, base).status, 200);
  for (int fd : sockets) if (fd >= 0) close(fd);
  http_server_set_request_timeout_for_tests(10000);
}

}  // namespace
