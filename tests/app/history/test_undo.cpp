// The undo history: every kind of step taken back and made again byte for byte, as the user gives them.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/formation/formation.h"
#include "app/history/undo.h"
#include "app/level/level.h"
#include "app/pieces/context_menu.h"

namespace {

class UndoTest : public ::testing::Test {
 protected:
  // A level "Varn" of 800 x 600 with two players, one grave and one vehicle.
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    dir_.picture("pics/map.png", 800, 600);
    for (const char* name : {"pics/stone0.png", "pics/wagon0.png", "players/a.png", "players/b.png"})
      dir_.picture(name, 20, 20);
    level("Varn.gxml", "Varn");
    dir_.write("players.xml", "<players><player><pic>a.png</pic></player><player><pic>b.png</pic></player></players>");
    dir_.write("graves.xml", "<graves><item><id>stone</id></item></graves>");
    dir_.write("transports.xml", "<t><item><name>Wagen</name><id>wagon</id></item></t>");
    load_level(u"");
    resize_map_canvas();
    history_reset();
    log_.answer = ResultYes;
    warp_pointer(400, 300);
    send(0, 0, 0);
  }
  void level(const std::string& file, const std::string& name) {
    dir_.write(file, "<level><name>" + name + "</name><pic type=\"bg\">map.png</pic><tile_x>20</tile_x>"
                     "<tile_y>20</tile_y><playersize>32</playersize></level>");
  }
  static void canvas(int64_t type) { send(Gadget, MapCanvas, type); }
  // A change made behind the commands' back, recorded as the event loop would.
  static void changed() { note_change(), history_record(); }
  // The picker's first cell, which opens under the pointer.
  static void pick_first() { gui_later(30, [] { event_post(Gadget, PickerCanvas, MainWindow, LeftClick); }); }
  static void point_at(const Piece* p, int32_t size) {
    warp_pointer((p->x + size / 2 - MapView.origin_x) * MapView.zoom / 100 + gadget_x(MapCanvas),
                 (p->y + size / 2 - MapView.origin_y) * MapView.zoom / 100 + gadget_y(MapCanvas));
  }
  // What "Spiel speichern" would write now.
  static std::string bytes() { return formation_record_bytes(current_formation()); }
  // The step just made can be taken back to before and made again to after.
  void back_and_forth(const std::string& before, const char16_t* name) {
    std::string after = bytes();
    EXPECT_TRUE(before != after) << string_to_utf8(name);
    EXPECT_EQ(undo_name(), name);
    EXPECT_EQ(menu_item_text(MainMenuBar, CommandUndo), u"Rückgängig: " + String(name) + u" [STRG] + [Z]");
    menu(CommandUndo);
    EXPECT_TRUE(bytes() == before) << string_to_utf8(name);
    EXPECT_EQ(std::pair(menu_item_enabled(MainMenuBar, CommandRedo), redo_name()), std::pair(true, String(name)));
    gui_key(GTK_WIDGET(window_handle(MainWindow)), GDK_KEY_y, GDK_CONTROL_MASK);
    send(0, 0, 0);
    std::string again = bytes();
    EXPECT_TRUE(again == after) << string_to_utf8(name) << " differs at "
                                << std::mismatch(again.begin(), again.end(), after.begin(), after.end()).first - again.begin();
  }
  TempProgramDir dir_;
  RequesterLog log_;
};

TEST_F(UndoTest, EveryKindOfStepComesBackByteForByte) {
  EXPECT_EQ(std::pair(menu_item_enabled(MainMenuBar, CommandUndo), menu_item_text(MainMenuBar, CommandUndo)),
            std::pair(false, String(u"Rückgängig [STRG] + [Z]")));
  // A hero dragged with the trail it leaves; a grave set with its text, then
  // one removed; a transport created, attached by the menu, detached and removed.
  for (auto [name, step] : std::initializer_list<std::pair<const char16_t*, std::function<void()>>>{
           {u"Held verschieben", [] {
              point_at(list_select(Heroes, 0), 32), canvas(LeftButtonDown);
              for (int x : {450, 500, 560}) warp_pointer(x, 300), canvas(MouseMove);
              canvas(LeftButtonUp);
            }},
           {u"Grabstein setzen", [&] {
              PopupPoint = PopupPointRecord{200, 400}, log_.texts = {u"Anna", u"Falken"};
              pick_first(), menu(CommandSetGrave);
            }},
           {u"Transportmittel erstellen", [&] {
              PopupPoint = PopupPointRecord{300, 450}, log_.texts = {u"Karren", u"Falken"};
              pick_first(), menu(CommandCreateTransport);
            }},
           {u"Transportmittel anhängen", [] { list_select(Transports, 0), pick_first(), menu(CommandAttachOrDetach); }},
           {u"Transportmittel abhängen", [] { list_select(Transports, 0), menu(CommandAttachOrDetach); }},
           {u"Transportmittel entfernen", [] { list_select(Transports, 0), menu(CommandRemoveTransport); }},
           {u"Grabstein entfernen", [] { point_at(list_select(Graves, 0), 20), canvas(RightClick); }}}) {
    std::string before = bytes();
    step();
    back_and_forth(before, name);
  }
  EXPECT_EQ(list_select(Trails, 0)->points[1].x, list_select(Heroes, 0)->x + 16 - (560 - 500));
  EXPECT_EQ(std::tuple(list_size(Graves), Inscriptions[1], Inscriptions[2]), std::tuple(0, String(), String()));
  menu(CommandUndo);  // the freed text comes back under its old index
  EXPECT_EQ(std::pair(Inscriptions[1].substr(0, 4), Inscriptions[2]), std::pair(String(u"RIP "), String()));

  // A picker cancelled and a zoom are no steps; a new change drops what could
  // have been made again.
  menu(CommandUndo);
  std::string before_zoom = bytes();
  gui_later(30, [] { event_post(Gadget, PickerCanvas, MainWindow, RightClick); });
  menu(CommandSetGrave);
  EXPECT_TRUE(bytes() == before_zoom);
  menu(CommandZoomOut);
  EXPECT_EQ(std::pair(can_redo(), undo_name()), std::pair(true, String(u"Transportmittel abhängen")));
  log_.texts = {u"Bert", u"Adler"};
  pick_first(), menu(CommandSetGrave);
  EXPECT_EQ(std::tuple(can_redo(), menu_item_enabled(MainMenuBar, CommandRedo), undo_name()),
            std::tuple(false, false, String(u"Grabstein setzen")));
}

