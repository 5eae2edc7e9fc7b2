// The main window and the event loop's dispatch: menu and shortcut numbers,
// the zoom commands, the canvas events and the question at quit.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/mapview/render.h"
#include "app/shell/shell.h"
#include "../catalogs/level_files.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

namespace {

// Zoom sequences of the zoom commands, from the ends of the range.
TEST(Zoom, OutFromFullSizeAndInFromTheSmallest) {
  MapViewRecord saved = MapView;
  MapView.zoom = 100;
  const int out[] = {90, 81, 72, 64, 57, 51, 45, 40, 36, 32, 28, 25, 25};
  for (int expected : out) {
    UnsavedChanges = 0;
    zoom_out();
    EXPECT_EQ(MapView.zoom, expected);
    EXPECT_EQ(UnsavedChanges, 1);
  }
  const int in[] = {27, 29, 31, 34, 37, 40, 44, 48, 52, 57, 62, 68, 74, 81, 89, 97, 100, 100};
  for (int expected : in) {
    zoom_in();
    EXPECT_EQ(MapView.zoom, expected);
  }
  // Full size counts as a change even at full size.
  UnsavedChanges = 0;
  zoom_full();
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(UnsavedChanges, 1);
  MapView = saved;
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!runtime_has_display()) GTEST_SKIP() << "no display";
    create_containers();
    MapView = MapViewRecord();
    dir_.write("Varn.gxml", "<level><name>Varn</name><playersize>32</playersize><tile_x>20</tile_x>"
                            "<tile_y>10</tile_y></level>");
    dir_.write("players.xml", "<players><player><name>A</name></player><player><name>B</name></player></players>");
    requester_set_hook([this](const RequesterCall& call) {
      calls_.push_back(call);
      return RequesterAnswer{answer_, u""};
    });
    ASSERT_EQ(open_main_window(), 1);
    load_level(u"");
    drain();
    InteractionMode = 0;
    HoverLabel = HoverLabelRecord();
  }
  void TearDown() override {
    requester_set_hook(nullptr);
    window_close(MainWindow);
    InteractionMode = 0;
    HoverLabel = HoverLabelRecord();
  }

  // Hands every pending event to the dispatch.
  void drain() {
    for (int i = 0; i < 1000; i++) {
      int64_t kind = event_poll();
      if (kind == 0) break;
      dispatch_event(kind);
    }
  }

  // Posts one event and lets the loop's dispatch handle it.
  bool send(int64_t kind, int64_t object, int64_t type) {
    drain();  // what the toolkit still had to say comes first
    event_post(static_cast<int>(kind), object, MainWindow, type);
    int64_t fetched = event_wait();
    EXPECT_EQ(fetched, kind);
    return dispatch_event(fetched);
  }
  void menu(int number) { send(EventMenu, number, 0); }

  // A piece far away from wherever the pointer is.
  Piece* add_far_piece(List<Piece>* list, int32_t inscription) {
    list_last(list);
    Piece* piece = list_add(list);
    piece->x = 1000000;
    piece->y = 1000000;
    piece->inscription = inscription;
    return piece;
  }

  TempProgramDir dir_;
  std::vector<RequesterCall> calls_;
  int answer_ = ResultNo;
};

