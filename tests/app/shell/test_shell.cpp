// The program directory, the main window's menus, the event loop's dispatch
// and the question at quit.
#include <gtest/gtest.h>
#include <unistd.h>

#include "../app_support.h"
#include "app/mapview/mouse.h"

namespace {

TEST(ProgramDir, DirectoryPartOfTheLinkOrOfTheFirstArgument) {
  TempProgramDir dir;
  int count = 0;
  auto via_link = [&](const std::string& target) {
    std::string link = dir.path() + "link" + std::to_string(count++);
    EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0);
    return find_program_dir(link.c_str(), "/ignored/x");
  };
  EXPECT_EQ(via_link("/opt/Spiele/Größe/tavrel"), u"/opt/Spiele/Größe/");
  EXPECT_EQ(via_link("/opt/tavrel/"), u"/opt/tavrel/");
  EXPECT_EQ(via_link("tavrel"), u"/");
  // Around the first buffer of 255 bytes, and two growth steps.
  for (size_t length : {254u, 255u, 256u, 600u}) {
    std::string target(length, 'p');
    for (size_t i = 0; i + 8 < length; i += 10) target[i] = '/';
    EXPECT_EQ(via_link(target), string_from_utf8(target.substr(0, target.rfind('/') + 1))) << length;
  }
  // An unreadable link: the first argument, or nothing.
  std::string missing = dir.path() + "no-such-link";
  EXPECT_EQ(find_program_dir(missing.c_str(), "/usr/local/bin/tavrel"), u"/usr/local/bin/");
  EXPECT_EQ(find_program_dir(missing.c_str(), "tavrel"), u"/");
  EXPECT_EQ(find_program_dir(missing.c_str(), nullptr), u"/");
  String running = find_program_dir("/proc/self/exe", nullptr);
  EXPECT_EQ(access((string_to_utf8(running) + "test_app").c_str(), X_OK), 0);
}

TEST(Zoom, OutFromFullSizeAndInFromTheSmallest) {
  fresh_state();
  for (int expected : {90, 81, 72, 64, 57, 51, 45, 40, 36, 32, 28, 25, 25}) {
    UnsavedChanges = 0;
    zoom_out();
    EXPECT_EQ(MapView.zoom, expected);
    EXPECT_EQ(UnsavedChanges, 1);
  }
  for (int expected : {27, 29, 31, 34, 37, 40, 44, 48, 52, 57, 62, 68, 74, 81, 89, 97, 100, 100}) {
    zoom_in();
    EXPECT_EQ(MapView.zoom, expected);
  }
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    dir_.write("Varn.gxml", "<level><name>Varn</name><playersize>32</playersize><tile_x>20</tile_x>"
                            "<tile_y>10</tile_y></level>");
    dir_.write("players.xml", "<players><player/><player/></players>");
    load_level(u"");
    drain();
    HoverLabel = HoverLabelRecord();
    for (int i = 0; i < 2; i++) list_select(Heroes, i)->x = 1000000;  // away from the pointer
  }

  // Hands what the toolkit still had to say to the dispatch.
  void drain() {
    int64_t kind = 0;
    for (int i = 0; i < 1000 && (kind = event_poll()) != 0; i++) dispatch_event(kind);
  }
  // Posts one event and lets the loop's dispatch handle it.
  void send(int64_t kind, int64_t object, int64_t type) {
    drain();
    event_post(static_cast<int>(kind), object, MainWindow, type);
    int64_t fetched = event_wait();
    EXPECT_EQ(fetched, kind);
    dispatch_event(fetched);
  }
  void menu(int number) { send(Menu, number, 0); }
  void release(int mode) {
    InteractionMode = mode;
    send(Gadget, MapCanvas, LeftButtonUp);
    EXPECT_EQ(InteractionMode, 0);
  }
  static Piece* far_piece(List<Piece>* list, int32_t inscription = 0) {
    return put_piece(list, 1000000, 1000000, inscription);
  }

  TempProgramDir dir_;
  RequesterLog log_;
};

