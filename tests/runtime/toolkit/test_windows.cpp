// Windows, menus and keyboard shortcuts under a real display.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/objects.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"

namespace {

class Windows : public testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    gui_discard_events();
  }
  void TearDown() override {
    window_close(-1);
    menu_free(-1);
    gui_discard_events();
  }
  GtkWidget* top(int number) { return GTK_WIDGET(window_handle(number)); }
};

TEST(Runtime, StartsOnceWithNumbersInTheCLocale) {
  int argc = 1;
  char name[] = "again";
  char* args[] = {name, nullptr};
  char** argv = args;
  EXPECT_EQ(runtime_init(&argc, &argv), runtime_has_display() ? 1 : 0);
  EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
}

TEST_F(Windows, OpenGivesTheAskedClientSizeAtOnceAndTheNamedData) {
  ASSERT_NE(window_open(0, 50, 60, 300, 200, u"Tavrel", 0x1E), 0);
  EXPECT_EQ(window_width(0, 1), 300);
  EXPECT_EQ(window_height(0, 1), 200);
  EXPECT_EQ(window_title(0), u"Tavrel");
  window_set_title(0, u"Varn ä");
  EXPECT_EQ(window_title(0), u"Varn ä");
  GtkWidget* window = top(0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(g_object_get_data(G_OBJECT(window), "Window"), window);
  EXPECT_NE(g_object_get_data(G_OBJECT(window), "rx_vbox"), nullptr);
  EXPECT_TRUE(GTK_IS_LAYOUT(g_object_get_data(G_OBJECT(window), "rx_gadgetlist")));
  EXPECT_NE(g_object_get_data(G_OBJECT(window), "rx_accelerators"), nullptr);
  EXPECT_TRUE(gtk_widget_get_visible(window));
  EXPECT_TRUE(gtk_window_get_resizable(GTK_WINDOW(window)));
  // Numbers that name nothing.
  EXPECT_EQ(window_width(3, 1), 0);
  EXPECT_EQ(window_height(-7, 1), 0);
  EXPECT_EQ(window_mouse_x(3), 0);
  EXPECT_EQ(window_handle(3), nullptr);
  EXPECT_EQ(window_title(3), u"");
  window_close(3);
  window_present(3);
  window_disable(3, 1);
}

TEST_F(Windows, FlagsDecideResizingAndDecorations) {
  ASSERT_NE(window_open(1, 0, 0, 220, 300, u"Players", 0x0C), 0);
  EXPECT_FALSE(gtk_window_get_resizable(window_handle(1)));
  ASSERT_NE(window_open(2, 0, 0, 50, 50, u"", 0x80, window_handle(1)), 0);
  EXPECT_FALSE(gtk_window_get_decorated(window_handle(2)));
  EXPECT_EQ(gtk_window_get_transient_for(window_handle(2)), window_handle(1));
  GdkWMDecoration decorations{};
  ASSERT_TRUE(gdk_window_get_decorations(gtk_widget_get_window(top(2)), &decorations));
  EXPECT_EQ(decorations, 0);
}

TEST_F(Windows, DynamicWindowsGetDistinctHandlesThatDieWithTheWindow) {
  int a = window_open(AnyNumber, 0, 0, 100, 100, u"a", 0);
  int b = window_open(AnyNumber, 0, 0, 120, 100, u"b", 0);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_NE(a, b);
  EXPECT_GE(a, FixedNumberLimit);
  EXPECT_EQ(window_width(b, 1), 120);
  WindowHandle stale = window_handle(a);
  window_close(a);
  EXPECT_EQ(window_handle(a), nullptr);
  EXPECT_EQ(window_width(a, 1), 0);
  EXPECT_NE(window_handle(b), nullptr);
  // The handle of the closed window is refused, never used.
  EXPECT_EQ(menu_bar_create(0, stale), 0);
  ASSERT_NE(popup_menu_create(1), 0);
  menu_item(1, u"x");
  popup_menu_show(1, stale);
  gui_pump_for(20);
  menu_free(1);
  ASSERT_NE(window_open(3, 0, 0, 50, 50, u"c", 0, stale), 0);
  EXPECT_EQ(gtk_window_get_transient_for(window_handle(3)), nullptr);
}

TEST_F(Windows, CloseButtonPostsCloseWindowAndTheWindowStays) {
  ASSERT_NE(window_open(0, 0, 0, 200, 150, u"w", 0x1E), 0);
  gui_discard_events();
  gui_delete(top(0));
  auto events = gui_filter(gui_take_events(), EventCloseWindow);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].window, 0);
  EXPECT_EQ(events[0].type, 0);
  ASSERT_NE(top(0), nullptr);
  EXPECT_TRUE(gtk_widget_get_visible(top(0)));
}

