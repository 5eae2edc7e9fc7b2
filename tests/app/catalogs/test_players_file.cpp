// "players.xml" of a program folder that cannot be written (a packaged
// install) goes to the user's configuration folder, and that copy is read
// first once it exists; a writable program folder keeps its own file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "../app_support.h"
#include "app/catalogs/player_icons.h"

namespace {

TEST(PlayersFile, UserCopyWhereTheProgramFolderCannotBeWritten) {
  GUI_REQUIRE();
  fresh_state();
  TempDir home;
  std::string saved_home = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", home.path("config").c_str(), 1);
  String saved = ProgramDir;
  ProgramDir = u"/proc/";  // no file can be made there, not even by root
  EXPECT_EQ(players_file_to_read(), u"/proc/players.xml");
  EXPECT_EQ(string_to_utf8(players_file_to_write()), home.path("config/tavrel/players.xml"));
  ProgramDir = saved;  // the folder is made there
  TempProgramDir dir;
  dir.picture("pics/map.png", 64, 64);
  dir.write("Varn.gxml", "<level><pic type=\"bg\">map.png</pic></level>");
  const std::string two = "<players><player><name>A</name></player><player><name>B</name></player></players>";
  dir.write("players.xml", two);
  std::filesystem::remove(home.path("config/tavrel/players.xml"));
  EXPECT_EQ(players_file_to_write(), dir.upath("players.xml"));  // writable: as before
  // The user's copy (one player) is read first, and the dialog writes it, not the program's.
  home.write("config/tavrel/players.xml", "<players><player><name>Own</name></player></players>");
  load_level(u"");
  EXPECT_EQ(list_size(Heroes), 1);
  gui_later(300, [] { gui_delete(GTK_WIDGET(window_handle(PlayerIconsWindow))); });
  edit_player_icons();
  EXPECT_NE(home.read("config/tavrel/players.xml").find("<name>Own</name>\r\n"), std::string::npos);
  EXPECT_EQ(dir.read("players.xml"), two);
  saved_home.empty() ? unsetenv("XDG_CONFIG_HOME") : setenv("XDG_CONFIG_HOME", saved_home.c_str(), 1);
}

}  // namespace
