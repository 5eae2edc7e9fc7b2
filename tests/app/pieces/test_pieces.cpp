// Graves, transports, convoys and the context menu; requesters answered by the test.
#include <gtest/gtest.h>

#include "../app_support.h"
#include "app/pieces/context_menu.h"
#include "app/pieces/drag.h"
#include "app/pieces/graves.h"
#include "app/pieces/inscriptions.h"
#include "app/pieces/transports.h"

namespace {

using Links = std::vector<int>;

class PiecesTest : public ::testing::Test {
 protected:
  // Three heroes as a fresh level puts them, each with its start trail.
  void SetUp() override {
    if (!ensure_main_window()) GTEST_SKIP() << "no display";
    fresh_state();
    MapView.map_width = 1000, MapView.map_height = 800, MapView.canvas_width = 800, MapView.canvas_height = 575;
    MapView.tile_x = MapView.tile_y = 40, MapView.player_size = 32;
    for (const char16_t* id : {u"stone", u"cross", u"stone"}) list_last(GraveCatalog), list_add(GraveCatalog)->id = id;
    *list_add(TransportCatalog) = CatalogEntry{u"Planwagen", u"wagon", 0, u""};
    for (int i = 0; i < 3; i++) {
      put_piece(Heroes, 25 + 32 * i, 20, 0, i);
      Trail* trail = (list_last(Trails), list_add(Trails));
      for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41 + 32 * i, 36 + 8 * j};
    }
    log_.answer = ResultYes;
  }
  static void transports(int n) { for (int i = 0; i < n; i++) put_piece(Transports, 500 + 50 * i, 500); }
  static void attach(int transport, int hero) { list_select(Transports, transport), attach_transport(hero); }
  static void detach(int transport, DetachTo place) { list_select(Transports, transport), detach_transport(place); }
  static XY at(int transport) { return xy(list_select(Transports, transport)); }
  static std::vector<XY> places() { return {at(0), at(1), at(2)}; }
  static Links links(List<Piece>* list, int position, int slots = MaxConvoy) {
    Piece* piece = list_select(list, position);
    return Links(piece->links, piece->links + slots);
  }
  // Clicks the piece picker's first cell, which opens under the pointer.
  static void pick_first() { gui_later(30, [] { event_post(Gadget, PickerCanvas, MainWindow, LeftClick); }); }
  // The first item of the popup menu on the screen ("" for none); closes it.
  static String shown_menu() {
    gui_pump_for(100);
    GtkWidget* menu = gtk_grab_get_current();  // a shown popup menu holds the grab
    if (!menu || !GTK_IS_MENU(menu)) return u"";
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    String first = string_from_utf8(gtk_menu_item_get_label(GTK_MENU_ITEM(items->data)));
    g_list_free(items);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
    gui_pump_for(100);  // until the pointer grab has gone
    return first;
  }

  RequesterLog log_;
};

TEST_F(PiecesTest, AddPieceKeepsNewPiecesOnTheMapAndFindsTheEntry) {
  MapView.origin_x = 100, MapView.origin_y = 50;
  // x = 0 counts as off the map, y = 0 as on it.
  const int32_t cases[][4] = {{50, 60, 50, 60},     {0, 0, 110, 0},       {-5, -1, 110, 60},
                              {960, 760, 960, 760}, {961, 761, 950, 750}, {1, 1, 1, 1}};
  for (auto [x, y, ex, ey] : cases) {
    ASSERT_TRUE(add_piece(u"cross", Graves, GraveCatalog, x, y));
    EXPECT_EQ(xy(list_current(Graves)), XY(ex, ey)) << x << "," << y;
  }
  EXPECT_EQ(int32_t{list_last(Graves)->catalog_index}, 1);
  list_select(GraveCatalog, 2);  // the current entry wins over an earlier one with the same id
  add_piece(u"stone", Graves, GraveCatalog, 5, 5);
  EXPECT_EQ(int32_t{list_last(Graves)->catalog_index}, 2);
  EXPECT_FALSE(add_piece(u"Stone", Graves, GraveCatalog, 5, 5));
  list_clear(GraveCatalog);
  EXPECT_FALSE(add_piece(u"stone", Graves, GraveCatalog, 5, 5));
  EXPECT_EQ(list_size(Graves), 7);
}

TEST_F(PiecesTest, InscriptionsAreDatedAndShareOnePool) {
  EXPECT_EQ(grave_inscription(u"Anna", u"Falken", date_make(2026, 12, 5, 13, 7, 0)),
            u"RIP 05.12.2026 - Hier ruht Anna von den Falken");
  Inscriptions[0] = Inscriptions[1] = u"kept";
  put_piece(Graves, 0, 0, 3);  // index 3 is held, though its text is empty
  EXPECT_EQ(take_inscription(u"b"), 2);
  EXPECT_EQ(take_inscription(u"c"), 4);
  for (int i = 5; i < InscriptionCount; i++) take_inscription(u"e");
  EXPECT_EQ(Inscriptions[255], u"e");
  EXPECT_EQ(take_inscription(u"f"), 0);
}

