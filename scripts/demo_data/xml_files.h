// The XML files of the demo data, written into the output folder.
#pragma once

// The level file Varn.gxml: the map picture and the tile and hero sizes. False when it could
// not be written.
bool make_level_file();

// The catalogs players.xml, graves.xml and transports.xml. Their pictures and ids must match
// those of make_hero_icons, make_grave_pictures and make_transport_pictures. False when one
// could not be written.
bool make_catalogs();
