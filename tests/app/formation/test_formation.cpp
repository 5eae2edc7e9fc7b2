// Formation files: hand-built files of both formats, damaged and foreign files
// (also named on the command line), saves that fail, and the save offered at quit.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/formation/formation_bytes.h"
#include "app/shell/command_line.h"
#include "runtime/toolkit/desktop.h"

namespace {

const String Incompatible = u"Das Dateiformat ist nicht kompatibel mit der verwendeten Version von Tavrel.";
const String CannotOpen = u"Die Datei konnte nicht geöffnet werden.";
const String Cut = u"Die Datei ist unvollständig und konnte nicht geladen werden.";
const String PartLoaded = u"Die Datei ist unvollständig. Es wurde nur der vorhandene Teil der Aufstellung geladen.";
const String NotCreated = u"Die Datei konnte nicht erstellt werden.";
const String Varn = Placeholder + u"Varn.gxml";
const char* const Level = "<level><name>Varn</name><playersize>32</playersize></level>";

class FormationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_state();
    FormationFolder.clear();
    dir_.write("Varn.gxml", Level);
    dir_.write("players.xml", "<players><player/><player/><player/></players>");
  }
  String path(const std::string& name) { return dir_.upath(name); }
  // The texts of the error boxes shown since the last call, joined by "|".
  String shown() {
    String texts;
    for (const RequesterCall& call : log_.calls)
      if (call.kind == RequesterKind::Message && call.title == u"Tavrel" && call.flags == IconError)
        texts += (texts.empty() ? u"" : u"|") + call.text;
    log_.calls.clear();
    return texts;
  }
  // A formation of the user's, which a load that fails must leave alone.
  void users_formation() {
    load_level(u"");
    list_select(Heroes, 0)->x = 999;
    put_piece(Graves, 5, 5);
    UnsavedChanges = 1;
    log_.calls.clear();
  }
  bool untouched() { return list_select(Heroes, 0)->x == 999 && list_size(Graves) == 1 && UnsavedChanges == 1; }

  TempProgramDir dir_;
  RequesterLog log_;
};

TEST_F(FormationTest, HandBuiltFileLoadsExactlyAndSavesTheSameBytes) {
  const String greeting = u"Grüße\r\naus Mühlbach \U0001F600\r";  // CR and LF do not end it
  FileBytes file;
  file.header(Varn, 3, 2, 2, 57).piece(0, 100, 200, 0, {1, 2}, '\xAB').trail(116, 216, 1);
  file.piece(1, 300, 50).trail(316, 66, 2).piece(2, -7, 9).trail(9, 25, -3);
  file.piece(1, 40, 41, 1, {}, '\xCD').piece(0, 42, 43, 255).piece(0, 500, 600, 2, {1}, '\xEF').piece(1, 5, 6, 0, {1});
  dir_.write("plan.tvf", file.inscriptions({{1, greeting}, {2, u"Wagen"}, {255, u"Ende"}}).s);
  read_formation(path("plan.tvf"));
  EXPECT_EQ(shown(), u"");
  // Written from the lists, the same bytes: every record and text was taken as stored.
  UnsavedChanges = 1;
  EXPECT_TRUE(write_formation(path("again.tvf")));
  EXPECT_EQ(dir_.read("again.tvf"), file.s);
  EXPECT_EQ(UnsavedChanges, 0);

  // Too long for its i16 length, an inscription is cut, never inside a surrogate pair.
  Inscriptions[3] = String(32766, u'x') + u"\U0001F600";
  Inscriptions[4] = String(32765, u'y') + u"\U0001F600" + String(9, u'y');
  write_formation(path("long.tvf"));
  read_formation(path("long.tvf"));
  EXPECT_EQ(Inscriptions[3], String(32766, u'x'));
  EXPECT_EQ(Inscriptions[4], String(32765, u'y') + u"\U0001F600");
  EXPECT_EQ(Inscriptions[255], u"Ende");
}

