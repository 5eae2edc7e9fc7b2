// The level file and the player, grave and transport catalogs.
#pragma once

#include <vector>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

// One entry of a catalog.
struct CatalogEntry {
  String name;      // display name; for transports the default vehicle name
  String id;        // identifier; names the picture of graves and transports
  int picture = 0;  // image number of the entry's picture, 0 when none loaded
  String comment;
};

extern List<CatalogEntry>* PlayerCatalog;
extern List<CatalogEntry>* GraveCatalog;
extern List<CatalogEntry>* TransportCatalog;

// (Re)starts the map: empties the formation, reads the level file (path "" =
// ProgramDir + "Varn.gxml") into MapView and reads the three catalogs, putting
// one hero per player on the map. Reports malformed XML itself.
void load_level(const String& path);
// Loads the map picture pics/file_name into map_image, with work_image
// sharing its pixels, and sets the map size (step of load_level). A picture
// too large to be held is reported to the user; the map then has no picture.
void load_map_picture(const String& file_name);
// Reads "players.xml", "graves.xml" and "transports.xml" (step of load_level).
void read_catalogs();

// One entry of a catalog file as it stands there: the texts of its children
// "name", "id", "pic" and "comment" (the last one of each counts), and
// whether it has an "id" and a "pic" child at all.
struct CatalogRecord {
  String name, id, pic, comment;
  bool has_id = false, has_pic = false;
};
// Appends the entries named entry_name of the catalog file at path to
// records, in file order. A malformed file shows the "Error" requester and
// gives the entries before the damage. False when the file exists but was
// not read completely (malformed, or not readable at all); true when it was,
// or when there is no file (or an empty one).
bool read_catalog_file(const String& path, const char16_t* entry_name, std::vector<CatalogRecord>& records);
// The text of the "Error" requester for a malformed XML document.
String xml_error_text(int document);
