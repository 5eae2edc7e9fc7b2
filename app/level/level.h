// The level loader: the one procedure that (re)starts the map.
#pragma once

#include "runtime/core/strings.h"

// (Re)starts the map: empties the formation, reads the level file (path "" =
// ProgramDir + "Varn.gxml") into MapView and reads the three catalogs, putting
// one hero per player on the map; the zoom becomes 100 and the layout counts
// as unchanged. A missing level file keeps the previous level's fields;
// malformed XML is reported with the "Error" requester.
void load_level(const String& path);
// Command "Neues Spiel": the default level afresh, with nothing asked; the
// layout then belongs to no file.
void new_game();
// Loads the map picture pics/file_name into map_image, with work_image
// sharing its pixels, and sets the map size (step of load_level). A picture
// too large to be held is reported to the user; the map then has no picture.
void load_map_picture(const String& file_name);
