// Formation files: hand-built files of both formats, damaged and foreign files,
// saves that fail, and the save offered at quit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstring>
#include <deque>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/formation/formation_bytes.h"

namespace {

const char16_t* const Incompatible = u"Das Dateiformat ist nicht kompatibel mit der verwendeten Version von Tavrel.";
const char16_t* const CannotOpen = u"Die Datei konnte nicht geöffnet werden.";
const char16_t* const Cut = u"Die Datei ist unvollständig und konnte nicht geladen werden.";
const char16_t* const PartLoaded =
    u"Die Datei ist unvollständig. Es wurde nur der vorhandene Teil der Aufstellung geladen.";
const char16_t* const NotCreated = u"Die Datei konnte nicht erstellt werden.";
const char16_t* const NotWritten =
    u"Die Datei konnte nicht vollständig geschrieben werden. Eine bereits vorhandene Datei ist unverändert geblieben.";
const char* const Level = "<level><name>Varn</name><playersize>32</playersize></level>";

// Heroes with their trails, or the pieces of a list, as the bytes held in memory.
std::string held(List<Piece>* list, List<Trail>* trails = nullptr) {
  std::string bytes;
  for (int64_t i = 0; i < list_size(list); i++) {
    bytes.append(reinterpret_cast<const char*>(list_select(list, i)), sizeof(Piece));
    if (trails) bytes.append(reinterpret_cast<const char*>(list_select(trails, i)), sizeof(Trail));
  }
  return bytes;
}

// A child process that may write at most limit bytes per file and, as root,
// gives up root first; its exit status is fn's result.
int in_child(rlim_t limit, const std::function<bool()>& fn) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(fn() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FormationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_state();
    FormationFolder.clear();
    dir_.write("Varn.gxml", Level);
    dir_.write("players.xml", "<players><player/><player/><player/></players>");
    requester_set_hook([this](const RequesterCall& call) {
      calls_.push_back(call);
      String path = call.kind == RequesterKind::Message || paths_.empty() ? u"" : paths_.front();
      if (call.kind != RequesterKind::Message && !paths_.empty()) paths_.pop_front();
      return RequesterAnswer{answer_, path};
    });
  }
  void TearDown() override { requester_set_hook(nullptr); }
  String path(const std::string& name) { return string_from_utf8(dir_.path() + name); }
  std::string read(const std::string& name) {
    std::ifstream in(dir_.path() + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The texts of the message boxes shown, each checked for its title and icon.
  std::vector<String> messages() {
    std::vector<String> texts;
    for (const RequesterCall& call : calls_) {
      if (call.kind != RequesterKind::Message) continue;
      EXPECT_TRUE(call.title == u"Tavrel" && call.flags == IconError);
      texts.push_back(call.text);
    }
    calls_.clear();
    return texts;
  }
  // A formation of the user's that a failed load must leave alone.
  void users_formation() {
    load_level(u"");
    list_select(Heroes, 0)->x = 999;
    put_piece(Graves, 5, 5);
    UnsavedChanges = 1;
    calls_.clear();
  }
  bool untouched() { return list_select(Heroes, 0)->x == 999 && list_size(Graves) == 1 && UnsavedChanges == 1; }

  TempProgramDir dir_;
  std::vector<RequesterCall> calls_;
  std::deque<String> paths_;
  int answer_ = ResultOk;
};

TEST_F(FormationTest, HandBuiltFileLoadsExactlyAndSavesTheSameBytes) {
  const String greeting = u"Grüße\r\naus Mühlbach \U0001F600\r";
  Bytes file;
  file.header(Placeholder + u"Varn.gxml", 3, 2, 2, 57)
      .piece(0, 100, 200, 0, {1, 2}, 0xAB).trail(116, 216, 1)
      .piece(1, 300, 50).trail(316, 66, 2)
      .piece(2, -7, 9).trail(9, 25, -3)
      .piece(1, 40, 41, 1, {}, 0xCD).piece(0, 42, 43, 255)
      .piece(0, 500, 600, 2, {1}, 0xEF).piece(1, 510, 620, 0, {1})
      .inscriptions({{1, greeting}, {2, u"Wagen"}, {255, u"Ende"}});
  dir_.write("plan.tvf", file.s);
  read_formation(path("plan.tvf"));
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(MapView.zoom, 57);
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(list_index(Graves), -1);
  const size_t start = 1 + 4 + 40 + 12 + 1;
  EXPECT_EQ(held(Heroes, Trails), file.s.substr(start, 3 * 282));
  EXPECT_EQ(held(Graves), file.s.substr(start + 3 * 282, 84));
  EXPECT_EQ(held(Transports), file.s.substr(start + 3 * 282 + 84, 84));
  EXPECT_EQ(Inscriptions[1], greeting);
  EXPECT_EQ(Inscriptions[255], u"Ende");

  UnsavedChanges = 1;
  EXPECT_TRUE(write_formation(path("again.tvf")));
  EXPECT_EQ(read("again.tvf"), file.s);
  EXPECT_EQ(UnsavedChanges, 0);

  // An inscription too long for its i16 length is cut so that the file stays
  // in step, never between the two halves of a surrogate pair.
  Inscriptions[3] = String(32766, u'x') + u"\U0001F600";
  Inscriptions[4] = String(40000, u'y');
  write_formation(path("long.tvf"));
  read_formation(path("long.tvf"));
  EXPECT_EQ(Inscriptions[3], String(32766, u'x'));
  EXPECT_EQ(Inscriptions[4], String(32767, u'y'));
  EXPECT_EQ(Inscriptions[255], u"Ende");
  EXPECT_TRUE(messages().empty());
}

TEST_F(FormationTest, MoreOrFewerHeroRecordsThanTheLevelAndZoomsOutOfRange) {
  struct Case {
    int heroes, zoom, expected_zoom;
  } cases[] = {{5, 0, 25}, {1, 127, 100}, {3, 0x80, 25}};
  for (const Case& c : cases) {
    Bytes file;
    file.header(Placeholder + u"Varn.gxml", c.heroes, 1, 0, c.zoom);
    for (int i = 0; i < c.heroes; i++) file.piece(i, 1000 + i, 7).trail(0, 0);
    dir_.write("f.tvf", file.piece(0, 11, 12, 3).inscriptions({{3, u"RIP"}}).s);
    read_formation(path("f.tvf"));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(MapView.zoom, c.expected_zoom);
    for (int i = 0; i < 3; i++) EXPECT_EQ(list_select(Heroes, i)->x, i < c.heroes ? 1000 + i : 25 + 32 * i);
    EXPECT_EQ(list_select(Trails, 2)->points[0].y, c.heroes > 2 ? 0 : 36);
    EXPECT_EQ(list_select(Graves, 0)->x, 11);
    EXPECT_EQ(Inscriptions[3], u"RIP");
  }
}

TEST_F(FormationTest, LevelReferenceUsesThePlaceholderForTheProgramDirectory) {
  load_level(u"");
  write_formation(path("a.tvf"));
  std::string bytes = read("a.tvf");
  EXPECT_EQ(bytes.size(), 1u + 4 + 2 * 20 + 12 + 1 + 282 * 3 + 512);
  EXPECT_EQ(bytes.substr(0, 45), Bytes().u8(1).i32(20).text(Placeholder + u"Varn.gxml").s);
  {
    TempProgramDir other;  // the program installed in another folder
    other.write("Varn.gxml", Level);
    read_formation(path("a.tvf"));
    EXPECT_EQ(MapView.level_path, ProgramDir + u"Varn.gxml");
    std::filesystem::remove(other.path() + "Varn.gxml");
    read_formation(path("a.tvf"));
    EXPECT_EQ(messages(), std::vector<String>{u"Die Leveldatei '" + ProgramDir + u"Varn.gxml' kann nicht gefunden werden."});
  }
  load_level(u"");
  // With ProgramDir "/" every "/" of the path is stored as the placeholder.
  String level = MapView.level_path;
  ProgramDir.assign(1, u'/');
  write_formation(path("b.tvf"));
  String stored = string_replace(level, u"/", Placeholder);
  EXPECT_EQ(read("b.tvf").substr(1, 4 + 2 * stored.size()), Bytes().i32(stored.size()).text(stored).s);
  MapView.level_path.clear();
  read_formation(path("b.tvf"));
  EXPECT_EQ(MapView.level_path, level);
  EXPECT_TRUE(messages().empty());
}

TEST_F(FormationTest, OldFileIsImportedAndSavedInTheCurrentFormat) {
  String level = ProgramDir + u"Varn.gxml";
  Bytes old;
  old.i32(level.size()).text(level).i32(2).i32(1).u8(64);
  dir_.write("old.GLS", old.piece(2, 300, 301).piece(0, 310, 311).piece(1, 5, 6, 7).inscriptions({{7, u"Grab\n"}}).s);
  paths_ = {path("old.GLS")};
  load_formation();
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].title, u"Tavrel - Aufstellung laden");
  EXPECT_EQ(calls_[0].patterns, u"Partyaufstellung (*.tvf)|*.tvf|Altes Dateiformat (*.gls)|*.gls");
  EXPECT_EQ(FormationFolder, ProgramDir);
  calls_.clear();

