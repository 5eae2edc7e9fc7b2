// Pictures of the layout: the whole map against a composition computed here
// from the map and piece pictures, the view against the map canvas, the menu
// commands, failed exports, and the memory a 16384 x 16384 export takes
// (HugeMap: labelled "long").
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "../app_support.h"
#include "app/export/export_commands.h"
#include "app/export/export_picture.h"
#include "app/formation/formation.h"

namespace {

// Colours of the map and the piece pictures: each alpha value occurs, 0 and
// 255 included; the transport has no alpha channel.
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

// The layout drawn here pixel by pixel with the alpha-blend rules: over an
// RGB map each channel (s a + d (255 - a)) / 255; over an RGBA map the
// non-premultiplied "over"; pictures without alpha copied. Pieces are cut at
// the map's edge.
Rgb composition(bool map_alpha, const std::vector<std::tuple<Picture, int, int>>& pieces) {
  std::vector<std::array<int, 4>> px(Map.w * Map.h);
  for (int y = 0; y < Map.h; y++)
    for (int x = 0; x < Map.w; x++) {
      Rgba c = map_colour(x, y);
      px[y * Map.w + x] = {c.r, c.g, c.b, map_alpha ? c.a : 255};
    }
  for (auto [pic, px0, py0] : pieces)
    for (int y = 0; y < pic.h; y++)
      for (int x = 0; x < pic.w; x++) {
        if (px0 + x < 0 || py0 + y < 0 || px0 + x >= Map.w || py0 + y >= Map.h) continue;
        auto& d = px[(py0 + y) * Map.w + px0 + x];
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

// gdk-pixbuf's nearest-neighbour scaling of a composition.
Rgb scaled(const Rgb& rgb, int w, int h) {
  GdkPixbuf* full = gdk_pixbuf_new_from_data(rgb.data(), GDK_COLORSPACE_RGB, FALSE, 8, Map.w, Map.h, Map.w * 3,
                                             nullptr, nullptr);
  GdkPixbuf* small = gdk_pixbuf_scale_simple(full, w, h, GDK_INTERP_NEAREST);
  Rgb out;
  for (int y = 0; y < h; y++) {
    const uint8_t* row = gdk_pixbuf_read_pixels(small) + y * gdk_pixbuf_get_rowstride(small);
    out.insert(out.end(), row, row + w * 3);
  }
  g_object_unref(small), g_object_unref(full);
  return out;
}

// The pixels of a PNG file as the program loads it, R G B row by row; empty
// when it is not a 24-bit picture.
Rgb pixels_of(const std::string& path, int* w = nullptr, int* h = nullptr) {
  int image = image_load(AnyNumber, string_from_utf8(path));
  const DrawTarget* view = image_view(image);
  Rgb out;
  if (view && view->bytes_per_pixel == 3)
    for (int y = 0; y < view->height; y++)
      out.insert(out.end(), view->pixels + y * view->stride, view->pixels + y * view->stride + view->width * 3);
  if (w) *w = image_width(image);
  if (h) *h = image_height(image);
  image_free(image);
  return out;
}

// The text chunks of a PNG file, read by hand: tEXt is keyword, 0, text;
// iTXt keyword, 0, compression flag and method, language, 0, translated
// keyword, 0, text.
std::multimap<std::string, std::string> texts_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), {});
  std::multimap<std::string, std::string> texts;
  for (size_t at = 8; at + 12 <= file.size();) {
    size_t length = size_t(uint8_t(file[at])) << 24 | uint8_t(file[at + 1]) << 16 | uint8_t(file[at + 2]) << 8 |
                    uint8_t(file[at + 3]);
    std::string type = file.substr(at + 4, 4), data = file.substr(at + 8, length);
    size_t key_end = data.find('\0');
    if (type == "tEXt") texts.emplace(data.substr(0, key_end), data.substr(key_end + 1));
    if (type == "iTXt") {
      size_t language_end = data.find('\0', key_end + 3), translated_end = data.find('\0', language_end + 1);
      texts.emplace(data.substr(0, key_end), data.substr(translated_end + 1));
    }
    at += 12 + length;
  }
  return texts;
}