TEST_F(DispatchTest, MenuItemsAndShortcutsReachTheirCommands) {
  const std::pair<int, const char16_t*> items[] = {
      {3, u"Neues Spiel"}, {4, u"Spielericons ändern"}, {7, u"Spiel laden"}, {6, u"Spiel speichern"},
      {9, u"Verkleinern [STRG] + [NUM -]"}, {10, u"Vergrößern [STRG] + [NUM +]"},
      {8, u"Originalgröße [STRG] + [ENTER]"}, {11, u"Grabstein setzen"}, {12, u"Transportmittel erstellen"},
      {13, u"Transportmittel entfernen"}, {14, u"Transportmittel anhängen"}};
  for (auto [number, text] : items)
    EXPECT_EQ(menu_item_text(number < 11 ? MainMenuBar : number < 13 ? MapMenu : TransportMenu, number), text);

  ASSERT_EQ(UnsavedChanges, 0);
  const int steps[][2] = {{16, 90}, {9, 81}, {15, 89}, {10, 97}, {10, 100}, {9, 90}, {17, 100}, {16, 90}, {8, 100},
                          {17, 100}, {16, 90}};
  for (auto [number, zoom] : steps) {
    menu(number);
    EXPECT_EQ(MapView.zoom, zoom) << number;
  }
  EXPECT_EQ(UnsavedChanges, 1);
  for (int number : {0, 1, 2, 5, 18, 99, -1}) menu(number);
  EXPECT_EQ(MapView.zoom, 90);
  // "Neues Spiel" discards the changes without asking.
  far_piece(Graves, 3);
  Inscriptions[3] = u"RIP";
  menu(3);
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(list_size(Graves), 0);
  EXPECT_EQ(Inscriptions[3], u"");
  EXPECT_EQ(int32_t{list_select(Heroes, 1)->x}, 57);
}

TEST_F(DispatchTest, DetachCommandClearsTheHoverLabel) {
  HoverLabel.text = u"label";
  menu(14);  // no current transport: nothing happens
  EXPECT_EQ(HoverLabel.text, u"label");
  far_piece(Transports)->links[0] = 1;
  menu(14);
  EXPECT_EQ(HoverLabel.text, u"");
}