TEST_F(Windows, DisabledWindowPostsNothingForCloseSizeFocusOrMotion) {
  ASSERT_NE(window_open(0, 0, 0, 200, 150, u"w", 0x1E), 0);
  window_disable(0, 1);
  EXPECT_FALSE(gtk_widget_get_sensitive(top(0)));
  EXPECT_EQ(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(top(0)), "rx_disabled")), 1);
  gui_discard_events();
  gui_delete(top(0));
  gui_configure(top(0), 0, 0, 260, 170);
  gui_motion(top(0), 5, 5);
  GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
  focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top(0))));
  focus->focus_change.in = TRUE;
  gtk_widget_send_focus_change(top(0), focus);
  gdk_event_free(focus);
  auto events = gui_take_events();
  for (const GuiEvent& e : events) {
    EXPECT_NE(e.kind, EventCloseWindow);
    EXPECT_NE(e.kind, EventSizeWindow);
    EXPECT_NE(e.kind, EventActivateWindow);
    EXPECT_NE(e.kind, EventWindowMouseMove);
  }
  ASSERT_NE(top(0), nullptr);
  // The size seen while disabled is remembered: no SizeWindow for it later.
  window_disable(0, 0);
  EXPECT_TRUE(gtk_widget_get_sensitive(top(0)));
  gui_delete(top(0));
  EXPECT_EQ(gui_filter(gui_take_events(), EventCloseWindow).size(), 1u);
}

TEST_F(Windows, SizeWindowOncePerNewSizeNotPerConfigure) {
  ASSERT_NE(window_open(0, 10, 10, 300, 200, u"w", 0x1E), 0);
  gui_pump_for(100);
  gui_discard_events();
  gtk_window_resize(window_handle(0), 420, 310);
  ASSERT_TRUE(gui_wait_until([] { return window_width(0, 1) == 420 && window_height(0, 1) == 310; }));
  gui_pump_for(50);
  auto events = gui_take_events();
  EXPECT_EQ(gui_filter(events, EventSizeWindow).size(), 1u);
  // A configure that only moves the window: MoveWindow, no SizeWindow.
  gui_configure(top(0), 33, 44, 420, 310);
  events = gui_take_events();
  EXPECT_EQ(gui_filter(events, EventSizeWindow).size(), 0u);
  EXPECT_EQ(gui_filter(events, EventMoveWindow).size(), 1u);
  gui_configure(top(0), 33, 44, 420, 310);
  events = gui_take_events();
  EXPECT_EQ(gui_filter(events, EventSizeWindow).size(), 0u);
  EXPECT_EQ(gui_filter(events, EventMoveWindow).size(), 0u);
}

TEST_F(Windows, ReusingANumberClosesTheOldWindowAndDropsItsEvents) {
  ASSERT_NE(window_open(4, 0, 0, 200, 150, u"old", 0x1E), 0);
  ASSERT_NE(canvas_create(7, 0, 0, 50, 50, CanvasBorder), 0);
  GtkWidget* old_window = top(4);
  g_object_add_weak_pointer(G_OBJECT(old_window), reinterpret_cast<gpointer*>(&old_window));
  gui_discard_events();
  gui_delete(top(4));
  gui_click(gadget_widget(7), 1, 5, 5);
  event_post(EventMenu, 3, 4, 0);
  ASSERT_GE(events_queued(), 4);
  ASSERT_NE(window_open(4, 0, 0, 180, 120, u"new", 0x1E), 0);
  EXPECT_EQ(old_window, nullptr);  // destroyed
  EXPECT_EQ(window_title(4), u"new");
  EXPECT_EQ(window_width(4, 1), 180);
  EXPECT_EQ(gadget_type(7), 0);  // the old window's gadget went with it
  EXPECT_EQ(canvas_output(7), nullptr);
  for (const GuiEvent& e : gui_take_events()) {
    EXPECT_NE(e.kind, EventCloseWindow);
    EXPECT_NE(e.kind, EventGadget);
    EXPECT_NE(e.kind, EventMenu);
  }
}

