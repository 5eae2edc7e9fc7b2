// The catalogs with their pictures, and the heroes that the player catalog
// puts on the map.
#include "app/catalogs/catalogs.h"

#include "app/mapview/model.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"

namespace {

enum class CatalogKind { Players, Graves, Transports };

// Puts the records of one catalog file into catalog with their pictures; a
// player entry also puts its hero on the map.
void read_catalog(const String& path, const char16_t* entry_name, CatalogKind kind, List<CatalogEntry>* catalog) {
  if (!catalog) return;
  std::vector<CatalogRecord> records;
  read_catalog_file(path, entry_name, records);
  for (const CatalogRecord& record : records) {
    list_last(catalog);
    CatalogEntry* entry = list_add(catalog);
    entry->name = record.name;
    entry->id = record.id;
    entry->comment = record.comment;
    if (kind == CatalogKind::Players) {
      if (record.has_pic) entry->picture = image_load(AnyNumber, data_path(u"players", record.pic));
      add_hero_at_start(list_size(catalog) - 1);
    } else if (record.has_id) {
      // The picture variant follows the level's tile orientation, written
      // as a signed decimal number.
      String orientation = string_from_number(static_cast<int8_t>(MapView.tile_orientation));
      entry->picture = image_load(AnyNumber, data_path(u"pics", record.id + orientation + u".png"));
    }
  }
}

}  // namespace

void read_catalogs() {
  if (!Heroes) create_containers();
  read_catalog(players_file_to_read(), u"player", CatalogKind::Players, PlayerCatalog);
  read_catalog(ProgramDir + u"graves.xml", u"item", CatalogKind::Graves, GraveCatalog);
  read_catalog(ProgramDir + u"transports.xml", u"item", CatalogKind::Transports, TransportCatalog);
}
