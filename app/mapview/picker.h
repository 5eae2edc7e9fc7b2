// The piece picker: a grid of a catalog's pictures over the main window, in
// which the user chooses an entry by clicking its picture.
#pragma once

#include "app/state/lists.h"

// Shows the catalog's pictures in 5 columns of cell_width x cell_height cells
// centred on the pointer (moved up and left to fit the window), with the
// random-cell picture after the last entry when with_random is set, and waits
// for a click. Returns the chosen 0-based catalog position (a random one for
// the random cell), or -1 for a click outside the entries, a right click or a
// menu event. Other events, CloseWindow included, are dropped meanwhile.
int pick_catalog_entry(List<CatalogEntry>* catalog, int cell_width, int cell_height, bool with_random);