TEST_F(Windows, ClosingAWindowWithGadgetsAndQueuedEventsLeavesNothingBehind) {
  ASSERT_NE(window_open(0, 0, 0, 300, 200, u"main", 0x1E), 0);
  ASSERT_NE(window_open(1, 0, 0, 200, 200, u"second", 0x0C), 0);
  ASSERT_NE(canvas_create(3, 0, 0, 40, 40, CanvasBorder), 0);
  int dynamic = canvas_create(AnyNumber, 50, 0, 40, 40);
  ASSERT_GT(dynamic, 0);
  ASSERT_NE(button_create(4, 0, 50, 80, 30, u"Icon ändern"), 0);
  gui_discard_events();
  gui_motion(gadget_widget(3), 1, 1);
  gui_double_click(gadget_widget(dynamic), 1, 2, 2);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(4)));
  event_post(EventMenu, 1, 0, 0);  // an event of the other window survives
  window_close(1);
  auto events = gui_take_events();
  for (const GuiEvent& e : events) EXPECT_NE(e.window, 1);
  EXPECT_EQ(gui_filter(events, EventMenu).size(), 1u);
  // Every operation on the dead numbers is harmless.
  EXPECT_EQ(gadget_type(3), 0);
  EXPECT_EQ(gadget_type(dynamic), 0);
  EXPECT_EQ(canvas_output(dynamic), nullptr);
  gadget_resize(3, 1, 1, 5, 5);
  gadget_hide(4, 1);
  gadget_free(dynamic);
  gadget_free(3);
  EXPECT_EQ(window_width(1, 1), 0);
  // New gadgets go into the window that is left.
  ASSERT_NE(canvas_create(3, 0, 0, 20, 20), 0);
  EXPECT_EQ(gtk_widget_get_toplevel(gadget_widget(3)), top(0));
}

TEST_F(Windows, DestroyedByTheToolkitTheWindowReleasesItsNumber) {
  ASSERT_NE(window_open(6, 0, 0, 100, 100, u"w", 0), 0);
  event_post(EventMenu, 1, 6, 0);
  gtk_widget_destroy(top(6));
  EXPECT_EQ(window_handle(6), nullptr);
  EXPECT_EQ(events_queued(), 0);
  window_close(6);
  window_close(-1);
}

TEST_F(Windows, MousePositionIsRelativeToTheGadgetAreaAndMinusOneOutsideIt) {
  ASSERT_NE(window_open(0, 100, 100, 300, 200, u"w", 0x1E), 0);
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"Spiel");
  menu_item(3, u"Neues Spiel");
  GtkWidget* area = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(top(0)), "rx_gadgetlist"));
  gui_wait_until([&] {
    return gtk_widget_get_mapped(area) && gtk_widget_get_allocated_height(area) > 100;
  });
  gui_pump_for(100);
  int ax = static_cast<int>(window_x(0, 1));
  int ay = static_cast<int>(window_y(0, 1));
  int aw = gtk_widget_get_allocated_width(area);
  int ah = gtk_widget_get_allocated_height(area);
  ASSERT_GT(aw, 100);
  ASSERT_GT(ah, 50);
  gui_warp_pointer(ax + 10, ay + 20);
  EXPECT_EQ(window_mouse_x(0), 10);
  EXPECT_EQ(window_mouse_y(0), 20);
  gui_warp_pointer(ax + 15, ay - 5);  // over the menu bar
  EXPECT_EQ(window_mouse_x(0), 15);
  EXPECT_EQ(window_mouse_y(0), -1);
  gui_warp_pointer(ax + aw, ay + 7);  // just right of the area
  EXPECT_EQ(window_mouse_x(0), -1);
  EXPECT_EQ(window_mouse_y(0), 7);
  gui_warp_pointer(ax + aw - 1, ay + ah - 1);
  EXPECT_EQ(window_mouse_x(0), aw - 1);
  EXPECT_EQ(window_mouse_y(0), ah - 1);
  gui_warp_pointer(321, 234);
  EXPECT_EQ(desktop_mouse_x(), 321);
  EXPECT_EQ(desktop_mouse_y(), 234);
}

