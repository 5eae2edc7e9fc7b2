// The player, grave and transport catalogs: reading their files, with the
// entries' pictures and the heroes that the player catalog puts on the map.
#pragma once

#include <vector>

#include "runtime/core/strings.h"

// Reads "players.xml", "graves.xml" and "transports.xml" into PlayerCatalog,
// GraveCatalog and TransportCatalog with their pictures, and puts one hero
// per player at its start place. The grave and transport pictures follow the
// level's tile orientation, the heroes' places its player size. Missing files
// give empty catalogs; a malformed one shows the "Error" requester and gives
// the entries before the damage.
void read_catalogs();

// Where "players.xml" is read from: the user's own copy
// ($XDG_CONFIG_HOME/tavrel/players.xml) when it exists, else the one in the
// program's folder.
String players_file_to_read();
// Where the player icon dialog writes "players.xml": the user's own copy when
// it exists or when the program's folder cannot be written (a system-wide or
// packaged install; the folder is then made), else the program's folder.
String players_file_to_write();

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
