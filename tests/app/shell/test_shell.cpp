// The main window's menus and the event loop's dispatch of menu items,
// shortcuts and map canvas events, and the question at quit.
#include <gtest/gtest.h>

#include "../app_support.h"

namespace {

class DispatchTest : public ::testing::Test {
 protected:
  // Two heroes of 32 x 32 away from the pointer, tiles of 20 x 10, the
  // pointer at (300, 200) over the map canvas.
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    MapView.player_size = 32, MapView.tile_x = 20, MapView.tile_y = 10;
    far_piece(Heroes);
    far_piece(Heroes);
    warp_pointer(300, 200);
    send(0, 0, 0);
  }
  // Hands what the toolkit still had to say to the dispatch, then posts one
  // event (unless kind is 0) and lets the dispatch handle it.
  static void send(int64_t kind, int64_t object, int64_t type) {
    for (int i = 0, pending; i < 1000 && (pending = int(event_poll())) != 0; i++) dispatch_event(pending);
    if (kind == 0) return;
    event_post(static_cast<int>(kind), object, MainWindow, type);
    EXPECT_EQ(event_wait(), kind);
    dispatch_event(kind);
  }
  static void menu(int number) { send(Menu, number, 0); }
  static Piece* far_piece(List<Piece>* list, int32_t inscription = 0) {
    return put_piece(list, 1000000, 1000000, inscription);
  }
  // Puts the piece 5 map pixels above and left of the pointer.
  static Piece* under_pointer(Piece* piece) {
    piece->x = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), 0) - 5);
    piece->y = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), 1) - 5);
    return piece;
  }
  // The left button released after a drag of the kind, dragged current in list.
  static void release(int mode, List<Piece>* list = Transports, Piece* dragged = nullptr) {
    if (dragged) list_set_current(list, dragged);
    InteractionMode = mode;
    send(Gadget, MapCanvas, LeftButtonUp);
    EXPECT_EQ(InteractionMode, 0);
  }
  TempProgramDir dir_;
  RequesterLog log_;
};

TEST_F(DispatchTest, MenusShortcutsAndZoom) {
  for (auto [number, text] :
       {std::pair{3, u"Neues Spiel"}, {4, u"Spielericons ändern"}, {7, u"Spiel laden"}, {6, u"Spiel speichern"},
        {9, u"Verkleinern [STRG] + [NUM -]"}, {10, u"Vergrößern [STRG] + [NUM +]"},
        {8, u"Originalgröße [STRG] + [ENTER]"}, {11, u"Grabstein setzen"}, {12, u"Transportmittel erstellen"},
        {13, u"Transportmittel entfernen"}, {14, u"Transportmittel anhängen"}})
    EXPECT_EQ(menu_item_text(number < 11 ? MainMenuBar : number < 13 ? MapMenu : TransportMenu, number), text);
  // Every zoom command, by menu item or shortcut, even to full size at full
  // size, is a change. Out from full size, in from the smallest.
  for (auto [number, zoom] : {std::pair{16, 90}, {9, 81}, {16, 72}, {9, 64}, {16, 57}, {9, 51}, {16, 45}, {9, 40},
                              {16, 36}, {9, 32}, {16, 28}, {9, 25}, {16, 25}, {15, 27}, {10, 29}, {15, 31}, {10, 34},
                              {15, 37}, {10, 40}, {15, 44}, {10, 48}, {15, 52}, {10, 57}, {15, 62}, {10, 68}, {15, 74},
                              {10, 81}, {15, 89}, {10, 97}, {15, 100}, {10, 100}, {17, 100}, {16, 90}, {8, 100}}) {
    UnsavedChanges = 0;
    menu(number);
    EXPECT_EQ(XY(MapView.zoom, UnsavedChanges), XY(zoom, 1)) << number;
  }
  for (int number : {0, 1, 2, 5, 18, 99, -1}) menu(number);  // no command
  // "Neues Spiel" discards the changes without asking.
  far_piece(Graves, 3);
  Inscriptions[3] = u"RIP";
  MapView.zoom = 50;
  menu(3);
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(std::tuple(UnsavedChanges, MapView.zoom, list_size(Graves), Inscriptions[3]), std::tuple(0, 100, 0, u""));
}

