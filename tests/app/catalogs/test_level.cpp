// The level loader and the catalogs, read from files in a temporary program directory.
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

// A syntax error at the end is reported and what came before it read; then "Neues Spiel" finds
// no "Varn.gxml": the level stays (its tile sizes are not exchanged again), the pieces restart.
TEST_F(LevelTest, LevelFieldsThenNewGameWithoutALevelFile) {
  dir_.picture("pics/map.png", 40, 30);
  dir_.picture("pics/other.png", 50, 60);
  dir_.write("other.gxml",
             "<?xml version=\"1.0\"?>\n<whatever><!-- a comment --><name>Varn</name>"
             "<pic x=\"1\" type=\"bg\">map.png</pic><pic type=\"fg\" x=\"1\">other.png</pic>"
             "<pic other=\"bg\" type=\"fg\" type2=\"bg\">other.png</pic><pic>other.png</pic>"
             "<tile_x>  40 px</tile_x><Tile_X>99</Tile_X><tile_y>20</tile_y><playersize>32</playersize>"
             "<tile_orientation>300</tile_orientation>\n<oops></whatever>");
  dir_.write("players.xml", "<players><player/><player/></players>");
  MapView.origin_x = 12;
  for (const String& path : {ProgramDir + u"other.gxml", String()}) {
    UnsavedChanges = 1;
    load_level(path);
    // 300 keeps its lowest 8 bits; not 0, so the tile sizes are exchanged.
    EXPECT_EQ(std::tuple(MapView.level_name, MapView.level_path, image_width(MapView.work_image),
                         MapView.work_image != MapView.map_image, MapView.map_width, MapView.map_height),
              std::tuple(String(u"Varn"), ProgramDir + u"other.gxml", 40, true, 40, 30));
    EXPECT_EQ(std::tuple(MapView.tile_orientation, MapView.tile_x, MapView.tile_y, MapView.player_size, MapView.zoom,
                         MapView.origin_x, UnsavedChanges, log_.calls.size()),
              std::tuple(44, 20, 40, 32, 100, 12, 0, 1u));
    EXPECT_EQ(std::tuple(list_size(Heroes), xy(list_select(Heroes, 1)), list_size(Graves), list_size(Transports),
                         Inscriptions[1]),
              std::tuple(2, XY(57, 20), 0, 0, String()));
    list_select(Heroes, 1)->x = 500;
    put_piece(Graves, 0, 0, 1), put_piece(Transports, 0, 0);
    Inscriptions[1] = u"RIP", MapView.zoom = 50;
  }
  ASSERT_NE(xml_load(5, ProgramDir + u"other.gxml"), 0);  // the parser's own message, line and column
  EXPECT_EQ(std::tuple(log_.calls[0].kind, log_.calls[0].title, log_.calls[0].text),
            std::tuple(RequesterKind::Message, String(u"Error"),
                       u"Error in the XML file:\rMessage: " + xml_error_message(5) + u"\rLine: 3   Character: " +
                           string_from_number(xml_error_column(5))));
  xml_free(5);
}

// Pictures by "pic" or by id and orientation; one hero per player in a row at
// the top; entries before a syntax error are kept.
TEST_F(LevelTest, CatalogsWithTheirPicturesAndTheHeroes) {
  dir_.write("Varn.gxml", "<level><playersize>32</playersize><tile_orientation>1</tile_orientation></level>");
  dir_.write("players.xml",
             "<players><player><name>Anna</name><id>a</id><pic>anna.png</pic><comment>c</comment></player>"
             "<Player><name>Ignored</name></Player><player><name>Bert</name><pic>missing.png</pic></player>"
             "<player/></players>");
  dir_.write("graves.xml", "<graves><item><name>Stone</name><id>stone</id><pic>cart1.png</pic></item><item/></graves>");
  dir_.write("transports.xml", "<t><item><id>cart</id><name>Cart</name></item><entry><id>x</id></entry><oops></t>");
  for (auto [name, width] : {std::pair{"players/anna.png", 32}, {"pics/stone0.png", 10}, {"pics/stone1.png", 12},
                             {"pics/cart1.png", 14}})
    dir_.picture(name, width, 10);
  load_level(u"");
  auto picture = [](List<CatalogEntry>* catalog, int i) { return image_width(list_select(catalog, i)->picture); };
  EXPECT_EQ(std::tuple(list_size(PlayerCatalog), list_size(Heroes), list_size(Trails), list_size(GraveCatalog),
                       list_size(TransportCatalog), log_.calls.size(), log_.calls[0].title),
            std::tuple(3, 3, 3, 2, 1, 1u, String(u"Error")));
  EXPECT_EQ(std::tuple(picture(PlayerCatalog, 0), picture(PlayerCatalog, 1), picture(GraveCatalog, 0),
                       picture(GraveCatalog, 1), picture(TransportCatalog, 0)),
            std::tuple(32, 0, 12, 0, 14));
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(std::tuple(int32_t{list_select(Heroes, i)->catalog_index}, xy(list_select(Heroes, i)),
                         XY(list_select(Trails, i)->points[0].x, list_select(Trails, i)->points[29].y)),
              std::tuple(i, XY(25 + 32 * i, 20), XY(41 + 32 * i, 36 + 8 * 29)));
}

}  // namespace
