// Pictures of the layout: the whole map against a composition computed here,
// the view against the map canvas, the menu commands and failed exports.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <map>

#include "../app_support.h"
#include "app/export/export_commands.h"
#include "app/export/export_picture.h"
#include "app/formation/formation.h"

namespace {

// The map and the piece pictures: every alpha value occurs, 0 and 255
// included; the transport has no alpha channel.
Rgba map_colour(int x, int y) { return {uint8_t(x * 6), uint8_t(y * 8 + 1), uint8_t(x * y), uint8_t(x * 7 + y * 3)}; }
Rgba grave_colour(int x, int y) { return {200, uint8_t(x * 30), 10, uint8_t(x * 40 + y * 45)}; }
Rgba transport_colour(int x, int y) { return {uint8_t(x * 20), 90, uint8_t(y * 50), 255}; }
Rgba hero_colour(int x, int y) { return {uint8_t(255 - x), 250, uint8_t(y * 28), uint8_t(x * y * 3)}; }
struct Picture {
  int w, h;
  bool alpha;
  Rgba (*colour)(int, int);
};
const Picture Map{80, 60, false, map_colour}, Grave{8, 6, true, grave_colour}, Transport{7, 5, false, transport_colour},
    Hero{9, 9, true, hero_colour};
using Rgb = std::vector<uint8_t>;

// The layout drawn here pixel by pixel: over an RGB map (s a + d (255 - a)) / 255, over an RGBA map the
// non-premultiplied "over"; pictures without alpha copied; cut at the map's edge.
Rgb composition(bool map_alpha, const std::vector<std::tuple<Picture, int, int>>& pieces) {
  std::vector<std::array<int, 4>> px;
  for (int i = 0; i < Map.w * Map.h; i++) {
    Rgba c = map_colour(i % Map.w, i / Map.w);
    px.push_back({c.r, c.g, c.b, map_alpha ? c.a : 255});
  }
  for (auto [pic, x0, y0] : pieces)
    for (int y = std::max(0, -y0); y < pic.h && y0 + y < Map.h; y++)
      for (int x = std::max(0, -x0); x < pic.w && x0 + x < Map.w; x++) {
        auto& d = px[(y0 + y) * Map.w + x0 + x];
        Rgba c = pic.colour(x, y);
        int s[3] = {c.r, c.g, c.b}, a = pic.alpha ? c.a : 255, b = d[3], all = a * 255 + b * (255 - a);
        for (int k = 0; k < 3; k++) {
          if (!pic.alpha) d[k] = s[k];
          else if (!map_alpha) d[k] = (s[k] * a + d[k] * (255 - a)) / 255;
          else if (a > 0) d[k] = b == 0 ? s[k] : (d[k] * (255 - a) * b + s[k] * a * 255) / all;
        }
        if (map_alpha && pic.alpha && a > 0) d[3] = all / 255;
      }
  Rgb out;
  for (auto& p : px) out.insert(out.end(), {uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2])});
  return out;
}

// R G B of a picture file as the program loads it, with its size.
Rgb pixels_of(const std::string& path, int* w = nullptr, int* h = nullptr) {
  return rgb_of(image_load(AnyNumber, string_from_utf8(path)), w, h);
}

// The text chunks of a PNG file, read by hand: tEXt is keyword, 0, text; iTXt keyword, 0, compression
// flag and method, language, 0, translated keyword, 0, text.
std::multimap<std::string, std::string> texts_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string f((std::istreambuf_iterator<char>(in)), {});
  std::multimap<std::string, std::string> texts;
  for (size_t at = 8, n; at + 12 <= f.size(); at += 12 + n) {
    n = size_t(uint8_t(f[at])) << 24 | uint8_t(f[at + 1]) << 16 | uint8_t(f[at + 2]) << 8 | uint8_t(f[at + 3]);
    std::string type = f.substr(at + 4, 4), data = f.substr(at + 8, n);
    size_t key = data.find('\0');
    if (type == "tEXt") texts.emplace(data.substr(0, key), data.substr(key + 1));
    size_t text = data.find('\0', data.find('\0', key + 3) + 1) + 1;  // after language and translated keyword
    if (type == "iTXt") texts.emplace(data.substr(0, key), data.substr(text));
  }
  return texts;
}

