// The event loop's dispatch of menu items and map canvas events; the question at quit.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/pieces/transports.h"

namespace {

// Two heroes of 32 x 32 and tiles of 20 x 10; the pointer at (300, 200).
class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    MapView.player_size = 32, MapView.tile_x = 20, MapView.tile_y = 10;
    far_piece(Heroes), far_piece(Heroes);
    warp_pointer(300, 200);
    send(0, 0, 0);
  }
  static void drop(Piece* p) {  // the transport dragged and released over the map canvas
    list_set_current(Transports, p), InteractionMode = Interaction::DragTransport, send(Gadget, MapCanvas, LeftButtonUp);
  }
  static Piece* far_piece(List<Piece>* list, int32_t inscription = 0) {
    return put_piece(list, 1000000, 1000000, inscription);
  }
  static Piece* under_pointer(Piece* piece) {  // 5 map pixels above and left of the pointer
    piece->x = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), 0) - 5);
    piece->y = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), 1) - 5);
    return piece;
  }
  TempProgramDir dir_;
  RequesterLog log_;
};

TEST_F(DispatchTest, ZoomAndTheQuestionAtQuit) {
  ask_save_at_quit();
  ASSERT_TRUE(log_.calls.empty());
  // Out and in by a tenth, rounded down, within 25 and 100: each command, even full size at full size, is a change.
  for (auto [from, number, zoom] : {std::tuple{100, 16, 90}, {81, 9, 72}, {27, 16, 25}, {25, 9, 25}, {25, 15, 27},
                                    {29, 10, 31}, {97, 15, 100}, {100, 10, 100}, {90, 17, 100}, {90, 8, 100},
                                    {100, 17, 100}}) {
    MapView.zoom = from, UnsavedChanges = 0;
    menu(number);
    EXPECT_EQ(XY(MapView.zoom, UnsavedChanges), XY(zoom, 1)) << number << " from " << from;
  }
  ask_save_at_quit();
  EXPECT_EQ(std::tuple(log_.calls.at(0).kind, log_.calls[0].title, log_.calls[0].flags, log_.calls[0].text),
            std::tuple(RequesterKind::Message, String(u"Tavrel"), ButtonsYesNo,
                       String(u"Der aktuelle Spielstand wurde noch nicht gespeichert. "
                              u"Soll er vor dem Beenden gespeichert werden?")));
}

// A press picks a hero before a transport before a grave under the pointer,
// else it pans; a release on any gadget ends the drag: a dropped grave or
// transport shows its inscription, a transport dropped on a hero joins it.
TEST_F(DispatchTest, PressAndRelease) {
  Inscriptions[5] = u"RIP Anna", Inscriptions[6] = u"Karren";
  Piece* transport = far_piece(Transports, 6);
  HoverLabel.text = u"x";
  send(Gadget, PickerCanvas, LeftButtonDown);  // a press elsewhere does nothing; over nothing the label goes
  send(Gadget, MapCanvas, MouseMove);
  EXPECT_EQ(std::tuple(InteractionMode, HoverLabel.text), std::tuple(Interaction::None, String()));
  using enum Interaction;
  for (auto [piece, mode] : {std::pair<Piece*, Interaction>{nullptr, Pan}, {far_piece(Graves, 5), DragGrave},
                             {transport, DragTransport}, {list_select(Heroes, 1), DragHero}}) {
    if (piece) under_pointer(piece);
    send(Gadget, MapCanvas, LeftButtonDown);
    EXPECT_EQ(InteractionMode, mode);
    if (mode != DragTransport) send(Gadget, PickerCanvas, LeftButtonUp);
    EXPECT_EQ(InteractionMode, mode == DragTransport ? DragTransport : None);
    if (mode == Pan) { EXPECT_EQ(UnsavedChanges, 0); }  // a click on the empty map changes nothing
  }
  EXPECT_EQ(std::tuple(PanStart.x, PanStart.y, HoverLabel.x, HoverLabel.y, HoverLabel.text),
            std::tuple(300, 200, 300, 200, String(u"RIP Anna")));
  HoverLabel.text.clear();
  send(Gadget, MapCanvas, MouseMove);  // the grave under the transport gives the label
  EXPECT_EQ(HoverLabel.text, u"RIP Anna");
  list_select(Heroes, 0);
  drop(transport);
  EXPECT_EQ(std::tuple(InteractionMode, list_index(Heroes), list_current(Transports) == transport, HoverLabel.text),
            std::tuple(None, 1, true, String(u"Karren")));
  EXPECT_EQ(XY(transport->links[0], list_select(Heroes, 1)->links[0]), XY(2, 1));  // it joined the hero
  detach_transport(DetachTo::Here);
  list_select(Heroes, 1)->x = 1000000;  // dropped on a transport of a convoy, it joins that convoy
  Piece* other = under_pointer(far_piece(Transports));
  other->links[0] = 1, list_select(Heroes, 0)->links[0] = 2;
  drop(transport);
  EXPECT_EQ(XY(list_select(Heroes, 0)->links[1], transport->links[0]), XY(1, 1));
  // Command 14 on an attached transport detaches it and empties the label.
  HoverLabel.text = u"Karren";
  menu(14);
  EXPECT_EQ(std::tuple(HoverLabel.text, transport->links[0], list_select(Heroes, 0)->links[1]),
            std::tuple(String(), int8_t{0}, int8_t{0}));
  // Pressing on an attached transport detaches it at once, where it stands.
  other->x = 1000000;
  list_set_current(Transports, transport), attach_transport(0);
  XY place = xy(under_pointer(transport));
  send(Gadget, MapCanvas, LeftButtonDown);
  EXPECT_EQ(std::tuple(InteractionMode, transport->links[0], list_select(Heroes, 0)->links[1], xy(transport)),
            std::tuple(DragTransport, int8_t{0}, int8_t{0}, place));
  // Released there it stays free; dropped on a free transport it stays free and current; dropped
  // on a transport of a full convoy (behind the dropped one in the list) it is refused.
  send(Gadget, MapCanvas, LeftButtonUp);
  Piece* late = under_pointer(far_piece(Transports));
  drop(transport);
  EXPECT_EQ(XY(transport->links[0], list_current(Transports) == transport), XY(0, true));
  for (int i = 0; i < 5; i++) list_set_current(Transports, far_piece(Transports)), attach_transport(0);
  under_pointer(other);
  drop(late);
  EXPECT_EQ(std::tuple(late->links[0], log_.calls.at(0).text),
            std::tuple(int8_t{0}, String(u"Pro Spieler können maximal 6 Transportmittel angehängt werden.")));
}

}  // namespace