class ExportTest : public ::testing::Test {
 protected:
  // The map (with alpha or not), the three catalogs and a layout: graves
  // (one over the map's top-left edge, one outside it, one without a
  // picture), a transport over the first grave, heroes over both and over
  // the bottom-right edge.
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
    put_piece(Graves, 5, 5, 1);
    put_piece(Graves, -3, -2);
    put_piece(Graves, 100, 100, 3);
    put_piece(Graves, 20, 20, 4, 7);
    put_piece(Transports, 8, 7, 2);
    put_piece(Heroes, 75, 55);
    put_piece(Heroes, 10, 6);
    expected = composition(map_alpha, {{Grave, 5, 5}, {Grave, -3, -2}, {Transport, 8, 7}, {Hero, 75, 55}, {Hero, 10, 6}});
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
    UnsavedChanges = 0;
    ASSERT_EQ(export_map_picture(dir.upath("map.png"), ExportOptions()), ExportResult::Written);
    int w = 0, h = 0;
    EXPECT_TRUE(pixels_of(path("map.png"), &w, &h) == expected) << "map with alpha: " << map_alpha;
    EXPECT_EQ(std::pair(w, h), std::pair(80, 60));
    using Texts = std::multimap<std::string, std::string>;
    EXPECT_EQ(texts_of(path("map.png")), (Texts{{"Software", "Tavrel"}, {"Title", "Testland"},
                                               {"Grabstein", "5,5: RIP 12.03.2024 Anna Björk"},
                                               {"Transportmittel", "8,7: Karren"}}));
    // At 50 % what the view shows at zoom 50: the composition sampled by gdk-pixbuf's nearest neighbours.
    ASSERT_EQ(export_map_picture(dir.upath("half.png"), ExportOptions{50, false}), ExportResult::Written);
    EXPECT_TRUE(pixels_of(path("half.png"), &w, &h) == scaled(expected, 40, 30));
    EXPECT_EQ(texts_of(path("half.png")).find("Transportmittel")->second, "4,3: Karren");
    EXPECT_EQ(std::tuple(UnsavedChanges, list_size(Graves), int32_t{list_select(Heroes, 1)->x}),
              std::tuple(uint8_t{0}, int64_t{4}, 10));  // the layout is only read
    TearDown();
  }
}

// Labels: the inscription on a black box right of its piece, or left of it
// where the picture ends; everything else as without them.
TEST_F(ExportTest, InscriptionsAsLabelsBesideTheirPieces) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";  // text needs the toolkit's font
  build(false);
  Inscriptions[1] = u"A";
  list_select(Transports, 0)->x = 70;  // near the right edge: its label goes left of it
  expected = composition(false, {{Grave, 5, 5}, {Grave, -3, -2}, {Transport, 70, 7}, {Hero, 75, 55}, {Hero, 10, 6}});
  ASSERT_EQ(export_map_picture(dir.upath("labels.png"), ExportOptions{100, true}), ExportResult::Written);
  Rgb got = pixels_of(path("labels.png"));
  ASSERT_EQ(got.size(), expected.size());
  int aw = text_width(u"A") + 4, ah = text_height(u"A") + 4, kw = text_width(u"Karren") + 4;
  int kh = text_height(u"Karren") + 4;
  auto in_label = [&](int x, int y) {  // the grave's box starts 2 pixels right of it, Karren's ends 2 left of x 70
    return (x >= 15 && x < 15 + aw && y >= 5 && y < 5 + ah) || (x >= 68 - kw && x < 68 && y >= 7 && y < 7 + kh);
  };
  int differing = 0, black = 0, bright = 0;
  for (int y = 0; y < Map.h; y++)
    for (int x = 0; x < Map.w; x++) {
      const uint8_t* p = &got[(y * Map.w + x) * 3];
      bool same = std::equal(p, p + 3, &expected[(y * Map.w + x) * 3]);
      if (!in_label(x, y)) differing += !same;
      else black += p[0] + p[1] + p[2] == 0, bright += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(black, 20);
  EXPECT_GT(bright, 5);
}