  paths_ = {path("plan")};
  save_formation();
  EXPECT_EQ(calls_[0].title, u"Tavrel - Aufstellung speichern");
  EXPECT_EQ(calls_[0].default_text, ProgramDir);
  EXPECT_EQ(calls_[0].patterns, u"Partyaufstellung (*.tvf)|*.tvf");
  Bytes current;
  current.header(Placeholder + u"Varn.gxml", 3, 1, 0, 64)  // no transports; the trails of the start places
      .piece(2, 300, 301).trail(41, 36).piece(0, 310, 311).trail(73, 36).piece(2, 89, 20).trail(105, 36);
  EXPECT_EQ(read("plan.tvf"), current.piece(1, 5, 6, 7).inscriptions({{7, u"Grab\n"}}).s);

  paths_ = {path("b.TVF"), path("c.tvf")};
  save_formation();
  save_formation();
  EXPECT_TRUE(std::filesystem::exists(dir_.path() + "b.TVF.tvf") && std::filesystem::exists(dir_.path() + "c.tvf"));
  EXPECT_TRUE(messages().empty());
}

TEST_F(FormationTest, DamagedAndForeignFilesNeverHalfReplaceTheFormation) {
  enum Make { File, Folder, Nothing };
  const String level = Placeholder + u"Varn.gxml";
  Bytes valid;
  valid.header(level, 1, 1, 1, 50).piece(0, 900, 901).trail(0, 0).piece(0, 1, 2, 3);
  Bytes negative, unknown;
  negative.header(level, -1, -5, INT32_MIN, 50).i16(-3).i16(1).text(u"A").s.append(508, '\0');
  unknown.header(level, 1, 0, 1, 50).piece(99, 900, 1, 999, {100, -5}).trail(0, 0).piece(-4, 1, 1, -2, {77});
  struct Case {
    const char* name;
    Make make;
    std::string bytes;
    String message;
    bool replaced;
  } cases[] = {
      {"empty.tvf", File, "", Incompatible, false},
      {"two.tvf", File, Bytes().u8(2).s + valid.s.substr(1), Incompatible, false},
      {"old.txt", File, Bytes().i32(2).text(u"ab").s, Incompatible, false},
      {"folder.tvf", Folder, "", CannotOpen, false},
      {"gone.tvf", Nothing, "", CannotOpen, false},
      {"nolevel.tvf", File, Bytes().header(u"/nowhere.gxml", 0, 0, 0, 50).s, u"Die Leveldatei '/nowhere.gxml' kann nicht gefunden werden.", false},
      {"longname.tvf", File, Bytes().u8(1).i32(INT32_MAX).text(u"abc").s, Cut, false},
      {"counts.tvf", File, Bytes().header(level, INT32_MAX, INT32_MAX, INT32_MAX, 50).piece(0, 900, 1).s, PartLoaded, true},
      {"negative.tvf", File, negative.s, u"", true},
      {"unknown.tvf", File, unknown.inscriptions().s, u"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    users_formation();
    if (c.make == File) dir_.write(c.name, c.bytes);
    if (c.make == Folder) std::filesystem::create_directory(dir_.path() + c.name);
    paths_ = {path(c.name)};
    load_formation();
    EXPECT_EQ(messages(), c.message.empty() ? std::vector<String>{} : std::vector<String>{c.message});
    EXPECT_EQ(untouched(), !c.replaced);
    EXPECT_EQ(std::filesystem::exists(dir_.path() + c.name), c.make != Nothing);
  }
  // Indices and links that name nothing are kept as stored and do no harm.
  EXPECT_EQ(list_select(Heroes, 0)->links[1], -5);
  list_select(Heroes, 0)->x += 50;
  record_trail(list_select(Heroes, 0), list_select(Trails, 0));
  EXPECT_EQ(inscription_text(list_select(Heroes, 0)->inscription), u"");
  EXPECT_EQ(inscription_text(list_select(Transports, 0)->inscription), u"");

  // Cut at every offset: nothing before the zoom byte is usable; after it,
  // every whole record is loaded and the user is told.
  dir_.write("full.tvf", valid.piece(0, 3, 4).inscriptions({{1, u"Ab"}}).s);
  const size_t header = 58, grave = header + 282 + 42, transport = grave + 42;
  for (size_t cut = 0; cut <= valid.s.size(); cut++) {
    SCOPED_TRACE(cut);
    users_formation();
    dir_.write("cut.tvf", valid.s.substr(0, cut));
    read_formation(path("cut.tvf"));
    String message = cut == 0 ? Incompatible : cut < header ? Cut : cut < valid.s.size() ? PartLoaded : u"";
    EXPECT_EQ(messages(), message.empty() ? std::vector<String>{} : std::vector<String>{message});
    EXPECT_EQ(untouched(), cut < header);
    if (cut < header) continue;
    EXPECT_EQ(list_select(Heroes, 0)->x, cut >= header + 42 ? 900 : 25);
    EXPECT_EQ(list_size(Graves), cut >= grave ? 1 : 0);
    EXPECT_EQ(list_size(Transports), cut >= transport ? 1 : 0);
  }
  EXPECT_EQ(Inscriptions[1], u"Ab");

  // A file the user may read but not write loads.
  users_formation();
  chmod(dir_.path().c_str(), 0755);
  chmod((dir_.path() + "full.tvf").c_str(), 0444);
  EXPECT_EQ(in_child(RLIM_INFINITY, [&] { return read_formation(path("full.tvf")), list_select(Heroes, 0)->x == 900; }), 0);
}

TEST_F(FormationTest, FailedSavesKeepTheOldFileAndTheChange) {
  load_level(u"");
  chmod(dir_.path().c_str(), 0777);  // for the child without root rights
  dir_.write("plan.tvf", "the old formation");
  std::filesystem::create_directories(dir_.path() + "folder.tvf");
  std::filesystem::create_directories(dir_.path() + "locked");
  dir_.write("locked/plan.tvf", "the old formation");
  chmod((dir_.path() + "locked").c_str(), 0555);
  struct Case {
    const char* name;
    rlim_t limit;
    String message;
  } cases[] = {{"plan.tvf", 1000, NotWritten}, {"folder.tvf", RLIM_INFINITY, NotCreated},
               {"locked/plan.tvf", RLIM_INFINITY, NotCreated}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UnsavedChanges = 1;
    EXPECT_EQ(in_child(c.limit, [&] {
                return !write_formation(path(c.name)) && UnsavedChanges == 1 && messages() == std::vector{c.message};
              }), 0);
    if (c.name[0] != 'f') {
      EXPECT_EQ(read(c.name), "the old formation");
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 7);

  // At quit, a save that fails keeps the program open; a cancelled one quits.
  answer_ = ResultYes;
  paths_ = {path("folder")};
  EXPECT_FALSE(ask_save_at_quit());
  EXPECT_EQ(calls_.back().text, NotCreated);
  EXPECT_TRUE(ask_save_at_quit());
}

TEST_F(FormationTest, WithoutALevelFileTheWindowKeepsItsTitle) {
  if (!ensure_main_window()) GTEST_SKIP() << "no display";
  window_set_title(MainWindow, u"Tavrel");
  std::filesystem::remove(dir_.path() + "Varn.gxml");
  load_level(u"");
  EXPECT_EQ(window_title(MainWindow), u"Tavrel");
  dir_.write("Varn.gxml", Level);
  load_level(u"");
  EXPECT_EQ(window_title(MainWindow), u"Varn");
}

}  // namespace