TEST_F(DispatchTest, MainWindowMenusAndCanvases) {
  EXPECT_EQ(window_title(MainWindow), u"Varn");
  EXPECT_EQ(window_width(MainWindow, 1), 1286);
  EXPECT_EQ(window_height(MainWindow, 1), 800);
  EXPECT_EQ(MapView.canvas_width, 1286);
  EXPECT_EQ(MapView.canvas_height, 775);
  EXPECT_EQ(gadget_type(MapCanvas), GadgetCanvasType);
  EXPECT_EQ(gadget_width(MapCanvas), 1286);
  EXPECT_EQ(gadget_height(MapCanvas), 775);
  EXPECT_TRUE(gadget_visible(MapCanvas));
  EXPECT_EQ(gadget_type(PickerCanvas), GadgetCanvasType);
  EXPECT_FALSE(gadget_visible(PickerCanvas));

  EXPECT_EQ(menu_item_text(MainMenuBar, 3), u"Neues Spiel");
  EXPECT_EQ(menu_item_text(MainMenuBar, 4), u"Spielericons ändern");
  EXPECT_EQ(menu_item_text(MainMenuBar, 7), u"Spiel laden");
  EXPECT_EQ(menu_item_text(MainMenuBar, 6), u"Spiel speichern");
  EXPECT_EQ(menu_item_text(MainMenuBar, 9), u"Verkleinern [STRG] + [NUM -]");
  EXPECT_EQ(menu_item_text(MainMenuBar, 10), u"Vergrößern [STRG] + [NUM +]");
  EXPECT_EQ(menu_item_text(MainMenuBar, 8), u"Originalgröße [STRG] + [ENTER]");
  EXPECT_EQ(menu_item_text(MapMenu, 11), u"Grabstein setzen");
  EXPECT_EQ(menu_item_text(MapMenu, 12), u"Transportmittel erstellen");
  EXPECT_EQ(menu_item_text(TransportMenu, 13), u"Transportmittel entfernen");
  EXPECT_EQ(menu_item_text(TransportMenu, 14), u"Transportmittel anhängen");
}

