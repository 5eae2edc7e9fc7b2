// The level loader and the catalogs, read from hand-written files in a
// temporary program directory.
#include <gtest/gtest.h>

#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/mapview/model.h"
#include "app/shell/shell.h"
#include "level_files.h"
#include "runtime/data/xml.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"

namespace {

class LevelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    create_containers();
    MapView = MapViewRecord();
    requester_set_hook([this](const RequesterCall& call) {
      calls_.push_back(call);
      return RequesterAnswer{ResultNo, u""};
    });
  }
  void TearDown() override {
    requester_set_hook(nullptr);
    // Leave no pictures of the temporary directory behind.
    for (const char* file : {"players.xml", "graves.xml", "transports.xml"}) dir_.remove(file);
    dir_.write("Varn.gxml", "<level><pic type=\"bg\">none</pic></level>");
    load_level(u"");
    MapView = MapViewRecord();
  }

  std::vector<RequesterCall> calls_;
  TempProgramDir dir_;
};

const char* const ThreePlayers =
    "<players>\n"
    "  <player><name>Anna</name><id>a</id><pic>anna.bmp</pic><comment>first</comment></player>\n"
    "  <Player><name>Ignored</name></Player>\n"
    "  <player><name>Bert</name><pic>missing.png</pic></player>\n"
    "  <player/>\n"
    "</players>\n";

TEST_F(LevelTest, LevelFieldsWithARootOfAnyName) {
  dir_.write_picture("pics/map.bmp", 40, 30);
  dir_.write("Varn.gxml",
             "<?xml version=\"1.0\"?>\n"
             "<whatever>\n"
             "  <!-- a comment -->\n"
             "  <name>Varn</name>\n"
             "  <pic type=\"fg\" x=\"1\">nothing.bmp</pic>\n"
             "  <pic other=\"bg\" type=\"fg\" type2=\"bg\">nothing.bmp</pic>\n"
             "  <pic>nothing.bmp</pic>\n"
             "  <pic x=\"1\" type=\"bg\">map.bmp</pic>\n"
             "  <Tile_X>99</Tile_X>\n"
             "  <tile_x>  40 px</tile_x>\n"
             "  <tile_y>20</tile_y>\n"
             "  <playersize>32</playersize>\n"
             "  <tile_orientation>300</tile_orientation>\n"
             "</whatever>\n");
  MapView.zoom = 57;
  MapView.origin_x = 12;
  MapView.canvas_width = 640;
  UnsavedChanges = 1;
  load_level(u"");

  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.level_path, ProgramDir + u"Varn.gxml");
  EXPECT_NE(MapView.map_image, 0);
  EXPECT_NE(MapView.work_image, 0);
  EXPECT_NE(MapView.work_image, MapView.map_image);
  EXPECT_EQ(MapView.map_width, 40);
  EXPECT_EQ(MapView.map_height, 30);
  EXPECT_EQ(image_width(MapView.work_image), 40);
  EXPECT_EQ(MapView.player_size, 32);
  // 300 keeps its lowest 8 bits; not 0, so the tile sizes are exchanged.
  EXPECT_EQ(MapView.tile_orientation, 44);
  EXPECT_EQ(MapView.tile_x, 20);
  EXPECT_EQ(MapView.tile_y, 40);
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(MapView.origin_x, 12);
  EXPECT_EQ(MapView.canvas_width, 640);
  EXPECT_EQ(UnsavedChanges, 0);
}

TEST_F(LevelTest, OrientationZeroKeepsTheTileSizeAndNonNumbersGiveZero) {
  dir_.write("Varn.gxml",
             "<level><tile_x>40</tile_x><tile_y>20</tile_y><tile_orientation>0</tile_orientation>"
             "<playersize>abc</playersize></level>");
  MapView.player_size = 7;
  load_level(u"");
  EXPECT_EQ(MapView.tile_x, 40);
  EXPECT_EQ(MapView.tile_y, 20);
  EXPECT_EQ(MapView.player_size, 0);
  EXPECT_EQ(MapView.map_image, 0);
  EXPECT_EQ(MapView.map_width, 0);
}

TEST_F(LevelTest, NewGameWithoutTheLevelFileKeepsTheLevelButRestartsThePieces) {
  dir_.write_picture("pics/map.bmp", 40, 30);
  dir_.write("Varn.gxml",
             "<level><name>Varn</name><pic type=\"bg\">map.bmp</pic><tile_x>40</tile_x>"
             "<tile_y>20</tile_y><playersize>32</playersize><tile_orientation>1</tile_orientation></level>");
  dir_.write("players.xml", ThreePlayers);
  load_level(u"");
  ASSERT_EQ(MapView.tile_x, 20);
  int map_image = MapView.map_image;

  // Move a hero, add a grave and a transport, zoom.
  list_select(Heroes, 0)->x = 500;
  list_last(Graves);
  list_add(Graves)->inscription = 1;
  Inscriptions[1] = u"RIP";
  list_last(Transports);
  list_add(Transports);
  MapView.zoom = 50;
  UnsavedChanges = 1;

  dir_.remove("Varn.gxml");
  load_level(u"");
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.map_image, map_image);
  EXPECT_EQ(image_width(map_image), 40);
  EXPECT_EQ(MapView.map_width, 40);
  EXPECT_EQ(MapView.tile_x, 20);  // not exchanged a second time
  EXPECT_EQ(MapView.tile_y, 40);
  EXPECT_EQ(MapView.level_path, ProgramDir + u"Varn.gxml");
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(list_size(Graves), 0);
  EXPECT_EQ(list_size(Transports), 0);
  EXPECT_EQ(Inscriptions[1], u"");
  ASSERT_EQ(list_size(Heroes), 3);
  EXPECT_EQ(int32_t{list_select(Heroes, 0)->x}, 25);
}

