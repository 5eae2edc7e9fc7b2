// Writes Tavrel's demo game data: the level file "Varn.gxml", the catalogs "players.xml",
// "graves.xml" and "transports.xml", the map picture, the grave and transport pictures,
// the marker and random-cell pictures in "pics", the hero icons in "players", and the
// application's icon in the sizes of the icon theme in "icons".
//
// Everything is drawn procedurally with cairo; the map picture is written as JPEG through
// gdk-pixbuf. All randomness comes from fixed seeds, so every run writes the same files.
//
// The parts: common (level sizes, random numbers, colours, file writing) and drawing (the
// helpers several kinds of picture use); map for the map picture, built from noise, terrain,
// polyline, rivers, settlements, roads, fields and glyphs; pieces for the grave, transport,
// marker and random-cell pictures; icons for the player pictures and the program's icon;
// xml_files for the level file and the catalogs.
//
// Usage: gen_demo_data <output folder>; scripts/gen-demo-data.sh builds and runs it.

#include <cstdio>
#include <filesystem>
#include <string>

#include "common.h"
#include "icons.h"
#include "map.h"
#include "pieces.h"
#include "xml_files.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  set_output_folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(out_path("pics"), ec);
  std::filesystem::create_directories(out_path("players"), ec);
  if (ec) {
    std::fprintf(stderr, "cannot create %s: %s\n", argv[1], ec.message().c_str());
    return 1;
  }
  bool ok = make_level_file();
  ok = make_catalogs() && ok;
  ok = make_hero_icons() && ok;
  ok = make_grave_pictures() && ok;
  ok = make_transport_pictures() && ok;
  ok = make_cursor() && ok;
  ok = make_random_cell() && ok;
  ok = make_app_icons() && ok;
  ok = make_map() && ok;
  return ok ? 0 : 1;
}
