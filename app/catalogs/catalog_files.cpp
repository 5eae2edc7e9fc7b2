// The player, grave and transport catalogs: reading "players.xml",
// "graves.xml" and "transports.xml" with their pictures, and the heroes that
// the player catalog puts on the map.
#include "app/catalogs/catalogs.h"

#include "app/mapview/model.h"
#include "app/shell/shell.h"
#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/xml.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"

List<CatalogEntry>* PlayerCatalog = nullptr;
List<CatalogEntry>* GraveCatalog = nullptr;
List<CatalogEntry>* TransportCatalog = nullptr;

namespace {

constexpr int CatalogDocument = 0;

enum class CatalogKind { Players, Graves, Transports };

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

// Puts the records of one catalog file into catalog with their pictures; a
// player entry also puts its hero on the map.
void read_catalog(const char16_t* file_name, const char16_t* entry_name, CatalogKind kind,
                  List<CatalogEntry>* catalog) {
  if (!catalog) return;
  std::vector<CatalogRecord> records;
  read_catalog_file(ProgramDir + file_name, entry_name, records);
  String separator = string_right(ProgramDir, 1);
  for (const CatalogRecord& record : records) {
    list_last(catalog);
    CatalogEntry* entry = list_add(catalog);
    entry->name = record.name;
    entry->id = record.id;
    entry->comment = record.comment;
    if (kind == CatalogKind::Players) {
      if (record.has_pic) entry->picture = image_load(AnyNumber, ProgramDir + u"players" + separator + record.pic);
      add_hero(list_size(catalog) - 1);
    } else if (record.has_id) {
      // The picture variant follows the level's tile orientation, written
      // as a signed decimal number.
      String orientation = string_from_number(static_cast<int8_t>(MapView.tile_orientation));
      entry->picture = image_load(AnyNumber, ProgramDir + u"pics" + separator + record.id + orientation + u".png");
    }
  }
}

}  // namespace

void read_catalogs() {
  if (!Heroes) create_containers();
  read_catalog(u"players.xml", u"player", CatalogKind::Players, PlayerCatalog);
  read_catalog(u"graves.xml", u"item", CatalogKind::Graves, GraveCatalog);
  read_catalog(u"transports.xml", u"item", CatalogKind::Transports, TransportCatalog);
}

bool read_catalog_file(const String& path, const char16_t* entry_name, std::vector<CatalogRecord>& records) {
  if (!xml_load(CatalogDocument, path)) return file_size(path) <= 0;
  bool complete = xml_status(CatalogDocument) == 0;
  if (!complete) message_requester(u"Error", xml_error_text(CatalogDocument));
  XmlNode* root = xml_main_element(CatalogDocument);
  for (XmlNode* element = root && xml_node_kind(root) == ElementNode ? xml_first_child(root) : nullptr; element;
       element = xml_next_sibling(element)) {
    if (xml_node_kind(element) != ElementNode || !string_equal(xml_node_name(element), entry_name)) continue;
    CatalogRecord& record = records.emplace_back();
    for (XmlNode* child = xml_first_child(element); child; child = xml_next_sibling(child)) {
      if (xml_node_kind(child) != ElementNode) continue;
      String name = xml_node_name(child);
      if (string_equal(name, u"name")) {
        record.name = xml_node_text(child);
      } else if (string_equal(name, u"id")) {
        record.id = xml_node_text(child);
        record.has_id = true;
      } else if (string_equal(name, u"pic")) {
        record.pic = xml_node_text(child);
        record.has_pic = true;
      } else if (string_equal(name, u"comment")) {
        record.comment = xml_node_text(child);
      }
    }
  }
  xml_free(CatalogDocument);
  return complete;
}