class ExportTest : public ::testing::Test {
 protected:
  // The catalogs and a layout on the map: graves (one over the top-left edge, one outside the map, one
  // without a picture), a transport over the first grave, heroes over both and over the bottom-right edge.
  void build(bool map_alpha) {
    fresh_state();
    MapView.map_image = make_image(Map.w, Map.h, map_alpha, map_colour);
    MapView.work_image = image_share(MapView.map_image, AnyNumber);
    MapView.map_width = Map.w, MapView.map_height = Map.h, MapView.level_name = u"Testland";
    list_add(GraveCatalog)->picture = make_image(Grave.w, Grave.h, true, grave_colour);
    list_add(TransportCatalog)->picture = make_image(Transport.w, Transport.h, false, transport_colour);
    list_add(PlayerCatalog)->picture = make_image(Hero.w, Hero.h, true, hero_colour);
    Inscriptions[1] = u"RIP 12.03.2024 Anna Björk", Inscriptions[2] = u"Karren", Inscriptions[3] = u"weg";
    Inscriptions[4] = u"ohne Bild";
    put_piece(Graves, 5, 5, 1), put_piece(Graves, -3, -2), put_piece(Graves, 100, 100, 3);
    put_piece(Graves, 20, 20, 4, 7);
    put_piece(Transports, 8, 7, 2), put_piece(Heroes, 75, 55), put_piece(Heroes, 10, 6);
    expected =
        composition(map_alpha, {{Grave, 5, 5}, {Grave, -3, -2}, {Transport, 8, 7}, {Hero, 75, 55}, {Hero, 10, 6}});
  }
  void TearDown() override {
    for (List<CatalogEntry>* c : {GraveCatalog, TransportCatalog, PlayerCatalog})
      if (list_size(c)) image_free(list_select(c, 0)->picture);
    image_free(MapView.work_image), image_free(MapView.map_image);
    fresh_state();
  }
  std::string path(const std::string& name) { return dir.path(name); }
  Rgb expected;
  TempDir dir;
};

TEST_F(ExportTest, TheWholeMapIsTheCompositionAndItsTextsNameEveryInscription) {
  for (bool map_alpha : {false, true}) {
    build(map_alpha);
    ASSERT_EQ(export_map_picture(dir.upath("map.png"), ExportOptions()), ExportResult::Written);
    int w = 0, h = 0;
    EXPECT_TRUE(pixels_of(path("map.png"), &w, &h) == expected) << "map with alpha: " << map_alpha;
    EXPECT_EQ(std::pair(w, h), std::pair(80, 60));
    EXPECT_EQ(texts_of(path("map.png")), (std::multimap<std::string, std::string>{
                                             {"Software", "Tavrel"}, {"Title", "Testland"},
                                             {"Grabstein", "5,5: RIP 12.03.2024 Anna Björk"},
                                             {"Transportmittel", "8,7: Karren"}}));
    // At 50 % what the view shows at zoom 50: gdk-pixbuf's nearest neighbour of 2j, 2i is 2j + 1, 2i + 1.
    ASSERT_EQ(export_map_picture(dir.upath("half.png"), ExportOptions{50, false}), ExportResult::Written);
    Rgb half;
    for (int i = 0; i < 40 * 30; i++)
      for (int k = 0; k < 3; k++) half.push_back(expected[((i / 40 * 2 + 1) * 80 + i % 40 * 2 + 1) * 3 + k]);
    EXPECT_TRUE(pixels_of(path("half.png")) == half);
    EXPECT_EQ(texts_of(path("half.png")).find("Transportmittel")->second, "4,3: Karren");
    EXPECT_EQ(std::tuple(UnsavedChanges, list_size(Graves), int32_t{list_select(Heroes, 1)->x}),
              std::tuple(uint8_t{0}, int64_t{4}, 10));  // the layout is only read
    TearDown();
  }
}

// Labels: the inscription on a box right of its piece, or left of it where the picture ends; nothing
// else changes.
TEST_F(ExportTest, InscriptionsAsLabelsBesideTheirPieces) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";  // text needs the toolkit's font
  build(false);
  Inscriptions[1] = u"A", list_select(Transports, 0)->x = 70;
  ASSERT_EQ(export_map_picture(dir.upath("plain.png"), ExportOptions()), ExportResult::Written);
  ASSERT_EQ(export_map_picture(dir.upath("labels.png"), ExportOptions{100, true}), ExportResult::Written);
  Rgb plain = pixels_of(path("plain.png")), labels = pixels_of(path("labels.png"));
  int aw = text_width(u"A") + 4, kw = text_width(u"Karren") + 4, h = text_height(u"A") + 4, in[3] = {0, 0, 0};
  for (int i = 0; i < Map.w * Map.h; i++) {  // the grave's box 2 pixels right of it, Karren's 2 left of x 70
    int x = i % Map.w, y = i / Map.w;
    int box = x >= 15 && x < 15 + aw && y >= 5 && y < 5 + h ? 1 : x >= 68 - kw && x < 68 && y >= 7 && y < 7 + h ? 2 : 0;
    in[box] += !std::equal(&plain[i * 3], &plain[i * 3 + 3], &labels[i * 3]);
  }
  EXPECT_EQ(std::tuple(in[0], in[1] > aw * h / 2, in[2] > kw * h / 2), std::tuple(0, true, true));
}