TEST_F(PiecesTest, ConvoysKeepTheirOrderAndCloseUp) {
  transports(4);
  list_select(Heroes, 1);
  for (int t : {2, 0, 1}) attach(t, 0);
  EXPECT_EQ(list_index(Heroes), 1);  // the current hero is left as it was
  EXPECT_EQ(links(Heroes, 0), (Links{3, 1, 2, 0, 0, 0}));
  EXPECT_EQ(at(2), XY(21, 52));  // laid out at once, 36 below the hero's centre
  // Removing position 0: the convoy becomes 2, 1; its text and the hover label go.
  list_select(Transports, 0)->inscription = take_inscription(HoverLabel.text = u"Karren");
  remove_transport();
  EXPECT_EQ(links(Heroes, 0), (Links{2, 1, 0, 0, 0, 0}));
  EXPECT_EQ(Inscriptions[1] + HoverLabel.text, u"");
  // Detaching the first of three: the others move up, it goes to the end.
  attach(2, 0);
  std::vector<XY> before = places();
  detach(1, DetachTo::ConvoyEnd);
  EXPECT_EQ(links(Heroes, 0), (Links{1, 3, 0, 0, 0, 0}));
  EXPECT_EQ(places(), (std::vector<XY>{before[1], before[2], before[0]}));
  // The last member stays where it stands; at a drag start the first stays too.
  detach(2, DetachTo::ConvoyEnd);
  EXPECT_EQ(at(2), before[0]);
  attach(1, 0);
  attach(2, 0);
  before = places();
  detach(0, DetachTo::Here);
  EXPECT_EQ(links(Heroes, 0), (Links{2, 3, 0, 0, 0, 0}));
  EXPECT_EQ(places(), (std::vector<XY>{before[0], before[0], before[1]}));
  EXPECT_EQ(links(Transports, 0, 1)[0], 0);
}

TEST_F(PiecesTest, AFullConvoyIsRefused) {
  transports(7);
  for (int t = 0; t < 7; t++) attach(t, 0);
  EXPECT_EQ(std::pair(links(Heroes, 0), log_.calls.size()), std::pair(Links{1, 2, 3, 4, 5, 6}, size_t{1}));
  EXPECT_EQ(log_.calls.at(0).text, u"Pro Spieler können maximal 6 Transportmittel angehängt werden.");
  EXPECT_EQ(log_.calls[0].flags, 0);
  EXPECT_EQ(links(Transports, 6, 1)[0], 0);
  EXPECT_EQ(at(6), XY(800, 500));
}

TEST_F(PiecesTest, RightClickOnTheMapSetsPiecesAndOffersTheirCommands) {
  warp_pointer(300, 200);
  MapView.zoom = 50, MapView.tile_y = 20;  // the pointer is on map point (600, 400)
  show_context_menu();
  EXPECT_EQ(shown_menu(), u"Grabstein setzen");
  EXPECT_EQ(XY(PopupPoint.x, PopupPoint.y), XY(580, 390));
  log_.texts = {u"Anna", u"Falken", u"Planwagen"};
  for (auto command : {set_grave, create_transport}) pick_first(), command();
  Piece* grave = list_current(Graves);
  Piece* transport = list_current(Transports);
  EXPECT_EQ(xy(grave), XY(580, 390));
  EXPECT_EQ(Inscriptions[1], grave_inscription(u"Anna", u"Falken", date_now()));
  EXPECT_EQ(Inscriptions[transport->inscription], u"Planwagen von ");  // the name offered, no owner
  EXPECT_EQ(log_.calls.at(2).default_text, u"Planwagen");
  // A hero on top: nothing. The transport over the grave: its menu.
  Piece* hero = put_piece(Heroes, 590, 390);
  show_context_menu();
  EXPECT_EQ(shown_menu(), u"");
  hero->x = 1000000;
  for (int8_t link : {1, 9, 0}) {  // 9 names no hero; ends with the start text
    transport->links[0] = link;
    list_reset(Transports);
    show_context_menu();
    EXPECT_EQ(shown_menu(), u"Transportmittel entfernen");
    EXPECT_EQ(menu_item_text(TransportMenu, 14), link ? u"Transportmittel abhängen" : u"Transportmittel anhängen");
    EXPECT_EQ(list_current(Transports), transport);
  }
  // The grave: the question at once; No keeps it, Yes removes it and its text.
  list_clear(Transports);
  for (int answer : {ResultNo, ResultYes}) {
    log_.answer = answer;
    UnsavedChanges = 0;
    show_context_menu();
    EXPECT_EQ(shown_menu(), u"");
    EXPECT_EQ(log_.calls.at(log_.calls.size() - 1).text, u"Soll der Grabstein tatsächlich entfernt werden?");
    EXPECT_EQ(list_current(Graves) == grave && Inscriptions[1] != u"", answer == ResultNo);
    EXPECT_EQ(UnsavedChanges, answer == ResultYes);
  }
}

}  // namespace
