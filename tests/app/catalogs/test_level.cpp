// The level loader and the catalogs, read from hand-written files in a
// temporary program directory.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "runtime/data/xml.h"

namespace {

class LevelTest : public ::testing::Test {
 protected:
  void SetUp() override { fresh_state(); }
  TempProgramDir dir_;
  RequesterLog log_;
};

const char* const ThreePlayers =
    "<players><player><name>Anna</name><id>a</id><pic>anna.png</pic><comment>first</comment></player>"
    "<Player><name>Ignored</name></Player><player><name>Bert</name><pic>missing.png</pic></player>"
    "<player/></players>";

TEST_F(LevelTest, LevelFieldsWithARootOfAnyName) {
  dir_.picture("pics/map.png", 40, 30);
  dir_.picture("pics/other.png", 50, 60);
  dir_.write("other.gxml",
             "<?xml version=\"1.0\"?><whatever><!-- a comment --><name>Varn</name>"
             "<pic x=\"1\" type=\"bg\">map.png</pic><pic type=\"fg\" x=\"1\">other.png</pic>"
             "<pic other=\"bg\" type=\"fg\" type2=\"bg\">other.png</pic><pic>other.png</pic>"
             "<tile_x>  40 px</tile_x><Tile_X>99</Tile_X><tile_y>20</tile_y><playersize>32</playersize>"
             "<tile_orientation>300</tile_orientation></whatever>");
  MapView.zoom = 57;
  MapView.origin_x = 12;
  MapView.canvas_width = 640;
  UnsavedChanges = 1;
  load_level(ProgramDir + u"other.gxml");

  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.level_path, ProgramDir + u"other.gxml");
  EXPECT_NE(MapView.work_image, MapView.map_image);
  EXPECT_EQ(image_width(MapView.work_image), 40);
  EXPECT_EQ(XY(MapView.map_width, MapView.map_height), XY(40, 30));
  EXPECT_EQ(MapView.player_size, 32);
  // 300 keeps its lowest 8 bits; not 0, so the tile sizes are exchanged.
  EXPECT_EQ(MapView.tile_orientation, 44);
  EXPECT_EQ(XY(MapView.tile_x, MapView.tile_y), XY(20, 40));
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(MapView.origin_x, 12);  // the view is kept
  EXPECT_EQ(MapView.canvas_width, 640);
  EXPECT_EQ(UnsavedChanges, 0);
}

TEST_F(LevelTest, NewGameWithoutTheLevelFileKeepsTheLevelButRestartsThePieces) {
  dir_.picture("pics/map.png", 40, 30);
  dir_.write("Varn.gxml",
             "<level><name>Varn</name><pic type=\"bg\">map.png</pic><tile_x>40</tile_x>"
             "<tile_y>20</tile_y><playersize>32</playersize><tile_orientation>1</tile_orientation></level>");
  dir_.write("players.xml", ThreePlayers);
  load_level(u"");
  ASSERT_EQ(MapView.tile_x, 20);
  int map_image = MapView.map_image;
  list_select(Heroes, 0)->x = 500;
  put_piece(Graves, 0, 0, 1);
  Inscriptions[1] = u"RIP";
  put_piece(Transports, 0, 0);
  MapView.zoom = 50;
  UnsavedChanges = 1;

  std::filesystem::remove(dir_.path() + "Varn.gxml");
  dir_.write("players.xml", "<players><player/></players>");
  load_level(u"");
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.level_path, ProgramDir + u"Varn.gxml");
  EXPECT_EQ(MapView.map_image, map_image);
  EXPECT_EQ(image_width(map_image), 40);
  EXPECT_EQ(XY(MapView.tile_x, MapView.tile_y), XY(20, 40));  // not exchanged a second time
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(list_size(Graves), 0);
  EXPECT_EQ(list_size(Transports), 0);
  EXPECT_EQ(Inscriptions[1], u"");
  ASSERT_EQ(list_size(Heroes), 1);  // the catalogs are read again
  EXPECT_EQ(int32_t{list_select(Heroes, 0)->x}, 25);
}

TEST_F(LevelTest, ASyntaxErrorAfterTheNameKeepsTheNameAndIsReported) {
  const char* broken = "<level>\n  <name>Varn</name>\n  <tile_x>40</tile_y>\n  <tile_y>20</tile_y>\n</level>\n";
  dir_.write("Varn.gxml", broken);
  load_level(u"");
  EXPECT_EQ(MapView.level_name, u"Varn");
  EXPECT_EQ(MapView.tile_y, 0);
  ASSERT_EQ(log_.calls.size(), 1u);
  EXPECT_EQ(log_.calls[0].kind, RequesterKind::Message);
  EXPECT_EQ(log_.calls[0].title, u"Error");
  // The parser's message, line and column of the same text.
  dir_.write("copy.xml", broken);
  ASSERT_NE(xml_load(5, ProgramDir + u"copy.xml"), 0);
  EXPECT_EQ(xml_error_line(5), 3);
  EXPECT_FALSE(xml_error_message(5).empty());
  EXPECT_EQ(log_.calls[0].text, u"Error in the XML file:\rMessage: " + xml_error_message(5) +
                                    u"\rLine: 3   Character: " + string_from_number(xml_error_column(5)));
  xml_free(5);
}

