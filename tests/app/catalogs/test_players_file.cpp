// "players.xml" of a program folder that cannot be written (a packaged
// install) goes to the user's configuration folder, and that copy is read
// first once it exists; a writable program folder keeps its own file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "../app_support.h"
#include "app/catalogs/player_icons.h"

namespace {

struct ConfigHome : TempDir {
  std::string saved = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  ConfigHome() { setenv("XDG_CONFIG_HOME", path("config").c_str(), 1); }
  ~ConfigHome() { saved.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", saved.c_str(), 1); }
};

std::string players(const std::string& name) {
  return "<players><player><name>" + name + "</name><pic>a.png</pic></player></players>";
}

TEST(PlayersFile, UserCopyWhereTheProgramFolderCannotBeWritten) {
  GUI_REQUIRE();
  fresh_state();
  ConfigHome home;
  std::string own = home.path("config/tavrel/players.xml");
  {
    // No file can be made in /proc/, not even by root.
    String saved = ProgramDir;
    ProgramDir = u"/proc/";
    EXPECT_EQ(players_file_to_read(), u"/proc/players.xml");
    EXPECT_EQ(string_to_utf8(players_file_to_write()), own);
    EXPECT_TRUE(std::filesystem::is_directory(home.path("config/tavrel")));
    ProgramDir = saved;
  }
  TempProgramDir dir;
  dir.picture("pics/map.png", 64, 64);
  dir.write("Varn.gxml", "<level><pic type=\"bg\">map.png</pic></level>");
  const std::string two = "<players><player><name>A</name></player><player><name>B</name></player></players>";
  dir.write("players.xml", two);
  std::filesystem::remove_all(home.path("config"));
  EXPECT_EQ(players_file_to_write(), dir.upath("players.xml"));  // writable: as before
  // The user's copy (one player) is read first, and the dialog writes it, not the program's.
  std::filesystem::create_directories(home.path("config/tavrel"));
  home.write("config/tavrel/players.xml", players("Own"));
  load_level(u"");
  EXPECT_EQ(list_size(Heroes), 1);
  gui_later(300, [] { gui_delete(GTK_WIDGET(window_handle(PlayerIconsWindow))); });
  edit_player_icons();
  EXPECT_NE(home.read("config/tavrel/players.xml").find("<name>Own</name>\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("players.xml"), two);
}

}  // namespace
