// Grave stones: setting and removing them, and the steps that graves and
// transports share when a new piece is created from the map menu.
#pragma once

#include <cstdint>

#include "app/state/lists.h"

// Command "Grabstein setzen": the user picks a stone and names the dead
// character and the hero group; the stone goes to PopupPoint with a dated
// inscription. A cancelled picker changes nothing.
void set_grave();
// Removes the current grave of Graves (and frees its text) after the user
// answered Yes; counts as a change.
void remove_grave();
// Appends a piece of the catalog entry with the given id to pieces at (x, y),
// moved inside the map as follows: x > 0 beyond map_width - tile_x becomes
// map_width - tile_x - 10, x <= 0 becomes origin_x + 10; y >= 0 beyond
// map_height - tile_y becomes map_height - tile_y - 10, y < 0 becomes
// origin_y + 10. The catalog's current entry is taken when it has the id,
// otherwise the first entry with it (which becomes current). The new piece is
// the last and current one. False (nothing added) for an empty catalog or an
// unknown id.
bool add_piece(const String& id, List<Piece>* pieces, List<CatalogEntry>* catalog, int32_t x, int32_t y);

// The first steps of creating a grave or transport: the catalog starts over,
// the user picks an entry in the piece picker (with_random: the random cell
// too), which becomes current, and the main window comes to the front.
// False when the picker was cancelled. chosen is a copy of the entry picked;
// an empty entry when the random cell was clicked over an empty catalog (the
// command then goes on, and add_piece adds nothing).
bool pick_new_piece(List<CatalogEntry>* catalog, bool with_random, CatalogEntry& chosen);
// The last steps: a piece of the entry with the id at PopupPoint, given text
// from the inscription pool when it was added; a change in every case.
void place_new_piece(const String& id, List<Piece>* pieces, List<CatalogEntry>* catalog, const String& text);

// "RIP dd.mm.yyyy - Hier ruht <dead> von den <group>" for the date value.
String grave_inscription(const String& dead, const String& group, int64_t date);