TEST_F(LevelTest, ANewMapPictureReplacesTheOldOne) {
  dir_.write_picture("pics/one.bmp", 40, 30);
  dir_.write_picture("pics/two.bmp", 50, 60);
  dir_.write("Varn.gxml", "<level><pic type=\"bg\">one.bmp</pic></level>");
  load_level(u"");
  int old_map = MapView.map_image;
  int old_work = MapView.work_image;
  ASSERT_EQ(image_width(old_map), 40);

  dir_.write("Varn.gxml", "<level><pic type=\"bg\">two.bmp</pic></level>");
  load_level(u"");
  EXPECT_EQ(MapView.map_width, 50);
  EXPECT_EQ(MapView.map_height, 60);
  EXPECT_EQ(image_width(MapView.work_image), 50);
  // The old pictures are released (their numbers may be handed out again).
  if (old_map != MapView.map_image && old_map != MapView.work_image) {
    EXPECT_EQ(image_width(old_map), 0);
  }
  if (old_work != MapView.map_image && old_work != MapView.work_image) {
    EXPECT_EQ(image_width(old_work), 0);
  }

  // A "bg" picture that does not load leaves no picture at all.
  dir_.write("Varn.gxml", "<level><pic type=\"bg\">absent.png</pic></level>");
  load_level(u"");
  EXPECT_EQ(MapView.map_image, 0);
  EXPECT_EQ(MapView.work_image, 0);
  EXPECT_EQ(MapView.map_width, 0);
  EXPECT_EQ(MapView.map_height, 0);
}

TEST_F(LevelTest, ASyntaxErrorAfterTheNameKeepsTheNameAndIsReported) {
  const char* broken =
      "<level>\n"
      "  <name>Varn</name>\n"
      "  <tile_x>40</tile_y>\n"
      "  <tile_y>20</tile_y>\n"
      "</level>\n";
  dir_.write("Varn.gxml", broken);
  load_level(u"");
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.tile_y, 0);
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].kind, RequesterKind::Message);
  EXPECT_EQ(calls_[0].title, u"Error");

  // The text is made of the parser's message, line and column.
  dir_.write("copy.xml", broken);
  ASSERT_NE(xml_load(5, ProgramDir + u"copy.xml"), 0);
  String message = xml_error_message(5);
  int line = xml_error_line(5);
  int column = xml_error_column(5);
  xml_free(5);
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(line, 3);
  String expected = u"Error in the XML file:\rMessage: " + message + u"\rLine: 3   Character: " +
                    string_from_number(column);
  EXPECT_EQ(calls_[0].text, expected);
  EXPECT_EQ(xml_error_text(99), u"Error in the XML file:\rMessage: \rLine: 0   Character: 0");
}

TEST_F(LevelTest, ThreePlayersGiveThreeHeroesWithTheirTrails) {
  dir_.write("Varn.gxml", "<level><playersize>32</playersize></level>");
  dir_.write_picture("players/anna.bmp", 32, 32);
  dir_.write("players.xml", ThreePlayers);
  load_level(u"");

  ASSERT_EQ(list_size(PlayerCatalog), 3);
  const CatalogEntry* anna = list_select(PlayerCatalog, 0);
  EXPECT_EQ(anna->name, u"Anna");
  EXPECT_EQ(anna->id, u"a");
  EXPECT_EQ(anna->comment, u"first");
  EXPECT_NE(anna->picture, 0);
  EXPECT_EQ(image_width(anna->picture), 32);
  const CatalogEntry* bert = list_select(PlayerCatalog, 1);
  EXPECT_EQ(bert->name, u"Bert");
  EXPECT_EQ(bert->picture, 0);  // the picture file does not exist
  const CatalogEntry* empty = list_select(PlayerCatalog, 2);
  EXPECT_EQ(empty->name, u"");
  EXPECT_EQ(empty->picture, 0);

  ASSERT_EQ(list_size(Heroes), 3);
  ASSERT_EQ(list_size(Trails), 3);
  const int expected_x[] = {25, 57, 89};
  for (int i = 0; i < 3; i++) {
    const Piece* hero = list_select(Heroes, i);
    EXPECT_EQ(int32_t{hero->catalog_index}, i);
    EXPECT_EQ(int32_t{hero->x}, expected_x[i]);
    EXPECT_EQ(int32_t{hero->y}, 20);
    EXPECT_EQ(int32_t{hero->inscription}, 0);
    for (int s = 0; s < MaxConvoy; s++) EXPECT_EQ(int32_t{hero->links[s]}, 0);
    const Trail* trail = list_select(Trails, i);
    for (int j = 0; j < TrailLength; j++) {
      EXPECT_EQ(trail->points[j].x, expected_x[i] + 16);
      EXPECT_EQ(trail->points[j].y, 36 + 8 * j);
    }
  }
  EXPECT_EQ(list_select(Trails, 0)->points[29].y, 268);
}