TEST_F(Windows, ShortcutOnReturnAlsoTakesKeypadEnterAndNeedsItsModifier) {
  ASSERT_NE(window_open(0, 0, 0, 200, 150, u"w", 0x1E), 0);
  shortcut_add(0, 0x2FF0D, 17);
  shortcut_add(0, 0x2FFAB, 15);
  shortcut_add(0, 0x1FFAD, 16);  // Shift + keypad Minus
  gui_discard_events();
  auto menus = [] { return gui_filter(gui_take_events(), EventMenu); };

  gui_key(top(0), GDK_KEY_KP_Enter, GDK_CONTROL_MASK);
  auto events = menus();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 17);
  EXPECT_EQ(events[0].window, 0);
  EXPECT_EQ(events[0].type, 0);

  gui_key(top(0), GDK_KEY_Return, GDK_CONTROL_MASK);
  events = menus();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 17);

  gui_key(top(0), GDK_KEY_Return, 0);
  gui_key(top(0), GDK_KEY_KP_Enter, 0);
  gui_key(top(0), GDK_KEY_Return, GDK_MOD1_MASK);
  EXPECT_TRUE(menus().empty());

  gui_key(top(0), GDK_KEY_KP_Add, GDK_CONTROL_MASK);
  gui_key(top(0), GDK_KEY_KP_Subtract, GDK_CONTROL_MASK);  // bound with Shift only
  gui_key(top(0), GDK_KEY_KP_Subtract, GDK_SHIFT_MASK);
  events = menus();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].object, 15);
  EXPECT_EQ(events[1].object, 16);

  shortcut_add(9, 0x2FF0D, 1);  // no such window: nothing
}

TEST(MenuText, AmpersandMarksTheMnemonicUnderscoreStaysAndTabEnds) {
  EXPECT_EQ(menu_label_text(u"&Datei"), "_Datei");
  EXPECT_EQ(menu_label_text(u"a_b"), "a__b");
  EXPECT_EQ(menu_label_text(u"Neu\tStrg+N"), "Neu");
  EXPECT_EQ(menu_label_text(u"Vergrößern [STRG] + [NUM +]"), "Vergrößern [STRG] + [NUM +]");
  std::string long_label = menu_label_text(String(3000, u'x'));
  EXPECT_EQ(long_label.size(), 1020u);
  // A cut never splits a character.
  std::string umlauts = menu_label_text(String(3000, u'ö'));
  EXPECT_TRUE(g_utf8_validate(umlauts.c_str(), static_cast<gssize>(umlauts.size()), nullptr));
  EXPECT_LE(umlauts.size(), 1022u);
}

TEST_F(Windows, MenuBarWithTitledDropDownsPostsItemNumbers) {
  ASSERT_NE(window_open(0, 0, 0, 300, 200, u"w", 0x1E), 0);
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"&Spiel");
  menu_item(3, u"Neues Spiel");
  menu_item(4, u"Icons_neu &laden");
  menu_separator();
  menu_item(7, u"Spiel laden");
  menu_title(u"Zoom");
  menu_item(9, u"Verkleinern [STRG] + [NUM -]");
  // The bar sits in its box on top of the vbox, above the gadget area.
  GtkWidget* vbox = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(top(0)), "rx_vbox"));
  GtkWidget* hbox = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(top(0)), "rx_menu_hbox"));
  GList* children = gtk_container_get_children(GTK_CONTAINER(vbox));
  ASSERT_NE(children, nullptr);
  EXPECT_EQ(children->data, hbox);
  g_list_free(children);
  EXPECT_GT(menu_height(), 10);

  EXPECT_EQ(menu_item_text(0, 3), u"Neues Spiel");
  EXPECT_EQ(menu_item_text(0, 4), u"Icons_neu laden");  // "_" visible, "&" gone
  EXPECT_EQ(menu_item_text(0, 9), u"Verkleinern [STRG] + [NUM -]");
  EXPECT_EQ(menu_item_text(0, 5), u"");
  EXPECT_EQ(menu_item_text(8, 3), u"");

  GtkWidget* bar = gui_find_child(hbox, GTK_TYPE_MENU_BAR);
  ASSERT_NE(bar, nullptr);
  children = gtk_container_get_children(GTK_CONTAINER(bar));
  ASSERT_EQ(g_list_length(children), 2u);
  GtkWidget* spiel = GTK_WIDGET(children->data);
  g_list_free(children);
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(spiel)), "_Spiel");
  GtkWidget* drop_down = gtk_menu_item_get_submenu(GTK_MENU_ITEM(spiel));
  ASSERT_NE(drop_down, nullptr);
  children = gtk_container_get_children(GTK_CONTAINER(drop_down));
  ASSERT_EQ(g_list_length(children), 4u);  // three items and the separator
  GtkWidget* item4 = GTK_WIDGET(g_list_nth_data(children, 1));
  EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(g_list_nth_data(children, 2)));
  g_list_free(children);
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(item4));
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), static_cast<guint>(GDK_KEY_l));
  EXPECT_STREQ(static_cast<const char*>(g_object_get_data(G_OBJECT(item4), "rx_menu_fulltext")),
               "Icons_neu &laden");

  gui_discard_events();
  gtk_menu_item_activate(GTK_MENU_ITEM(item4));
  auto events = gui_filter(gui_take_events(), EventMenu);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 4);
  EXPECT_EQ(events[0].window, 0);

  menu_item_set_text(0, 4, u"Anders");
  EXPECT_EQ(menu_item_text(0, 4), u"Anders");
  menu_item_set_text(0, 4, u"");
  EXPECT_EQ(menu_item_text(0, 4), u"");
  EXPECT_EQ(g_object_get_data(G_OBJECT(item4), "rx_menu_fulltext"), nullptr);
  menu_item_set_text(0, 99, u"x");  // no such item
}