TEST_F(DispatchTest, ZoomItemsAndShortcutsReachTheirCommands) {
  ASSERT_EQ(UnsavedChanges, 0);
  menu(16);
  EXPECT_EQ(MapView.zoom, 90);
  EXPECT_EQ(UnsavedChanges, 1);
  menu(9);
  EXPECT_EQ(MapView.zoom, 81);
  menu(15);
  EXPECT_EQ(MapView.zoom, 89);
  menu(10);
  EXPECT_EQ(MapView.zoom, 97);
  menu(10);
  EXPECT_EQ(MapView.zoom, 100);
  menu(9);
  EXPECT_EQ(MapView.zoom, 90);
  menu(17);
  EXPECT_EQ(MapView.zoom, 100);
  menu(16);
  menu(8);
  EXPECT_EQ(MapView.zoom, 100);
  // Numbers without a command change nothing.
  menu(16);
  for (int number : {0, 1, 2, 5, 18, 99, -1}) menu(number);
  EXPECT_EQ(MapView.zoom, 90);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(DispatchTest, NewGameDiscardsChangesWithoutAsking) {
  menu(16);
  list_select(Heroes, 1)->x = 700;
  add_far_piece(Graves, 3);
  Inscriptions[3] = u"RIP";
  ASSERT_EQ(UnsavedChanges, 1);
  menu(3);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(MapView.zoom, 100);
  EXPECT_EQ(list_size(Graves), 0);
  EXPECT_EQ(Inscriptions[3], u"");
  ASSERT_EQ(list_size(Heroes), 2);
  EXPECT_EQ(int32_t{list_select(Heroes, 1)->x}, 57);
}

TEST_F(DispatchTest, CommandsOfLaterStagesAndTheIconDialogReturn) {
  for (int number : {4, 6, 7, 11, 12, 13}) menu(number);
  EXPECT_EQ(UnsavedChanges, 0);
  EXPECT_EQ(MapView.zoom, 100);
  // The main window takes input again after the icon dialog.
  EXPECT_TRUE(send(EventMenu, 16, 0));
  EXPECT_EQ(MapView.zoom, 90);
}

TEST_F(DispatchTest, DetachCommandClearsTheHoverLabel) {
  // No current transport: nothing happens.
  list_reset(Transports);
  HoverLabel.text = u"label";
  menu(14);
  EXPECT_EQ(HoverLabel.text, u"label");

  Piece* transport = add_far_piece(Transports, 0);
  transport->links[0] = 1;
  list_set_current(Transports, transport);
  menu(14);
  EXPECT_EQ(HoverLabel.text, u"");
}

TEST_F(DispatchTest, PressOnEmptyMapPansAndReleaseEndsIt) {
  send(EventGadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 4);
  EXPECT_EQ(PanStart.x, window_mouse_x(MainWindow));
  EXPECT_EQ(PanStart.y, window_mouse_y(MainWindow));
  HoverLabel.text = u"kept";
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  EXPECT_EQ(HoverLabel.text, u"kept");

  // Events of other gadgets are not dispatched, but any LeftButtonUp ends a
  // drag.
  send(EventGadget, PickerCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 0);
  InteractionMode = 2;
  send(EventGadget, PickerCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  EXPECT_EQ(HoverLabel.text, u"kept");
}

TEST_F(DispatchTest, DroppingAGraveOrAFreeTransportShowsItsInscription) {
  Inscriptions[5] = u"RIP Anna";
  Inscriptions[6] = u"Karren";
  Piece* grave = add_far_piece(Graves, 5);
  list_set_current(Graves, grave);
  InteractionMode = 3;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  EXPECT_EQ(HoverLabel.text, u"RIP Anna");
  EXPECT_EQ(HoverLabel.x, window_mouse_x(MainWindow));
  EXPECT_EQ(HoverLabel.y, window_mouse_y(MainWindow));

  Piece* transport = add_far_piece(Transports, 6);
  add_far_piece(Transports, 0);
  list_set_current(Transports, transport);
  InteractionMode = 5;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(InteractionMode, 0);
  EXPECT_EQ(HoverLabel.text, u"Karren");
  EXPECT_EQ(list_current(Transports), transport);
  EXPECT_EQ(int32_t{transport->links[0]}, 0);

  // An inscription index outside the array (damaged file) shows nothing.
  transport->inscription = 300;
  InteractionMode = 5;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(HoverLabel.text, u"");
  grave->inscription = -2;
  InteractionMode = 3;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(HoverLabel.text, u"");
}

// Pieces placed under wherever the pointer is: the hit tests read the real
// pointer position.
class PointerDispatchTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    if (IsSkipped()) return;
    // Put the pointer over the map canvas.
    GdkDisplay* display = gdk_display_get_default();
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    gdk_device_warp(pointer, gdk_display_get_default_screen(display),
                    static_cast<int>(window_x(MainWindow, 1) + 300), static_cast<int>(window_y(MainWindow, 1) + 200));
    gdk_display_sync(display);
    drain();
    if (window_mouse_x(MainWindow) < 0 || window_mouse_y(MainWindow) < 0) GTEST_SKIP() << "pointer outside";
    map_x_ = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), 0));
    map_y_ = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), 1));
    // Both heroes far away at first.
    for (int i = 0; i < 2; i++) list_select(Heroes, i)->x = 1000000 + 100 * i;
  }
  void put_under_pointer(Piece* piece) {
    piece->x = map_x_ - 5;
    piece->y = map_y_ - 5;
  }
  int32_t map_x_ = 0, map_y_ = 0;
};

