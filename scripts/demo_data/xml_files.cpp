// The level file and the catalogs of players, graves and transports.

#include "xml_files.h"

#include <iterator>
#include <string>

#include "common.h"

static const char *XmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

bool make_level_file() {
  std::string t = XmlHead;
  t += "<level>\n";
  t += "  <name>Varn</name>\n";
  t += std::string("  <pic type=\"bg\">") + MapFileName + "</pic>\n";
  t += "  <tile_x>" + std::to_string(TileX) + "</tile_x>\n";
  t += "  <tile_y>" + std::to_string(TileY) + "</tile_y>\n";
  t += "  <playersize>" + std::to_string(PlayerSize) + "</playersize>\n";
  t += "  <tile_orientation>0</tile_orientation>\n";
  t += "</level>\n";
  return write_text_file("Varn.gxml", t);
}

struct Entry {
  const char *name, *id, *pic, *comment;
};

bool make_catalogs() {
  static const Entry players[] = {
      {"Aldric", "aldric", "ritter.png", "Ritter aus Varn, führt die Gruppe an"},
      {"Brunhild", "brunhild", "schildmaid.png", "Schildmaid aus dem hohen Norden"},
      {"Gerwin", "gerwin", "magier.png", "Gelehrter Magier vom Grauzahn"},
      {"Jördis", "joerdis", "jaegerin.png", "Jägerin und Fährtenleserin"},
      {"Ulrich", "ulrich", "priester.png", "Wanderpriester, heilt Wunden"},
  };
  std::string t = XmlHead;
  t += "<players>\n";
  for (const Entry &e : players) {
    t += "  <player>\n";
    t += std::string("    <name>") + e.name + "</name>\n";
    t += std::string("    <id>") + e.id + "</id>\n";
    t += std::string("    <pic>") + e.pic + "</pic>\n";
    t += std::string("    <comment>") + e.comment + "</comment>\n";
    t += "  </player>\n";
  }
  t += "</players>\n";
  bool ok = write_text_file("players.xml", t);

  static const Entry graves[] = {
      {"Grabstein", "stone", nullptr, "Schlichter Stein mit Inschrift"},
      {"Holzkreuz", "cross", nullptr, "Kreuz auf frischem Erdhügel"},
      {"Gruft", "tomb", nullptr, "Steinerner Sarkophag für Helden"},
  };
  static const Entry transports[] = {
      {"Planwagen", "wagon", nullptr, "Gedeckter Wagen für Vorräte und Verletzte"},
      {"Pferd", "horse", nullptr, "Gesatteltes Reitpferd"},
      {"Boot", "boat", nullptr, "Segelboot für Flüsse und Küste"},
      {"Handkarren", "cart", nullptr, "Kleiner Karren mit Säcken und Fass"},
  };
  for (int k = 0; k < 2; k++) {
    const Entry *list = k ? transports : graves;
    size_t n = k ? std::size(transports) : std::size(graves);
    const char *root = k ? "transports" : "graves";
    t = XmlHead;
    t += std::string("<") + root + ">\n";
    for (size_t i = 0; i < n; i++) {
      t += "  <item>\n";
      t += std::string("    <name>") + list[i].name + "</name>\n";
      t += std::string("    <id>") + list[i].id + "</id>\n";
      t += std::string("    <comment>") + list[i].comment + "</comment>\n";
      t += "  </item>\n";
    }
    t += std::string("</") + root + ">\n";
    ok = write_text_file(k ? "transports.xml" : "graves.xml", t) && ok;
  }
  return ok;
}
