// Grave stones, and the steps that graves and transports share when a new
// piece is created from the map menu.
#include "app/pieces/graves.h"

#include "app/mapview/model.h"
#include "app/mapview/picker.h"
#include "app/pieces/context_menu.h"
#include "app/pieces/inscriptions.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"

namespace {

// Keeps a coordinate of a new piece on the map; x and y differ at 0 (x = 0
// counts as off the map, y = 0 as on it).
int32_t place_on_map(int64_t value, bool on_map, int64_t map_size, int64_t tile, int64_t origin) {
  if (!on_map) return static_cast<int32_t>(origin + 10);
  if (value > map_size - tile) return static_cast<int32_t>(map_size - tile - 10);
  return static_cast<int32_t>(value);
}

}  // namespace

String grave_inscription(const String& dead, const String& group, int64_t date) {
  return u"RIP " + date_format(u"%dd.%mm.%yyyy", date) + u" - Hier ruht " + dead + u" von den " + group;
}

bool add_piece(const String& id, List<Piece>* pieces, List<CatalogEntry>* catalog, int32_t x, int32_t y) {
  if (!pieces || list_size(catalog) == 0) return false;
  int32_t px = place_on_map(x, x > 0, MapView.map_width, MapView.tile_x, MapView.origin_x);
  int32_t py = place_on_map(y, y >= 0, MapView.map_height, MapView.tile_y, MapView.origin_y);
  CatalogEntry* entry = list_current(catalog);
  if (!entry || entry->id != id) {
    list_reset(catalog);
    do entry = list_next(catalog);
    while (entry && entry->id != id);
    if (!entry) return false;
  }
  int64_t index = list_index(catalog);
  list_last(pieces);
  Piece* piece = list_add(pieces);
  piece->catalog_index = static_cast<int32_t>(index);
  piece->x = px;
  piece->y = py;
  return true;
}

bool pick_new_piece(List<CatalogEntry>* catalog, bool with_random, CatalogEntry& chosen) {
  list_reset(catalog);
  int choice = pick_catalog_entry(catalog, MapView.tile_x, MapView.tile_y, with_random);
  if (choice < 0) return false;
  CatalogEntry* entry = list_select(catalog, choice);
  chosen = entry ? *entry : CatalogEntry();
  window_present(MainWindow);
  return true;
}

void place_new_piece(const String& id, List<Piece>* pieces, List<CatalogEntry>* catalog, const String& text) {
  if (add_piece(id, pieces, catalog, PopupPoint.x, PopupPoint.y))
    list_last(pieces)->inscription = take_inscription(text);
  note_change();
}

void set_grave() {
  name_step(u"Grabstein setzen");
  CatalogEntry entry;
  if (!pick_new_piece(GraveCatalog, true, entry)) return;
  String dead = input_requester(u"Tavrel", u"Name des verstorbenen Charakters", u"");
  String group = input_requester(u"Tavrel", u"Name der Heldengruppe", u"");
  place_new_piece(entry.id, Graves, GraveCatalog, grave_inscription(dead, group, date_now()));
}

void remove_grave() {
  Piece* grave = list_current(Graves);
  if (!grave) return;
  if (message_requester(u"Tavrel", u"Soll der Grabstein tatsächlich entfernt werden?", ButtonsYesNo) != ResultYes)
    return;
  name_step(u"Grabstein entfernen");
  release_inscription(grave->inscription, grave);
  list_set_current(Graves, grave);
  list_delete(Graves);
  note_change();
}
