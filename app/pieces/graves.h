// Grave stones: setting and removing them, and the shared step that appends a
// piece chosen from a catalog.
#pragma once

#include <cstdint>

#include "app/catalogs/catalogs.h"
#include "app/mapview/model.h"

// Command "Grabstein setzen": a grave at PopupPoint.
void set_grave();
// Removes the current grave of Graves after asking.
void remove_grave();
// Appends a piece of the catalog entry with the given id to pieces at (x, y);
// false when no entry has that id.
bool add_piece(const String& id, List<Piece>* pieces, List<CatalogEntry>* catalog, int32_t x, int32_t y);
