// The level loader: empties the formation, reads the level file into MapView
// and reads the catalogs.
#include "app/level/level.h"

#include "app/catalogs/catalogs.h"
#include "app/mapview/model.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/data/xml.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"

namespace {

// Frees the pictures of a catalog's entries; the catalog is about to be
// emptied, so nothing refers to them any more.
void free_catalog_pictures(List<CatalogEntry>* catalog) {
  if (!catalog) return;
  list_reset(catalog);
  while (CatalogEntry* entry = list_next(catalog)) {
    if (entry->picture) image_free(entry->picture);
    entry->picture = 0;
  }
}

// The formation and the catalogs lose all their entries.
void empty_formation() {
  if (!Heroes) create_containers();
  free_catalog_pictures(PlayerCatalog);
  free_catalog_pictures(GraveCatalog);
  free_catalog_pictures(TransportCatalog);
  list_clear(Heroes);
  list_clear(Trails);
  list_clear(PlayerCatalog);
  list_clear(Graves);
  list_clear(GraveCatalog);
  list_clear(Transports);
  list_clear(TransportCatalog);
  for (String& text : Inscriptions) text.clear();
}

void read_level_element(XmlNode* child) {
  String name = xml_node_name(child);
  if (string_equal(name, u"name")) {
    MapView.level_name = xml_node_text(child);
  } else if (string_equal(name, u"pic")) {
    // Only the first "type" attribute counts.
    xml_attributes_begin(child);
    while (xml_attributes_next(child)) {
      if (!string_equal(xml_attribute_name(child), u"type")) continue;
      if (string_equal(xml_attribute_value(child), u"bg")) load_map_picture(xml_node_text(child));
      break;
    }
  } else if (string_equal(name, u"tile_x")) {
    MapView.tile_x = static_cast<int32_t>(string_to_integer(xml_node_text(child)));
  } else if (string_equal(name, u"tile_y")) {
    MapView.tile_y = static_cast<int32_t>(string_to_integer(xml_node_text(child)));
  } else if (string_equal(name, u"playersize")) {
    MapView.player_size = static_cast<int32_t>(string_to_integer(xml_node_text(child)));
  } else if (string_equal(name, u"tile_orientation")) {
    MapView.tile_orientation = static_cast<uint8_t>(string_to_integer(xml_node_text(child)) & 0xFF);
  }
}

}  // namespace

void new_game() {
  name_step(u"Neues Spiel");
  load_level(u"");
  LayoutFile.clear();
}

void load_level(const String& path) {
  String level_file = string_length(path) == 0 ? ProgramDir + u"Varn.gxml" : path;

  empty_formation();

  bool level_read = false;
  if (xml_load(LevelDocument, level_file)) {
    level_read = true;
    MapView.level_path = level_file;
    if (xml_status(LevelDocument) != 0) message_requester(u"Error", xml_error_text(LevelDocument));
    XmlNode* root = xml_main_element(LevelDocument);
    if (root && xml_node_kind(root) == ElementNode) {
      for (XmlNode* child = xml_first_child(root); child; child = xml_next_sibling(child)) {
        if (xml_node_kind(child) == ElementNode) read_level_element(child);
      }
    }
    xml_free(LevelDocument);
  }

  MapView.zoom = 100;
  if (level_read && MapView.tile_orientation != 0) {
    int32_t width = MapView.tile_x;
    MapView.tile_x = MapView.tile_y;
    MapView.tile_y = width;
  }
  // The window is named after the level; without a level name (no level
  // file, or one without a name) it has the program's name, never an empty
  // title or the name of a level shown before.
  window_set_title(MainWindow, MapView.level_name.empty() ? String(u"Tavrel") : MapView.level_name);
  read_catalogs();
  note_saved(true);
}