// The view: what draw_map puts on the map canvas at the current zoom and origin, without the marker and
// the hover label, which stay on the canvas; only the inscriptions it shows.
TEST_F(ExportTest, TheViewIsWhatTheCanvasShowsWithoutMarkerAndLabel) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";
  build(true);
  resize_map_canvas();
  MapView.zoom = 57, MapView.origin_x = 3, MapView.origin_y = -20;
  const DrawTarget* canvas = canvas_output(MapCanvas);
  auto canvas_pixels = [&] {
    draw_map();
    Rgb rgb;
    for (int y = 0; y < canvas->height; y++) {
      const uint8_t* row = canvas->pixels + y * canvas->stride;
      rgb.insert(rgb.end(), row, row + canvas->width * 3);
    }
    return rgb;
  };
  Rgb shown = canvas_pixels();
  ElapsedMsSource = [] { return int64_t{1000}; };
  MapMarker = MapMarkerRecord{900, list_select(PlayerCatalog, 0)->picture, 1, 10, 10, 9, 9};
  HoverLabel = HoverLabelRecord{20, 20, u"RIP"};
  ASSERT_TRUE(canvas_pixels() != shown);  // the marker and the label are on it
  ASSERT_EQ(export_view_picture(dir.upath("view.png")), ExportResult::Written);
  int w = 0, h = 0;
  EXPECT_TRUE(pixels_of(path("view.png"), &w, &h) == shown);
  EXPECT_EQ(std::tuple(w, h, MapMarker.active, HoverLabel.text),
            std::tuple(canvas->width, canvas->height, uint8_t{1}, String(u"RIP")));
  // The grave at x -1 + 5 * 57 / 100, y 11 + 5 * 57 / 100.
  EXPECT_EQ(texts_of(path("view.png")).find("Grabstein")->second, "1,13: RIP 12.03.2024 Anna Björk");
  std::vector<uint8_t> small(30 * 20 * 3);  // a canvas showing the grave but not the transport
  DrawTarget part{small.data(), 90, 30, 20, 3};
  MapTargetOverride = &part;
  MapView.zoom = 100, MapView.origin_x = MapView.origin_y = 0, list_select(Transports, 0)->x = 50;
  ASSERT_EQ(export_view_picture(dir.upath("part.png")), ExportResult::Written);
  auto texts = texts_of(path("part.png"));
  EXPECT_EQ(std::pair(texts.count("Grabstein"), texts.count("Transportmittel")), std::pair(size_t{1}, size_t{0}));
}

// The menu commands: the requester as the user sees it, the choices taken, the question, what a failure
// says; a full disk and a missing folder leave no file behind and an old picture as it was.
TEST_F(ExportTest, TheCommandsAndExportsThatFail) {
  build(false);
  std::vector<uint8_t> view(300 * 200 * 3);
  DrawTarget canvas{view.data(), 900, 300, 200, 3};
  MapTargetOverride = &canvas;
  image_free(MapView.map_image), image_free(MapView.work_image);  // a map that compresses badly
  MapView.map_image = make_image(600, 400, false, [](int x, int y) {
    uint32_t n = uint32_t(x * 2654435761u ^ y * 40503u);
    return Rgba{uint8_t(n >> 7), uint8_t(n >> 15), uint8_t(n >> 23), 255};
  });
  MapView.work_image = image_share(MapView.map_image, AnyNumber);
  chmod(dir.dir.c_str(), 0777);  // for the child without root rights
  dir.write("plan.png", "the old picture");
  chmod(path("plan.png").c_str(), 0666);
  std::vector<RequesterCall> calls;
  std::vector<RequesterChoice> offered;
  String answer = dir.upath("plan"), shown;
  requester_set_hook([&](const RequesterCall& call) {
    calls.push_back(call);
    if (call.save) offered = call.save->choices;
    if (call.save && offered.size() == 2) call.save->choices[0].selected = 2;  // 25 %
    if (call.flags == IconError) shown += call.text + u"|";
    return RequesterAnswer{ResultYes, call.kind == RequesterKind::SaveFile ? answer : u""};
  });
  EXPECT_TRUE(in_child(3000, [&] {
    return export_map_command(), shown == u"Das Bild konnte nicht vollständig geschrieben werden: Auf dem Datenträger "
                                          u"ist kein Platz mehr frei. Eine bereits vorhandene Datei ist unverändert "
                                          u"geblieben.|";
  }));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir), {}), 1);  // nothing left behind
  EXPECT_EQ(dir.read("plan.png"), "the old picture");
  // Asked with the level's name in the formation's folder; the old picture replaced after the question.
  FormationFolder = dir.upath(""), ExportFolder.clear(), answer = dir.upath("plan"), calls.clear();
  export_map_command();
  ASSERT_EQ(std::pair(calls.size(), offered.size()), std::pair(size_t{2}, size_t{2}));
  const String question = u"Die Datei „plan.png“ gibt es bereits. Soll sie ersetzt werden?";
  EXPECT_EQ(std::tuple(calls[0].default_text, calls[1].text, offered[0].selected, offered[1].selected),
            std::tuple(dir.upath("Testland.png"), question, 0, 0));  // 100 %, no labels
  int w = 0, h = 0;
  pixels_of(path("plan.png"), &w, &h);
  EXPECT_EQ(std::tuple(w, h, ExportFolder), std::tuple(150, 100, dir.upath("")));
  requester_set_hook(nullptr);
}

}  // namespace
