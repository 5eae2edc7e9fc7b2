// The pictures of the pieces in "pics". Each function writes its files and gives false when
// one could not be written.
#pragma once

// The grave pictures <id>0.png (upright, tile_x by tile_y) and <id>1.png (turned a quarter
// clockwise) for the ids of graves.xml: stone, cross and tomb.
bool make_grave_pictures();

// The transport pictures in the same two orientations for the ids of transports.xml:
// wagon, horse, boat and cart.
bool make_transport_pictures();

// The double-click marker cursor.png: a 32 x 32 red arrow pointing to its top-left corner,
// where the marked point lies.
bool make_cursor();

// The random cell rnd.png of the piece picker, tile_x by tile_y: a die with a question mark.
bool make_random_cell();