TEST_F(LevelTest, GraveAndTransportPicturesFollowTheTileOrientation) {
  dir_.write("Varn.gxml", "<level><tile_orientation>1</tile_orientation></level>");
  dir_.write_picture("pics/stone0.png", 10, 10);
  dir_.write_picture("pics/stone1.png", 12, 10);
  dir_.write_picture("pics/cart1.png", 14, 10);
  dir_.write("graves.xml",
             "<graves><item><name>Stone</name><id>stone</id><pic>cart1.png</pic><comment>c</comment></item>"
             "<item><name>No id</name></item></graves>");
  dir_.write("transports.xml", "<t><item><id>cart</id><name>Cart</name></item><entry><id>x</id></entry></t>");
  load_level(u"");
  ASSERT_EQ(list_size(GraveCatalog), 2);
  const CatalogEntry* stone = list_select(GraveCatalog, 0);
  EXPECT_EQ(stone->id, u"stone");
  EXPECT_EQ(stone->comment, u"c");
  EXPECT_EQ(image_width(stone->picture), 12);
  EXPECT_EQ(list_select(GraveCatalog, 1)->picture, 0);
  ASSERT_EQ(list_size(TransportCatalog), 1);
  EXPECT_EQ(list_select(TransportCatalog, 0)->name, u"Cart");
  EXPECT_EQ(image_width(list_select(TransportCatalog, 0)->picture), 14);
  EXPECT_EQ(list_size(Heroes), 0);

  // Orientation 0 switches to the pictures ending in 0; there is no cart0.png.
  dir_.write("Varn.gxml", "<level><tile_orientation>0</tile_orientation></level>");
  load_level(u"");
  EXPECT_EQ(image_width(list_select(GraveCatalog, 0)->picture), 10);
  EXPECT_EQ(list_select(TransportCatalog, 0)->picture, 0);

  // A negative 8-bit orientation is written with its sign.
  dir_.write_picture("pics/stone-56.png", 16, 10);
  dir_.write("Varn.gxml", "<level><tile_orientation>200</tile_orientation></level>");
  load_level(u"");
  EXPECT_EQ(image_width(list_select(GraveCatalog, 0)->picture), 16);
}

TEST_F(LevelTest, AMissingGravesFileLeavesOnlyThatCatalogEmpty) {
  dir_.write("Varn.gxml", "<level><playersize>32</playersize></level>");
  dir_.write("players.xml", ThreePlayers);
  dir_.write("transports.xml", "<t><item><id>cart</id></item></t>");
  load_level(u"");
  EXPECT_EQ(list_size(PlayerCatalog), 3);
  EXPECT_EQ(list_size(Heroes), 3);
  EXPECT_EQ(list_size(GraveCatalog), 0);
  EXPECT_EQ(list_size(TransportCatalog), 1);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(LevelTest, NothingAtAllGivesAnEmptyMap) {
  MapView.level_path = u"before";
  load_level(u"");
  EXPECT_EQ(MapView.level_path, u"before");
  EXPECT_EQ(list_size(PlayerCatalog), 0);
  EXPECT_EQ(list_size(Heroes), 0);
  EXPECT_EQ(list_size(GraveCatalog), 0);
  EXPECT_EQ(list_size(TransportCatalog), 0);
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(LevelTest, AMalformedCatalogKeepsTheEntriesBeforeTheError) {
  dir_.write("Varn.gxml", "<level><playersize>32</playersize></level>");
  dir_.write("players.xml", "<players><player><name>A</name></player><player><name>B</name></oops>");
  load_level(u"");
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].title, u"Error");
  EXPECT_GE(list_size(PlayerCatalog), 1);
  EXPECT_EQ(list_select(PlayerCatalog, 0)->name, u"A");
  EXPECT_EQ(list_size(Heroes), list_size(PlayerCatalog));
}

TEST_F(LevelTest, ALevelFileNamedByPath) {
  dir_.write("other.gxml", "<x><name>Other</name></x>");
  load_level(ProgramDir + u"other.gxml");
  EXPECT_EQ(MapView.level_name, u"Other");
  EXPECT_EQ(MapView.level_path, ProgramDir + u"other.gxml");
}

}  // namespace