// With ProgramDir "/" every "/" of the level's path is stored as the placeholder.
TEST_F(FormationTest, LevelReferenceUsesThePlaceholderForTheProgramDirectory) {
  load_level(u"");
  String level = MapView.level_path, stored = string_replace(level, u"/", Placeholder);
  ProgramDir.assign(1, u'/');
  write_formation(path("b.tvf"));
  EXPECT_EQ(dir_.read("b.tvf").substr(1, 4 + 2 * stored.size()), FileBytes().text(stored, true).s);
  MapView.level_path.clear();
  read_formation(path("b.tvf"));
  EXPECT_EQ(MapView.level_path, level);
}

TEST_F(FormationTest, OldFileIsImportedAndSavedInTheCurrentFormat) {
  FileBytes old;
  old.text(ProgramDir + u"Varn.gxml", true).i32(4).i32(1).u8(127).piece(2, 300, 301).piece(0, 310, 311);
  old.piece(1, 320, 321).piece(0, 330, 331);  // one hero more than the level has
  dir_.write("old.GLS", old.piece(1, 5, 6, 7).inscriptions({{7, u"Grab\n"}}).s);
  log_.texts = {path("old.GLS"), path("plan"), path("b.TVF"), path("c.tvf")};
  load_formation();
  save_formation();
  FileBytes current;  // zoom 100 at most, no transports, the trails of the start places
  current.header(Varn, 3, 1, 0, 100).piece(2, 300, 301).trail(41, 36).piece(0, 310, 311).trail(73, 36);
  current.piece(1, 320, 321).trail(105, 36).piece(1, 5, 6, 7).inscriptions({{7, u"Grab\n"}});
  EXPECT_EQ(dir_.read("plan.tvf"), current.s);
  // In the current format a fourth hero record (282 bytes with its trail) is passed over as well.
  std::string extra = current.s;
  extra[45] = 4;
  dir_.write("extra.tvf", extra.insert(58 + 3 * 282, 282, '\x05'));
  read_formation(path("extra.tvf"));
  write_formation(path("again.tvf"));
  EXPECT_EQ(dir_.read("again.tvf"), current.s);
  save_formation();
  save_formation();
  EXPECT_TRUE(std::filesystem::exists(dir_.path("b.TVF.tvf")) && std::filesystem::exists(dir_.path("c.tvf")));
}

