// The player, grave and transport catalogs: reading "players.xml",
// "graves.xml" and "transports.xml" with their pictures, and the heroes that
// the player catalog puts on the map.
#include "app/catalogs/catalogs.h"

#include "app/mapview/model.h"
#include "app/shell/shell.h"
#include "runtime/core/objects.h"
#include "runtime/data/xml.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"

List<CatalogEntry>* PlayerCatalog = nullptr;
List<CatalogEntry>* GraveCatalog = nullptr;
List<CatalogEntry>* TransportCatalog = nullptr;

namespace {

constexpr int CatalogDocument = 0;

enum class CatalogKind { Players, Graves, Transports };

// Replaces the entry's picture by the picture file at path (0 if it does not
// load); a repeated "id" or "pic" child does not leave the earlier one behind.
void load_entry_picture(CatalogEntry* entry, const String& path) {
  if (entry->picture) image_free(entry->picture);
  entry->picture = image_load(AnyNumber, path);
}

// The hero of the player entry at position i, with its trail: a vertical line
// of points player_size/4 apart running down from the hero's centre.
void add_hero(int64_t i) {
  int64_t s = MapView.player_size;
  list_last(Heroes);
  Piece* hero = list_add(Heroes);
  hero->catalog_index = static_cast<int32_t>(i);
  hero->x = static_cast<int32_t>(i * s + 25);
  hero->y = 20;
  list_last(Trails);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) {
    trail->points[j].x = static_cast<int32_t>(hero->x + s / 2);
    trail->points[j].y = static_cast<int32_t>(hero->y + s / 2 + (s / 4) * j);
  }
}

void read_entry(XmlNode* element, CatalogKind kind, List<CatalogEntry>* catalog) {
  list_last(catalog);
  CatalogEntry* entry = list_add(catalog);
  String separator = string_right(ProgramDir, 1);
  for (XmlNode* child = xml_first_child(element); child; child = xml_next_sibling(child)) {
    if (xml_node_kind(child) != ElementNode) continue;
    String name = xml_node_name(child);
    if (string_equal(name, u"name")) {
      entry->name = xml_node_text(child);
    } else if (string_equal(name, u"id")) {
      entry->id = xml_node_text(child);
      if (kind != CatalogKind::Players) {
        // The picture variant follows the level's tile orientation, written
        // as a signed decimal number.
        String orientation = string_from_number(static_cast<int8_t>(MapView.tile_orientation));
        load_entry_picture(entry, ProgramDir + u"pics" + separator + entry->id + orientation + u".png");
      }
    } else if (string_equal(name, u"pic")) {
      if (kind == CatalogKind::Players) {
        load_entry_picture(entry, ProgramDir + u"players" + separator + xml_node_text(child));
      }
    } else if (string_equal(name, u"comment")) {
      entry->comment = xml_node_text(child);
    }
  }
  if (kind == CatalogKind::Players) add_hero(list_size(catalog) - 1);
}

void read_catalog(const char16_t* file_name, const char16_t* entry_name, CatalogKind kind,
                  List<CatalogEntry>* catalog) {
  if (!catalog) return;
  if (!xml_load(CatalogDocument, ProgramDir + file_name)) return;
  if (xml_status(CatalogDocument) != 0) message_requester(u"Error", xml_error_text(CatalogDocument));
  XmlNode* root = xml_main_element(CatalogDocument);
  if (root && xml_node_kind(root) == ElementNode) {
    for (XmlNode* child = xml_first_child(root); child; child = xml_next_sibling(child)) {
      if (xml_node_kind(child) == ElementNode && string_equal(xml_node_name(child), entry_name)) {
        read_entry(child, kind, catalog);
      }
    }
  }
  xml_free(CatalogDocument);
}

}  // namespace

void read_catalogs() {
  if (!Heroes) create_containers();
  read_catalog(u"players.xml", u"player", CatalogKind::Players, PlayerCatalog);
  read_catalog(u"graves.xml", u"item", CatalogKind::Graves, GraveCatalog);
  read_catalog(u"transports.xml", u"item", CatalogKind::Transports, TransportCatalog);
}