// Loads and new games are steps: the layout comes back exactly with its level and file, even with the
// catalogs changed on disk; a level that is gone stops the undo with a message.
TEST_F(UndoTest, LoadsAndNewGamesWithTheirLevelAndFile) {
  level("other.gxml", "Anderswo");
  dir_.write("players.xml", "<players><player/><player/><player/></players>");
  load_level(ProgramDir + u"other.gxml");
  list_select(Heroes, 2)->x = 300;
  write_formation(dir_.upath("other.tvf"));
  dir_.write("players.xml", "<players><player/><player/></players>");
  new_game();
  history_reset();
  list_select(Heroes, 1)->x = 700, changed();  // an unsaved change on "Varn"
  std::string varn = bytes();
  load_formation_file(dir_.upath("other.tvf")), history_record();
  std::string other = bytes();
  EXPECT_EQ(std::tuple(window_title(MainWindow), LayoutFile, UnsavedChanges, undo_name()),
            std::tuple(String(u"Anderswo"), dir_.upath("other.tvf"), 0, String(u"Spiel laden")));
  dir_.write("players.xml", "<players><player/></players>");  // only one player on disk now
  menu(CommandUndo);
  EXPECT_TRUE(bytes() == varn);
  EXPECT_EQ(std::tuple(window_title(MainWindow), LayoutFile, int{UnsavedChanges}), std::tuple(String(u"Varn"), String(), 1));
  menu(CommandRedo);
  EXPECT_TRUE(bytes() == other);
  EXPECT_EQ(std::tuple(LayoutFile, int{UnsavedChanges}, list_size(Heroes)), std::tuple(dir_.upath("other.tvf"), 0, 2));
  menu(CommandNewGame);
  EXPECT_EQ(std::tuple(LayoutFile, undo_name(), list_size(Heroes)), std::tuple(String(), String(u"Neues Spiel"), 1));
  menu(CommandUndo);
  EXPECT_EQ(std::pair(bytes() == other, LayoutFile), std::pair(true, dir_.upath("other.tvf")));
  std::filesystem::remove(dir_.path("Varn.gxml"));
  log_.calls.clear();
  menu(CommandUndo);
  EXPECT_EQ(std::tuple(bytes() == other, log_.calls.size(), can_undo()), std::tuple(true, 1u, true));
  EXPECT_EQ(log_.calls.at(0).text, u"Die Leveldatei '" + ProgramDir + u"Varn.gxml' kann nicht gefunden werden.");
}

// Undone to what was saved, nothing is unsaved (a zoom since still counts); a drag ignores undo; the
// history reaches back at least 100 steps and holds at most 64 MiB.
TEST_F(UndoTest, TheSavedStateTheDragAndTheBounds) {
  write_formation(dir_.upath("plan.tvf")), history_record();
  list_select(Heroes, 0)->x = 111, changed();
  EXPECT_EQ(UnsavedChanges, 1);
  gui_key(GTK_WIDGET(window_handle(MainWindow)), GDK_KEY_z, GDK_CONTROL_MASK);
  send(0, 0, 0);
  EXPECT_EQ(std::tuple(int{UnsavedChanges}, ask_save_at_quit(), log_.calls.size()), std::tuple(0, QuitAnswer::Quit, 0u));
  gui_key(GTK_WIDGET(window_handle(MainWindow)), GDK_KEY_z, GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  send(0, 0, 0);
  EXPECT_EQ(std::pair(int32_t{list_select(Heroes, 0)->x}, int{UnsavedChanges}), std::pair(111, 1));
  menu(CommandZoomOut), menu(CommandUndo);
  EXPECT_EQ(std::pair(int32_t{list_select(Heroes, 0)->x}, int{UnsavedChanges}), std::pair(25, 1));

  menu(CommandZoomFull);
  point_at(list_select(Heroes, 1), 32);
  canvas(LeftButtonDown);
  warp_pointer(600, 500), canvas(MouseMove);
  menu(CommandUndo);
  EXPECT_EQ(int32_t{list_select(Heroes, 1)->x}, 600 - 16);
  canvas(LeftButtonUp);

  for (int i = 0; i < 1200; i++) {
    Inscriptions[1 + i % 200] = String(30000, char16_t(u'a' + i % 26));
    changed();
  }
  EXPECT_GE(history_steps(), 100u);
  EXPECT_LT(history_steps(), 1200u);
  EXPECT_LE(history_bytes(), HistoryByteLimit);
  for (int i = 0; i < 100; i++) ASSERT_TRUE(undo_step()) << i;
}

}  // namespace