TEST_F(Windows, PopupMenuPostsForTheWindowItWasShownFor) {
  ASSERT_NE(window_open(0, 0, 0, 300, 200, u"w", 0x1E), 0);
  ASSERT_NE(popup_menu_create(2), 0);
  menu_item(13, u"Transportmittel entfernen");
  menu_item(14, u"Transportmittel anhängen");
  menu_item_set_text(2, 14, u"Transportmittel abhängen");
  EXPECT_EQ(menu_item_text(2, 14), u"Transportmittel abhängen");
  gui_warp_pointer(static_cast<int>(window_x(0, 1)) + 20, static_cast<int>(window_y(0, 1)) + 20);
  popup_menu_show(2, window_handle(0));
  gui_pump_for(100);
  GtkWidget* menu = gui_find_toplevel(GTK_TYPE_WINDOW);
  (void)menu;
  gui_discard_events();
  // Choose the second entry.
  GtkMenuItem* entry = nullptr;
  {
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* l = toplevels; l && !entry; l = l->next) {
      GtkWidget* popup_menu = gui_find_child(GTK_WIDGET(l->data), GTK_TYPE_MENU);
      if (!popup_menu) continue;
      GList* items = gtk_container_get_children(GTK_CONTAINER(popup_menu));
      if (g_list_length(items) == 2) entry = GTK_MENU_ITEM(g_list_nth_data(items, 1));
      g_list_free(items);
    }
    g_list_free(toplevels);
  }
  ASSERT_NE(entry, nullptr);
  gtk_menu_item_activate(entry);
  gtk_menu_shell_deactivate(GTK_MENU_SHELL(gtk_widget_get_parent(GTK_WIDGET(entry))));
  auto events = gui_filter(gui_take_events(), EventMenu);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 14);
  EXPECT_EQ(events[0].window, 0);
  EXPECT_EQ(gtk_grab_get_current(), nullptr);
  // Once its window is gone the popup posts nothing.
  window_close(0);
  gtk_menu_item_activate(entry);
  EXPECT_TRUE(gui_filter(gui_take_events(), EventMenu).empty());
  popup_menu_show(5, nullptr);  // not a menu
}

TEST_F(Windows, AMenuBarDiesWithItsWindow) {
  ASSERT_NE(window_open(0, 0, 0, 300, 200, u"w", 0x1E), 0);
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"Spiel");
  menu_item(3, u"Neues Spiel");
  window_close(0);
  EXPECT_EQ(menu_item_text(0, 3), u"");
  menu_item_set_text(0, 3, u"x");
  menu_item(5, u"goes nowhere");
  menu_title(u"nowhere");
  menu_separator();
  menu_free(0);
  EXPECT_EQ(menu_bar_create(1, nullptr), 0);
}

}  // namespace

namespace {

TEST_F(Windows, ReleasingTheRuntimeClosesEveryWindowAndDropsTheirEvents) {
  ASSERT_NE(window_open(0, 0, 0, 200, 150, u"main", 0x1E), 0);
  ASSERT_NE(window_open(1, 0, 0, 100, 100, u"second", 0x0C, window_handle(0)), 0);
  int dynamic = window_open(AnyNumber, 0, 0, 100, 100, u"third", 0x80);
  ASSERT_GT(dynamic, 0);
  ASSERT_NE(canvas_create(0, 0, 0, 30, 30, CanvasBorder), 0);
  gui_discard_events();
  event_post(EventCloseWindow, 0, 0, 0);
  event_post(EventMenu, 3, 1, 0);
  event_post(EventGadget, 0, dynamic, LeftClick);
  runtime_release();
  EXPECT_EQ(window_handle(0), nullptr);
  EXPECT_EQ(window_handle(1), nullptr);
  EXPECT_EQ(window_handle(dynamic), nullptr);
  EXPECT_EQ(gadget_type(0), 0);
  EXPECT_EQ(events_queued(), 0);
}

}  // namespace