TEST_F(DispatchTest, PressOnEmptyMapPansAndAnyReleaseEndsADrag) {
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 4);
  EXPECT_EQ(XY(PanStart.x, PanStart.y), XY(window_mouse_x(MainWindow), window_mouse_y(MainWindow)));
  HoverLabel.text = u"kept";
  send(Gadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  // Presses on other gadgets are not dispatched; their release ends a drag.
  send(Gadget, PickerCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 0);
  InteractionMode = 2;
  send(Gadget, PickerCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  EXPECT_EQ(HoverLabel.text, u"kept");
}

TEST_F(DispatchTest, DroppingAGraveOrAFreeTransportShowsItsInscription) {
  Inscriptions[5] = u"RIP Anna";
  Inscriptions[6] = u"Karren";
  list_set_current(Graves, far_piece(Graves, 5));
  release(3);
  EXPECT_EQ(HoverLabel.text, u"RIP Anna");
  EXPECT_EQ(XY(HoverLabel.x, HoverLabel.y), XY(window_mouse_x(MainWindow), window_mouse_y(MainWindow)));
  Piece* transport = far_piece(Transports, 6);
  far_piece(Transports);
  list_set_current(Transports, transport);  // not the last one
  release(5);
  EXPECT_EQ(HoverLabel.text, u"Karren");
  EXPECT_EQ(list_current(Transports), transport);
  // An index outside the array (damaged file) shows nothing.
  transport->inscription = 300;
  release(5);
  EXPECT_EQ(HoverLabel.text, u"");
}

TEST_F(DispatchTest, SizeWindowResizesTheCanvas) {
  MapView.map_width = 500;
  MapView.map_height = 5000;
  MapView.origin_x = 50;
  MapView.origin_y = 60;
  send(SizeWindow, MainWindow, 0);
  EXPECT_EQ(MapView.canvas_width, window_width(MainWindow, 1));
  EXPECT_EQ(MapView.canvas_height, window_height(MainWindow, 1) - 25);
  EXPECT_EQ(gadget_width(MapCanvas), MapView.canvas_width);
  // Wider than the map: origin_x goes back to 0; not taller: origin_y stays.
  EXPECT_EQ(XY(MapView.origin_x, MapView.origin_y), XY(0, 60));
}

TEST_F(DispatchTest, TheLoopEndsOnCloseWindow) {
  event_post(Menu, 16, 0, 0);
  event_post(Menu, 9, 0, 0);
  event_post(CloseWindow, 0, MainWindow, 0);
  run_event_loop();
  EXPECT_EQ(MapView.zoom, 81);
  EXPECT_EQ(CurrentEventKind, CloseWindow);
}

TEST_F(DispatchTest, QuitAsksOnlyWithUnsavedChanges) {
  ask_save_at_quit();
  EXPECT_TRUE(log_.calls.empty());
  menu(17);  // even full size at full size is a change
  log_.answer = ResultYes;
  ask_save_at_quit();
  ASSERT_GE(log_.calls.size(), 1u);  // then the save command asks its own
  const RequesterCall& call = log_.calls[0];
  EXPECT_TRUE(call.kind == RequesterKind::Message && call.title == u"Tavrel" && call.flags == ButtonsYesNo);
  EXPECT_EQ(call.text,
            u"Der aktuelle Spielstand wurde noch nicht gespeichert. Soll er vor dem Beenden gespeichert werden?");
}

// The hit tests read the real pointer: pieces are put under it.
class PointerDispatchTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    if (IsSkipped()) return;
    warp_pointer(300, 200);
    drain();
    if (window_mouse_x(MainWindow) < 0 || window_mouse_y(MainWindow) < 0) GTEST_SKIP() << "pointer outside";
  }
  void under_pointer(Piece* piece) {
    piece->x = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), 0) - 5);
    piece->y = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), 1) - 5);
  }
};

TEST_F(PointerDispatchTest, PressPicksHeroThenTransportThenGrave) {
  under_pointer(far_piece(Graves));
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 3);
  Piece* transport = far_piece(Transports);
  under_pointer(transport);
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 5);
  EXPECT_EQ(list_current(Transports), transport);
  under_pointer(list_select(Heroes, 1));
  list_reset(Heroes);
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 2);
  EXPECT_EQ(list_index(Heroes), 1);
}

TEST_F(PointerDispatchTest, ADroppedTransportFindsItsConvoy) {
  Piece* other = far_piece(Transports);
  Piece* dragged = far_piece(Transports);  // on top: the drop must pass over it
  under_pointer(dragged);
  // On a hero: that hero is current for the attach.
  under_pointer(list_select(Heroes, 1));
  list_select(Heroes, 0);
  list_set_current(Transports, dragged);
  release(5);
  EXPECT_EQ(list_index(Heroes), 1);
  EXPECT_EQ(list_current(Transports), dragged);
  list_select(Heroes, 1)->x = 1000000;
  // On a transport of hero 2's convoy: hero 2, then on free ones or a link to
  // no hero: it stays free.
  under_pointer(other);
  for (int8_t link : {int8_t{2}, int8_t{0}, int8_t{5}, int8_t{-1}}) {
    other->links[0] = link;
    list_select(Heroes, 0);
    list_set_current(Transports, dragged);
    release(5);
    EXPECT_EQ(list_index(Heroes) == 1, link == 2) << int{link};
    EXPECT_EQ(list_current(Transports), dragged) << int{link};
  }
}

}  // namespace
