// A formation file named on the command line, and one dropped onto the map,
// are loaded as "Spiel laden" loads the file chosen in its requester: the same
// messages for files that cannot be loaded, and the file joins the desktop's
// recently used files once it is loaded.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/shell/command_line.h"
#include "runtime/toolkit/desktop.h"

using namespace std::string_literals;

namespace {

// The requesters' calls for path: (title, text, flags) of each message.
std::vector<std::tuple<String, String, int>> messages(const RequesterLog& log) {
  std::vector<std::tuple<String, String, int>> shown;
  for (const RequesterCall& call : log.calls)
    if (call.kind == RequesterKind::Message) shown.emplace_back(call.title, call.text, call.flags);
  return shown;
}

TEST(StartFile, LoadedAsSpielLadenLoadsIt) {
  GUI_REQUIRE();
  fresh_state();
  TempProgramDir dir;
  RequesterLog log;
  dir.picture("pics/map.png", 64, 64);
  dir.write("Varn.gxml", "<level><pic type=\"bg\">map.png</pic></level>");
  load_level(u"");
  std::string level = "\\\0\\\0P\0R\0O\0G\0D\0I\0R\0\\\0\\\0V\0a\0r\0n\0.\0g\0x\0m\0l\0"s;
  std::string counts(12, '\0');
  dir.write("plan.tvf", "\x01\x14\0\0\0"s + level + counts + "\x5a" + std::string(512, '\0'));
  dir.write("other-format.tvf", "\x02"s + std::string(600, '\0'));
  dir.write("short.tvf", "\x01\x14\0"s);
  dir.write("no-level.tvf", "\x01\x02\0\0\0x\0y\0"s + counts + "\x64" + std::string(512, '\0'));
  dir.write("old.GLS", "");
  for (std::string name : {"plan.tvf", "missing.tvf", "other-format.tvf", "short.tvf", "no-level.tvf", "old.GLS"}) {
    SCOPED_TRACE(name);
    std::string path = dir.path(name);
    std::vector<std::string> words = {"tavrel", path};
    std::vector<char*> argv = {words[0].data(), words[1].data(), nullptr};
    int argc = 2, status = -1;
    char** args = argv.data();
    StartOptions options;
    ASSERT_TRUE(read_start_options(&argc, &args, &options, &status));
    MapView.zoom = 50;
    log.calls.clear();
    open_start_file(options);
    auto from_start = messages(log);
    int zoom_from_start = MapView.zoom;
    MapView.zoom = 50;
    log.calls.clear();
    log.texts.push_back(dir.upath(name));
    load_formation();
    EXPECT_EQ(messages(log), from_start);
    EXPECT_EQ(MapView.zoom, zoom_from_start);
    EXPECT_EQ(recent_file_listed(dir.upath(name)), from_start.empty());
    EXPECT_EQ(FormationFolder, string_from_utf8(dir.path("")));
  }
  EXPECT_EQ(MapView.zoom, 50);  // nothing loaded from the old file without a level
}

}  // namespace