// The view: what draw_map puts on the map canvas at the current zoom and
// origin, without the marker and the hover label, which stay on the canvas.
TEST_F(ExportTest, TheViewIsWhatTheCanvasShowsWithoutMarkerAndLabel) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";
  build(true);
  resize_map_canvas();
  MapView.zoom = 57, MapView.origin_x = 3, MapView.origin_y = -20;
  draw_map();
  const DrawTarget* canvas = canvas_output(MapCanvas);
  Rgb shown;
  for (int y = 0; y < canvas->height; y++)
    shown.insert(shown.end(), canvas->pixels + y * canvas->stride, canvas->pixels + y * canvas->stride + canvas->width * 3);
  ElapsedMsSource = [] { return int64_t{1000}; };
  MapMarker = MapMarkerRecord{900, list_select(PlayerCatalog, 0)->picture, 1, 10, 10, 9, 9};
  HoverLabel = HoverLabelRecord{20, 20, u"RIP"};
  draw_map();
  Rgb marked;
  for (int y = 0; y < canvas->height; y++)
    marked.insert(marked.end(), canvas->pixels + y * canvas->stride, canvas->pixels + y * canvas->stride + canvas->width * 3);
  ASSERT_TRUE(marked != shown);  // the marker and the label are on it
  ASSERT_EQ(export_view_picture(dir.upath("view.png")), ExportResult::Written);
  int w = 0, h = 0;
  EXPECT_TRUE(pixels_of(path("view.png"), &w, &h) == shown);
  EXPECT_EQ(std::pair(w, h), std::pair(canvas->width, canvas->height));
  EXPECT_EQ(std::pair(MapMarker.active, HoverLabel.text), std::pair(uint8_t{1}, String(u"RIP")));
  // Inscriptions where the canvas shows them: x -1 + 5 * 57 / 100, y 11 + 5 * 57 / 100.
  EXPECT_EQ(texts_of(path("view.png")).find("Grabstein")->second, "1,13: RIP 12.03.2024 Anna Björk");
  // A canvas that shows part of the map names only the inscriptions there.
  std::vector<uint8_t> small(30 * 20 * 3);
  DrawTarget part{small.data(), 90, 30, 20, 3};
  MapTargetOverride = &part;
  MapView.zoom = 100, MapView.origin_x = MapView.origin_y = 0, list_select(Transports, 0)->x = 50;
  ASSERT_EQ(export_view_picture(dir.upath("part.png")), ExportResult::Written);
  EXPECT_EQ(std::pair(texts_of(path("part.png")).count("Grabstein"), texts_of(path("part.png")).count("Transportmittel")),
            std::pair(size_t{1}, size_t{0}));
}

// The menu commands: the requesters as the user sees them, the choices
// taken, and what a failure says; a full disk and a folder we may not write
// leave no file behind and an old picture as it was.
TEST_F(ExportTest, TheCommandsAndExportsThatFail) {
  if (ensure_main_window()) {
    EXPECT_EQ(menu_item_text(MainMenuBar, CommandExportMap), u"Als Bild exportieren …");
    EXPECT_EQ(menu_item_text(MainMenuBar, CommandExportView), u"Ansicht als Bild exportieren …");
  }
  build(false);
  std::vector<uint8_t> view(300 * 200 * 3);
  DrawTarget canvas{view.data(), 900, 300, 200, 3};
  MapTargetOverride = &canvas;
  MapView.canvas_width = 300, MapView.canvas_height = 200;
  // A map that compresses badly, so that a few kilobytes do not hold it.
  image_free(MapView.map_image), image_free(MapView.work_image);
  MapView.map_image = make_image(600, 400, false, [](int x, int y) {
    uint32_t n = uint32_t(x * 2654435761u ^ y * 40503u);
    return Rgba{uint8_t(n >> 7), uint8_t(n >> 15), uint8_t(n >> 23), 255};
  });
  MapView.work_image = image_share(MapView.map_image, AnyNumber);
  chmod(dir.dir.c_str(), 0777);  // for the child without root rights
  dir.write("plan.png", "the old picture");
  chmod(path("plan.png").c_str(), 0666);
  ExportFolder.clear();
  std::vector<RequesterCall> calls;
  std::vector<RequesterChoice> offered;
  String answer = dir.upath("plan");
  requester_set_hook([&](const RequesterCall& call) {
    calls.push_back(call);
    if (call.save) offered = call.save->choices;
    if (call.save && call.save->choices.size() == 2) call.save->choices[0].selected = 2;
    return RequesterAnswer{ResultYes, call.kind == RequesterKind::SaveFile ? answer : u""};
  });
  auto messages = [&] {
    String texts;
    for (const RequesterCall& c : calls)
      if (c.kind == RequesterKind::Message && c.flags == IconError) texts += c.title + u": " + c.text + u"|";
    calls.clear();
    return texts;
  };
  const String full = u"Tavrel: Das Bild konnte nicht vollständig geschrieben werden: Auf dem Datenträger ist kein "
                      u"Platz mehr frei. Eine bereits vorhandene Datei ist unverändert geblieben.|";
  EXPECT_TRUE(in_child(3000, [&] { return export_map_command(), messages() == full; }));
  EXPECT_TRUE(in_child(3000, [&] { return export_view_picture(dir.upath("view.png")) == ExportResult::DiskFull; }));
  EXPECT_EQ(dir.read("plan.png"), "the old picture");
  answer = dir.upath("no/such/folder/plan.png");
  export_view_command();
  EXPECT_EQ(messages(), u"Tavrel: Die Datei konnte nicht erstellt werden.|");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir), {}), 1);  // nothing left behind

  // Asked with the level's name in the folder of the formation; the old
  // picture replaced after the question, at 25 %.
  FormationFolder = dir.upath(""), ExportFolder.clear();
  answer = dir.upath("plan");
  export_map_command();
  ASSERT_GE(calls.size(), 2u);
  const RequesterCall& ask = calls[0];
  EXPECT_EQ(std::tuple(ask.kind, ask.title, ask.default_text, ask.patterns, offered.size()),
            std::tuple(RequesterKind::SaveFile, String(u"Tavrel - Als Bild exportieren"), dir.upath("Testland.png"),
                       String(u"PNG-Bild (*.png)|*.png"), size_t{2}));
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(std::tuple(offered[0].options.size(), offered[0].selected, offered[1].options.size(), offered[1].selected,
                       calls[1].text),
            std::tuple(size_t{3}, 0, size_t{0}, 0,
                       String(u"Die Datei „plan.png“ gibt es bereits. Soll sie ersetzt werden?")));
  EXPECT_EQ(messages(), u"");
  int w = 0, h = 0;
  pixels_of(path("plan.png"), &w, &h);
  EXPECT_EQ(std::tuple(w, h, ExportFolder), std::tuple(150, 100, dir.upath("")));
  requester_set_hook(nullptr);
}