TEST_F(PointerDispatchTest, PressStartsTheInteractionOfThePieceUnderThePointer) {
  Piece* grave = add_far_piece(Graves, 0);
  put_under_pointer(grave);
  send(EventGadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 3);
  send(EventGadget, MapCanvas, LeftButtonUp);

  Piece* transport = add_far_piece(Transports, 0);
  put_under_pointer(transport);
  send(EventGadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 5);  // transports before graves
  EXPECT_EQ(list_current(Transports), transport);
  InteractionMode = 0;

  put_under_pointer(list_select(Heroes, 1));
  list_reset(Heroes);
  send(EventGadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(InteractionMode, 2);  // heroes before everything
  EXPECT_EQ(list_index(Heroes), 1);
}

TEST_F(PointerDispatchTest, ADroppedTransportFindsItsConvoy) {
  Piece* dragged = add_far_piece(Transports, 0);
  Piece* other = add_far_piece(Transports, 0);
  put_under_pointer(dragged);

  // On a hero: that hero becomes current for the attach.
  put_under_pointer(list_select(Heroes, 1));
  list_select(Heroes, 0);
  list_set_current(Transports, dragged);
  InteractionMode = 5;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(list_index(Heroes), 1);
  EXPECT_EQ(list_current(Transports), dragged);
  list_select(Heroes, 1)->x = 1000000;

  // On a transport of the second hero's convoy: that hero becomes current and
  // the dragged transport current again.
  put_under_pointer(other);
  other->links[0] = 2;
  list_select(Heroes, 0);
  list_set_current(Transports, dragged);
  InteractionMode = 5;
  send(EventGadget, MapCanvas, LeftButtonUp);
  EXPECT_EQ(list_index(Heroes), 1);
  EXPECT_EQ(list_current(Transports), dragged);

  // On a free transport, or one whose hero does not exist: it stays free.
  for (int8_t link : {int8_t{0}, int8_t{5}, int8_t{-1}}) {
    other->links[0] = link;
    list_set_current(Transports, dragged);
    InteractionMode = 5;
    send(EventGadget, MapCanvas, LeftButtonUp);
    EXPECT_NE(list_index(Heroes), 1) << int{link};
    EXPECT_EQ(list_current(Transports), dragged) << int{link};
    EXPECT_EQ(InteractionMode, 0);
  }
}

TEST_F(DispatchTest, SizeWindowResizesTheCanvas) {
  MapView.map_width = 500;
  MapView.map_height = 5000;
  MapView.origin_x = 50;
  MapView.origin_y = 60;
  MapView.canvas_width = 1;
  send(EventSizeWindow, MainWindow, 0);
  EXPECT_EQ(MapView.canvas_width, window_width(MainWindow, 1));
  EXPECT_EQ(MapView.canvas_height, window_height(MainWindow, 1) - 25);
  // Wider than the map: origin_x goes back to 0; not taller: origin_y stays.
  EXPECT_EQ(MapView.origin_x, 0);
  EXPECT_EQ(MapView.origin_y, 60);

  MapView.map_width = 5000;
  MapView.origin_x = 70;
  resize_map_canvas();
  EXPECT_EQ(MapView.origin_x, 70);
}

TEST_F(DispatchTest, TheLoopEndsOnCloseWindow) {
  event_post(EventMenu, 16, 0, 0);
  event_post(EventMenu, 9, 0, 0);
  event_post(EventCloseWindow, 0, MainWindow, 0);
  run_event_loop();
  EXPECT_EQ(MapView.zoom, 81);
  EXPECT_EQ(CurrentEventKind, EventCloseWindow);
  EXPECT_FALSE(dispatch_event(EventCloseWindow));
  EXPECT_TRUE(dispatch_event(-1));
}

TEST_F(DispatchTest, QuitAsksOnlyWithUnsavedChanges) {
  UnsavedChanges = 0;
  ask_save_at_quit();
  EXPECT_TRUE(calls_.empty());

  menu(17);  // even full size at full size is a change
  ask_save_at_quit();
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].kind, RequesterKind::Message);
  EXPECT_EQ(calls_[0].title, u"Tavrel");
  EXPECT_EQ(calls_[0].text,
            u"Der aktuelle Spielstand wurde noch nicht gespeichert. Soll er vor dem Beenden gespeichert werden?");
  EXPECT_EQ(calls_[0].flags, ButtonsYesNo);

  // Yes runs the save command, whatever it does; nothing is asked again.
  answer_ = ResultYes;
  calls_.clear();
  ask_save_at_quit();
  EXPECT_GE(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].title, u"Tavrel");
}

}  // namespace