TEST_F(DispatchTest, QuitAsksOnlyWithUnsavedChangesAndSizeWindowResizesTheCanvas) {
  ask_save_at_quit();
  UnsavedChanges = 1;
  log_.answer = ResultYes;
  ask_save_at_quit();
  ASSERT_GE(log_.calls.size(), 1u);  // once; then the save command may ask its own
  EXPECT_EQ(std::tuple(log_.calls[0].kind, log_.calls[0].title, log_.calls[0].flags, log_.calls[0].text),
            std::tuple(RequesterKind::Message, String(u"Tavrel"), ButtonsYesNo,
                       String(u"Der aktuelle Spielstand wurde noch nicht gespeichert. "
                              u"Soll er vor dem Beenden gespeichert werden?")));
  // Wider than the map: origin_x goes back to 0; not taller: origin_y stays.
  MapView.map_width = 500, MapView.map_height = 5000, MapView.origin_x = 50, MapView.origin_y = 60;
  send(SizeWindow, MainWindow, 0);
  int64_t w = window_width(MainWindow, 1), h = window_height(MainWindow, 1);
  EXPECT_EQ(std::tuple(MapView.canvas_width, MapView.canvas_height, gadget_width(MapCanvas), MapView.origin_x,
                       MapView.origin_y),
            std::tuple(w, h - 25, w, 0, 60));
}

// A press picks a hero before a transport before a grave, else it pans; a
// release, of any gadget, ends the drag: a dropped grave or transport shows
// its inscription, a transport dropped on a hero or on a transport of a
// convoy joins that convoy (on a free one, or one linked to no hero, as in a
// damaged file, it stays free).
TEST_F(DispatchTest, PressAndRelease) {
  Inscriptions[5] = u"RIP Anna";
  Inscriptions[6] = u"Karren";
  HoverLabel.text = u"kept";
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(std::tuple(InteractionMode, PanStart.x, PanStart.y), std::tuple(4, 300, 200));
  send(Gadget, PickerCanvas, LeftButtonUp);
  send(Gadget, PickerCanvas, LeftButtonDown);
  menu(14);  // no transport to detach
  EXPECT_EQ(std::tuple(InteractionMode, HoverLabel.text), std::tuple(0, String(u"kept")));
  under_pointer(far_piece(Graves, 5));
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 3);
  release(3);
  EXPECT_EQ(std::tuple(HoverLabel.x, HoverLabel.y, HoverLabel.text), std::tuple(300, 200, String(u"RIP Anna")));
  Piece* other = under_pointer(far_piece(Transports));
  Piece* dragged = under_pointer(far_piece(Transports, 6));
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(XY(InteractionMode, list_current(Transports) == dragged), XY(5, 1));
  under_pointer(list_select(Heroes, 1));
  list_reset(Heroes);
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(XY(InteractionMode, list_index(Heroes)), XY(2, 1));
  for (int8_t link : {int8_t{0}, int8_t{2}, int8_t{0}, int8_t{5}, int8_t{-1}}) {  // first on hero 2, then beside it
    bool joins = link == 2 || list_select(Heroes, 1)->x != 1000000;
    other->links[0] = link;
    list_select(Heroes, 0);
    release(5, Transports, dragged);
    EXPECT_EQ(std::tuple(list_index(Heroes) == 1, list_current(Transports) == dragged, HoverLabel.text),
              std::tuple(joins, true, String(u"Karren"))) << int{link};
    list_select(Heroes, 1)->x = 1000000;
  }
  dragged->inscription = 300;  // outside the array (damaged file): no text
  release(5, Transports, dragged);
  EXPECT_EQ(HoverLabel.text, u"");
  // Detaching (command 14 on an attached transport) takes the label away.
  HoverLabel.text = u"label";
  dragged->links[0] = 1;
  menu(14);
  EXPECT_EQ(HoverLabel.text, u"");
}

}  // namespace