TEST_F(FormationTest, DamagedAndForeignFilesNeverHalfReplaceTheFormation) {
  FileBytes valid, negative;
  valid.header(Varn, 1, 1, 1, 0).piece(0, 900, 901).trail(0, 0).piece(0, 1, 2, 3);
  negative.header(Varn, 1, -5, INT32_MIN, 50).piece(99, 900, 1, 999, {100, -5}).trail(0, 0).i16(-3).s.append(510, '\0');
  std::filesystem::create_directory(dir_.path("folder.tvf"));
  for (auto [name, bytes, message] : {  // bytes "none": no file
           std::tuple<std::string, std::string, String>{"empty.tvf", "", Incompatible},
           {"two.tvf", FileBytes().u8(2).s + valid.s.substr(1), Incompatible},
           {"folder.tvf", "none", CannotOpen},
           {"gone.tvf", "none", CannotOpen},
           {"nolevel.tvf", FileBytes().header(u"/x", 0, 0, 0, 50).s, u"Die Leveldatei '/x' kann nicht gefunden werden."},
           {"longname.tvf", FileBytes().u8(1).i32(INT32_MAX).text(u"abc").s, Cut},
           {"counts.tvf", FileBytes().header(Varn, INT32_MAX, INT32_MAX, INT32_MAX, 50).piece(0, 900, 1).s, PartLoaded},
           {"negative.tvf", negative.s, u""}}) {
    SCOPED_TRACE(name);
    if (bytes != "none") dir_.write(name, bytes);
    for (bool from_command_line : {true, false}) {  // named at start, as "Spiel laden" takes it
      users_formation();
      std::vector<std::string> words = {"tavrel", dir_.path(name)};
      std::vector<char*> argv = {words[0].data(), words[1].data(), nullptr};
      int argc = 2, status = -1;
      char** args = argv.data();
      StartOptions options;
      ASSERT_TRUE(read_start_options(&argc, &args, &options, &status));
      log_.texts = {path(name)};
      from_command_line ? open_start_file(options) : load_formation();
      EXPECT_EQ(shown(), message);
      EXPECT_EQ(untouched(), message != PartLoaded && !message.empty());
      EXPECT_EQ(FormationFolder, dir_.upath(""));
    }
    EXPECT_EQ(recent_file_listed(path(name)), !untouched());
    EXPECT_EQ(std::filesystem::exists(dir_.path(name)), name != "gone.tvf");  // nothing is created
  }
  EXPECT_EQ(int{list_select(Heroes, 0)->links[1]}, -5);  // kept as stored, though it names nothing

  // Cut at every offset: nothing before the zoom byte is usable; after it,
  // every whole record is loaded and the user is told.
  valid.piece(0, 3, 4).inscriptions({{1, u"Ab"}});
  const size_t header = 58, grave = header + 282 + 42;
  for (size_t cut = 0; cut <= valid.s.size(); cut++) {
    SCOPED_TRACE(cut);
    users_formation();
    dir_.write("cut.tvf", valid.s.substr(0, cut));
    read_formation(path("cut.tvf"));
    EXPECT_EQ(shown(), cut == 0 ? Incompatible : cut < header ? Cut : cut < valid.s.size() ? PartLoaded : u"");
    EXPECT_EQ(untouched(), cut < header);
    EXPECT_EQ(int32_t{list_select(Heroes, 0)->x}, cut < header ? 999 : cut >= header + 42 ? 900 : 25);
    EXPECT_EQ(list_size(Graves) + list_size(Transports), cut < header ? 1 : (cut >= grave) + (cut >= grave + 42));
  }
  // Zoom 0 is brought into range; heroes beyond the file's records keep their start places.
  EXPECT_EQ(MapView.zoom, 25);
  EXPECT_EQ(int32_t{list_select(Heroes, 1)->x}, 57);
  EXPECT_EQ(Inscriptions[1], u"Ab");

  // A file the user may read but not write loads.
  users_formation();
  chmod(dir_.dir.c_str(), 0755);
  chmod((dir_.path("cut.tvf")).c_str(), 0444);
  EXPECT_TRUE(in_child(RLIM_INFINITY, [&] { return read_formation(path("cut.tvf")), list_select(Heroes, 0)->x == 900; }));
}

TEST_F(FormationTest, FailedSavesKeepTheOldFileAndTheChange) {
  load_level(u"");
  chmod(dir_.dir.c_str(), 0777);  // for the child without root rights
  std::filesystem::create_directories(dir_.path("folder.tvf"));
  std::filesystem::create_directories(dir_.path("locked"));
  for (const char* name : {"plan.tvf", "locked/plan.tvf", "kept.tvf"}) dir_.write(name, "the old formation");
  chmod((dir_.path("plan.tvf")).c_str(), 0666);
  chmod((dir_.path("locked")).c_str(), 0555);
  chmod((dir_.path("kept.tvf")).c_str(), 0444);  // protected by its owner in a writable folder
  const String not_written = u"Die Datei konnte nicht vollständig geschrieben werden. "
                             u"Eine bereits vorhandene Datei ist unverändert geblieben.";
  for (auto [name, limit, message] : {std::tuple<std::string, rlim_t, String>{"plan.tvf", 1000, not_written},
                                      {"folder.tvf", RLIM_INFINITY, NotCreated},
                                      {"locked/plan.tvf", RLIM_INFINITY, NotCreated},
                                      {"kept.tvf", RLIM_INFINITY, NotCreated}}) {
    SCOPED_TRACE(name);
    UnsavedChanges = 1;
    EXPECT_TRUE(in_child(limit, [&] { return !write_formation(path(name)) && UnsavedChanges && shown() == message; }));
    EXPECT_TRUE(name == "folder.tvf" || dir_.read(name) == "the old formation");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.dir), {}), 8);  // no file left behind

  // At quit, a save that fails keeps the program open; a cancelled one quits,
  // keeping the layout for the next start.
  log_.answer = ResultYes;
  log_.texts = {path("folder")};
  EXPECT_EQ(ask_save_at_quit(), QuitAnswer::Stay);
  EXPECT_EQ(shown(), NotCreated);
  EXPECT_EQ(ask_save_at_quit(), QuitAnswer::QuitKeepingLayout);
}

}  // namespace