// No "graves.xml": only the grave catalog is empty.
TEST_F(LevelTest, ThreePlayersGiveThreeHeroesWithTheirTrails) {
  dir_.write("Varn.gxml", "<level><playersize>32</playersize></level>");
  dir_.picture("players/anna.png", 32, 32);
  dir_.write("players.xml", ThreePlayers);
  dir_.write("transports.xml", "<t><item><id>cart</id></item></t>");
  load_level(u"");
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(list_size(GraveCatalog), 0);
  EXPECT_EQ(list_size(TransportCatalog), 1);

  ASSERT_EQ(list_size(PlayerCatalog), 3);
  const CatalogEntry* anna = list_select(PlayerCatalog, 0);
  EXPECT_EQ(anna->name, u"Anna");
  EXPECT_EQ(anna->id, u"a");
  EXPECT_EQ(anna->comment, u"first");
  EXPECT_EQ(image_width(anna->picture), 32);
  EXPECT_EQ(list_select(PlayerCatalog, 1)->name, u"Bert");
  EXPECT_EQ(list_select(PlayerCatalog, 1)->picture, 0);
  EXPECT_EQ(list_select(PlayerCatalog, 2)->name, u"");

  ASSERT_EQ(list_size(Heroes), 3);
  ASSERT_EQ(list_size(Trails), 3);
  for (int i = 0; i < 3; i++) {
    const Piece* hero = list_select(Heroes, i);
    EXPECT_EQ(int32_t{hero->catalog_index}, i);
    EXPECT_EQ(xy(hero), XY(25 + 32 * i, 20));
    const Trail* trail = list_select(Trails, i);
    for (int j = 0; j < TrailLength; j++)
      EXPECT_EQ(XY(trail->points[j].x, trail->points[j].y), XY(41 + 32 * i, 36 + 8 * j));
  }
}

TEST_F(LevelTest, GraveAndTransportPicturesFollowTheTileOrientation) {
  dir_.picture("pics/map.png", 40, 30);
  dir_.write("Varn.gxml", "<level><pic type=\"bg\">map.png</pic><tile_orientation>1</tile_orientation></level>");
  dir_.picture("pics/stone0.png", 10, 10);
  dir_.picture("pics/stone1.png", 12, 10);
  dir_.picture("pics/cart1.png", 14, 10);
  dir_.picture("pics/stone-56.png", 16, 10);
  dir_.write("graves.xml",
             "<graves><item><name>Stone</name><id>stone</id><pic>cart1.png</pic><comment>c</comment></item>"
             "<item><name>No id</name></item></graves>");
  dir_.write("transports.xml", "<t><item><id>cart</id><name>Cart</name></item><entry><id>x</id></entry></t>");
  load_level(u"");
  ASSERT_EQ(list_size(GraveCatalog), 2);
  EXPECT_EQ(list_select(GraveCatalog, 0)->id, u"stone");
  EXPECT_EQ(list_select(GraveCatalog, 0)->comment, u"c");
  EXPECT_EQ(image_width(list_select(GraveCatalog, 0)->picture), 12);
  EXPECT_EQ(list_select(GraveCatalog, 1)->picture, 0);
  ASSERT_EQ(list_size(TransportCatalog), 1);
  EXPECT_EQ(list_select(TransportCatalog, 0)->name, u"Cart");
  EXPECT_EQ(image_width(list_select(TransportCatalog, 0)->picture), 14);

  // The picture variant is the signed 8-bit orientation; there is no cart0.png.
  for (auto [orientation, stone_width] : {std::pair{0, 10}, {200, 16}}) {
    dir_.write("Varn.gxml", "<level><tile_orientation>" + std::to_string(orientation) + "</tile_orientation></level>");
    load_level(u"");
    EXPECT_EQ(image_width(list_select(GraveCatalog, 0)->picture), stone_width);
    EXPECT_EQ(list_select(TransportCatalog, 0)->picture, 0);
  }
  // Orientation 0 keeps the tile size; non-numbers give 0; a map picture that
  // does not load leaves none.
  dir_.write("Varn.gxml",
             "<level><tile_x>40</tile_x><tile_y>20</tile_y><tile_orientation>0</tile_orientation>"
             "<playersize>abc</playersize><pic type=\"bg\">absent.png</pic></level>");
  load_level(u"");
  EXPECT_EQ(XY(MapView.tile_x, MapView.tile_y), XY(40, 20));
  EXPECT_EQ(MapView.player_size, 0);
  EXPECT_EQ(XY(MapView.map_image, MapView.work_image), XY(0, 0));
  EXPECT_EQ(XY(MapView.map_width, MapView.map_height), XY(0, 0));
}

TEST_F(LevelTest, AMalformedCatalogKeepsTheEntriesBeforeTheError) {
  dir_.write("players.xml", "<players><player><name>A</name></player><player><name>B</name></oops>");
  load_level(u"");
  ASSERT_EQ(log_.calls.size(), 1u);
  EXPECT_EQ(log_.calls[0].title, u"Error");
  ASSERT_GE(list_size(PlayerCatalog), 1);
  EXPECT_EQ(list_select(PlayerCatalog, 0)->name, u"A");
  EXPECT_EQ(list_size(Heroes), list_size(PlayerCatalog));
}

}  // namespace
