// The recovery file: written once changes pause, gone when nothing is unsaved, offered, damaged, stale.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/history/undo.h"
#include "app/level/level.h"
#include "app/recovery/recovery.h"
#include "app/recovery/recovery_file.h"
#include "runtime/data/directory.h"
#include "runtime/data/user_files.h"

namespace {

class RecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_state();
    dir_.picture("pics/map.png", 400, 300);
    dir_.write("Varn.gxml", "<level><name>Varn</name><pic type=\"bg\">map.png</pic><tile_x>20</tile_x>"
                            "<tile_y>20</tile_y><playersize>32</playersize></level>");
    dir_.write("players.xml", "<players><player/><player/></players>");
    setenv("XDG_STATE_HOME", dir_.path("state").c_str(), 1);
    new_game();
    history_reset();
    recovery_start();
    folder_ = dir_.path("state/tavrel/");
  }
  void TearDown() override {
    recovery_discard();
    unsetenv("XDG_STATE_HOME");
  }
  // A change as the event loop sees one.
  static void change(int32_t x) {
    list_select(Heroes, 0)->x = x;
    note_change();
    history_record();
    recovery_tick();
  }
  // Ticks until the writes reach n (or 3 s pass).
  static bool written(int64_t n) {
    for (int i = 0; i < 300 && recovery_writes() < n; i++) {
      usleep(10000);
      recovery_tick();
    }
    return recovery_writes() == n;
  }
  bool own_file() const { return file_size(recovery_path()) >= 0; }
  // A recovery file left by a process that is gone.
  void orphan(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ + name, std::ios::binary) << bytes;
  }
  static std::string layout() { return formation_record_bytes(current_formation()); }
  TempProgramDir dir_;
  RequesterLog log_;
  std::string folder_;
};

TEST_F(RecoveryTest, WrittenOncePerPauseAndGoneWhenNothingIsUnsaved) {
  int64_t before = recovery_writes();
  InteractionMode = Interaction::DragHero;  // a drag writes nothing until it ends
  for (int x = 30; x < 40; x++) change(x);
  usleep(600000);
  recovery_tick();
  EXPECT_EQ(recovery_writes(), before);
  InteractionMode = Interaction::None;
  change(40);
  EXPECT_GT(recovery_wait_ms(), 0);
  ASSERT_TRUE(written(before + 1));
  EXPECT_EQ(recovery_wait_ms(), -1);
  FormationRecord record;
  RecoveryInfo info;
  ASSERT_EQ(read_recovery_file(recovery_path(), &record, &info), FormationRead::Complete);
  EXPECT_EQ(std::tuple(int32_t{record.heroes.at(0).x}, info.layout_file, info.changed > 0), std::tuple(40, String(), true));

  write_formation(dir_.upath("plan.tvf")), history_record(), recovery_tick();  // saved: the file goes
  EXPECT_FALSE(own_file());
  change(50);
  ASSERT_TRUE(written(before + 2));
  undo_step(), recovery_tick();  // undone to what was saved: gone again
  EXPECT_EQ(std::pair(int{UnsavedChanges}, own_file()), std::pair(0, false));
  redo_step(), recovery_tick();
  recovery_write_now();  // a quit that keeps it, or a signal
  EXPECT_TRUE(own_file());
  ASSERT_EQ(read_recovery_file(recovery_path(), &record, &info), FormationRead::Complete);
  EXPECT_EQ(info.layout_file, dir_.upath("plan.tvf"));
  String lock = recovery_path().substr(0, recovery_path().size() - 4) + u".lock";
  recovery_discard();  // any other quit: the file and the lock go
  EXPECT_EQ(std::pair(own_file(), file_size(lock) >= 0), std::pair(false, false));
}

// Offered once its process is gone (a live one holds its lock); Yes restores it exactly, No sets it aside.
TEST_F(RecoveryTest, OfferedWhenItsProcessIsGone) {
  change(123);
  Inscriptions[7] = u"RIP Anna";
  MapView.origin_x = 11, MapView.zoom = 50;
  LayoutFile = dir_.upath("plan.tvf");
  RecoveryInfo info{date_make(2026, 12, 7, 14, 32, 0), 11, 0, LayoutFile};
  std::string saved = layout(), bytes = recovery_bytes(current_formation(), info);
  new_game();
  history_reset();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {  // another Tavrel: holds its lock, has its file
    int lock = lock_hold(string_from_utf8(folder_ + "recovery-other.lock"));
    std::ofstream(folder_ + "recovery-other.tvf", std::ios::binary) << bytes;
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(lock >= 0 ? 0 : 1);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_FALSE(recovery_offer());
  EXPECT_TRUE(log_.calls.empty());
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  log_.answer = ResultYes;
  ASSERT_TRUE(recovery_offer());
  EXPECT_EQ(log_.calls.at(0).text,
            u"Tavrel wurde zuletzt nicht ordnungsgemäß beendet. Soll die nicht gespeicherte Aufstellung "
            u"wiederhergestellt werden?\nZuletzt geändert am 07.12.2026 um 14:32 Uhr, gehört zur Datei „" +
                dir_.upath("plan.tvf") + u"“.");
  EXPECT_TRUE(layout() == saved);
  EXPECT_EQ(std::tuple(MapView.origin_x, int{UnsavedChanges}, LayoutFile, FormationFolder, undo_name()),
            std::tuple(11, 1, dir_.upath("plan.tvf"), dir_.upath(""), String(u"Aufstellung wiederherstellen")));
  EXPECT_TRUE(own_file());  // the file became this process's own
  EXPECT_LT(file_size(string_from_utf8(folder_ + "recovery-other.tvf")), 0);

  orphan("recovery-declined.tvf", bytes);
  log_.answer = ResultNo;
  EXPECT_FALSE(recovery_offer());
  EXPECT_EQ(std::pair(dir_.read("state/tavrel/beiseitegelegt.tvf") == bytes, recovery_offer()), std::pair(true, false));
}

// A damaged file is offered as far as it reads; one with nothing usable or a level gone is set aside.
TEST_F(RecoveryTest, DamagedAndStaleFiles) {
  change(200);
  std::string whole = recovery_bytes(current_formation(), RecoveryInfo{});
  new_game();
  history_reset();
  log_.answer = ResultYes;
  for (auto [cut, offered] : {std::pair{size_t{10}, false}, {whole.size() - 600, true}}) {
    log_.calls.clear();
    orphan("recovery-cut.tvf", whole.substr(0, cut));
    EXPECT_EQ(recovery_offer(), offered);
    String last = log_.calls.at(log_.calls.size() - 1).text;
    EXPECT_EQ(last.substr(0, 15), offered ? u"Die Datei ist u" : u"Die nicht gespe") << cut;
    if (offered) {
      EXPECT_EQ(std::pair(log_.calls.size(), int32_t{list_select(Heroes, 0)->x}), std::pair(size_t{2}, 200));
      recovery_discard(), recovery_start();
    }
  }
  orphan("recovery-stale.tvf", whole);
  std::filesystem::remove(dir_.path("Varn.gxml"));
  log_.calls.clear();
  EXPECT_FALSE(recovery_offer());
  EXPECT_NE(log_.calls.at(0).text.find(u"die nicht gefunden werden kann"), String::npos);
  EXPECT_TRUE(dir_.read("state/tavrel/beiseitegelegt.tvf") == whole);
}

}  // namespace