// Peak resident memory of the process since the last reset, and the reset.
int64_t status_kb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field) + 1));
  return -1;
}

// The whole 16384 x 16384 map with alpha (1 GiB of pixels) with a piece at
// each corner, exported: its peak memory stays within 64 MiB of what the
// program held before, and the picture is whole.
TEST(HugeMap, ExportingA16384MapAddsLessThan64MiB) {
  fresh_state();
  TempProgramDir dir;
  RequesterLog log;
  dir.write("Varn.gxml", "<l><pic type=\"bg\">map.png</pic></l>");
  {
    FILE* file = fopen(dir.path("pics/map.png").c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, 16384, 16384, 8, PNG_COLOR_TYPE_RGBA, 0, 0, 0);
    png_write_info(png, info);
    std::vector<uint8_t> row(16384 * 4);
    for (int y = 0; y < 16384; png_write_row(png, row.data()), y++)
      for (int x = 0; x < 16384; x++) row[x * 4] = uint8_t(x), row[x * 4 + 1] = uint8_t(y), row[x * 4 + 2] = 9, row[x * 4 + 3] = 255;
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
  }
  load_level(u"");
  ASSERT_EQ(MapView.map_width, 16384);
  list_add(PlayerCatalog)->picture = make_image(32, 32, true, [](int, int) { return Rgba{255, 0, 0, 255}; });
  for (auto [x, y] : {XY{-5, -5}, XY{16370, -5}, XY{-5, 16370}, XY{16370, 16370}}) put_piece(Heroes, int32_t(x), int32_t(y));
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  int64_t before = status_kb("VmRSS:");
  ASSERT_EQ(export_map_picture(dir.upath("huge.png"), ExportOptions()), ExportResult::Written);
  int64_t added = status_kb("VmHWM:") - before;
  EXPECT_LT(added, 64 * 1024) << "kB";
  RecordProperty("added_kB", std::to_string(added));
  std::cout << "export of 16384 x 16384 RGBA: peak memory " << added / 1024 << " MiB over the program's own\n";
  FILE* file = fopen(dir.path("huge.png").c_str(), "rb");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_read_info(png, info);
  std::vector<uint8_t> row(16384 * 3), last(16384 * 3);
  for (int y = 0; y < 16384; y++) png_read_row(png, y == 16383 ? last.data() : row.data(), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(file);
  EXPECT_EQ(std::vector<uint8_t>(last.end() - 6, last.end()), (std::vector<uint8_t>{255, 0, 0, 255, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(last.end() - 3 * 40, last.end() - 3 * 39), (std::vector<uint8_t>{uint8_t(16344), 255, 9}));
  image_free(list_select(PlayerCatalog, 0)->picture);
  image_free(MapView.work_image), image_free(MapView.map_image);
  fresh_state();
}

}  // namespace
