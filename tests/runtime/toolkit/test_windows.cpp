// Windows, menus and keyboard shortcuts under a real display.
#include <gtest/gtest.h>

#include <clocale>

#include "runtime/core/objects.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"

namespace {

class Windows : public testing::Test {
 protected:
  // Window 0 is open in every test.
  void SetUp() override {
    GUI_REQUIRE();
    ASSERT_NE(window_open(0, 100, 100, 300, 200, u"Tavrel", 0x1E), 0);
    gui_discard_events();
  }
  void TearDown() override {
    window_close(-1);
    menu_free(-1);
    gui_discard_events();
  }
  GtkWidget* top(int number) { return GTK_WIDGET(window_handle(number)); }
  size_t count(int64_t kind) { return gui_filter(gui_take_events(), kind).size(); }
};

// The n-th entry of a menu shell, or nullptr.
GtkWidget* nth_item(GtkWidget* shell, guint n) {
  if (!shell) return nullptr;
  GList* items = gtk_container_get_children(GTK_CONTAINER(shell));
  GtkWidget* item = GTK_WIDGET(g_list_nth_data(items, n));
  g_list_free(items);
  return item;
}

TEST(Runtime, StartsAgainWithNumbersInTheCLocale) {
  int argc = 1;
  char name[] = "again";
  char* args[] = {name, nullptr};
  char** argv = args;
  EXPECT_EQ(runtime_init(&argc, &argv), runtime_has_display() ? 1 : 0);
  EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
}

TEST_F(Windows, OpenGivesTheClientSizeAndTitleAndUnknownNumbersAreHarmless) {
  EXPECT_EQ(window_width(0, 1), 300);
  EXPECT_EQ(window_height(0, 1), 200);
  window_set_title(0, u"Varn ä");
  EXPECT_EQ(window_title(0), u"Varn ä");
  ASSERT_NE(window_open(1, 0, 0, 50, 50, u"", WindowBorderless, window_handle(0)), 0);
  EXPECT_FALSE(gtk_window_get_resizable(window_handle(1)));
  EXPECT_EQ(gtk_window_get_transient_for(window_handle(1)), window_handle(0));
  EXPECT_EQ(window_width(3, 1) + window_height(-7, 1) + window_mouse_x(3), 0);
  EXPECT_EQ(window_title(3), u"");
  window_close(3);
  window_present(3);
  window_disable(3, 1);
}

TEST_F(Windows, AClosedDynamicWindowsStaleHandleIsRefused) {
  int a = window_open(AnyNumber, 0, 0, 100, 100, u"a", 0);
  int b = window_open(AnyNumber, 0, 0, 120, 100, u"b", 0);
  ASSERT_GE(a, FixedNumberLimit);
  ASSERT_GE(b, FixedNumberLimit);
  EXPECT_NE(a, b);
  WindowHandle stale = window_handle(a);
  window_close(a);
  EXPECT_EQ(window_handle(a), nullptr);
  EXPECT_EQ(window_width(b, 1), 120);
  EXPECT_EQ(menu_bar_create(0, stale), 0);
  ASSERT_NE(popup_menu_create(1), 0);
  menu_item(1, u"x");
  popup_menu_show(1, stale);
  gui_pump_for(20);
  menu_free(1);
  ASSERT_NE(window_open(3, 0, 0, 50, 50, u"c", 0, stale), 0);
  EXPECT_EQ(gtk_window_get_transient_for(window_handle(3)), nullptr);
}

TEST_F(Windows, CloseButtonPostsCloseWindowUnlessTheWindowIsDisabled) {
  gui_delete(top(0));
  auto events = gui_filter(gui_take_events(), CloseWindow);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].window, 0);
  EXPECT_TRUE(gtk_widget_get_visible(top(0)));  // closing is the application's decision

  window_disable(0, 1);
  gui_delete(top(0));
  gui_configure(top(0), 0, 0, 260, 170);
  gui_motion(top(0), 5, 5);
  GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
  focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top(0))));
  focus->focus_change.in = TRUE;
  gtk_widget_send_focus_change(top(0), focus);
  gdk_event_free(focus);
  for (const GuiEvent& e : gui_take_events()) {
    EXPECT_NE(e.kind, CloseWindow);
    EXPECT_NE(e.kind, SizeWindow);
    EXPECT_NE(e.kind, ActivateWindow);
    EXPECT_NE(e.kind, WindowMouseMove);
  }
  window_disable(0, 0);
  gui_delete(top(0));
  EXPECT_EQ(count(CloseWindow), 1u);
}

TEST_F(Windows, SizeWindowOncePerNewSizeMoveWindowOncePerNewPosition) {
  gui_pump_for(100);
  gui_discard_events();
  gtk_window_resize(window_handle(0), 420, 310);
  ASSERT_TRUE(gui_wait_until([] { return window_width(0, 1) == 420 && window_height(0, 1) == 310; }));
  gui_pump_for(50);
  EXPECT_EQ(count(SizeWindow), 1u);
  for (int i = 0; i < 2; ++i) {
    gui_configure(top(0), 33, 44, 420, 310);
    auto events = gui_take_events();
    EXPECT_EQ(gui_filter(events, SizeWindow).size(), 0u);
    EXPECT_EQ(gui_filter(events, MoveWindow).size(), i == 0 ? 1u : 0u);
  }
}

// Reusing the number takes the same release path as window_close.
TEST_F(Windows, ReusingANumberClosesTheOldWindowWithItsGadgetsAndQueuedEvents) {
  ASSERT_NE(window_open(1, 0, 0, 200, 150, u"old", 0x1E), 0);
  ASSERT_NE(canvas_create(3, 0, 0, 40, 40, CanvasBorder), 0);
  EXPECT_EQ(gtk_widget_get_toplevel(gadget_widget(3)), top(1));  // the window opened last
  int dynamic = canvas_create(AnyNumber, 50, 0, 40, 40);
  ASSERT_NE(button_create(4, 0, 50, 80, 30, u"Icon ändern"), 0);
  GtkWidget* old_window = top(1);
  g_object_add_weak_pointer(G_OBJECT(old_window), reinterpret_cast<gpointer*>(&old_window));
  gui_discard_events();
  gui_delete(top(1));
  gui_motion(gadget_widget(3), 1, 1);
  gui_double_click(gadget_widget(dynamic), 1, 2, 2);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(4)));
  event_post(Menu, 3, 1, 0);
  event_post(Menu, 1, 0, 0);  // of the other window: kept
  ASSERT_GE(events_queued(), 11);
  ASSERT_NE(window_open(1, 0, 0, 180, 120, u"new", 0x1E), 0);
  EXPECT_EQ(old_window, nullptr);
  EXPECT_EQ(window_title(1), u"new");
  EXPECT_EQ(gadget_type(3), 0);
  EXPECT_EQ(canvas_output(dynamic), nullptr);
  gadget_resize(3, 1, 1, 5, 5);
  gadget_hide(4, 1);
  gadget_free(dynamic);
  auto events = gui_take_events();
  for (const GuiEvent& e : events) {
    EXPECT_NE(e.kind, CloseWindow);
    EXPECT_NE(e.kind, Gadget);
  }
  auto menus = gui_filter(events, Menu);
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].window, 0);
  window_close(1);
  ASSERT_NE(canvas_create(3, 0, 0, 20, 20), 0);
  EXPECT_EQ(gtk_widget_get_toplevel(gadget_widget(3)), top(0));
}

TEST_F(Windows, DestroyedByTheToolkitTheWindowReleasesItsNumberAndEvents) {
  ASSERT_NE(window_open(6, 0, 0, 100, 100, u"w", 0), 0);
  ASSERT_NE(menu_bar_create(0, window_handle(6)), 0);
  menu_title(u"Spiel");
  menu_item(3, u"Neues Spiel");
  event_post(Menu, 1, 6, 0);
  gtk_widget_destroy(top(6));
  EXPECT_EQ(window_handle(6), nullptr);
  for (const GuiEvent& e : gui_take_events()) EXPECT_NE(e.window, 6);
  EXPECT_EQ(menu_item_text(0, 3), u"");  // the menu bar went with it
  menu_item_set_text(0, 3, u"x");
  menu_item(5, u"goes nowhere");
  menu_title(u"nowhere");
  menu_separator();
  menu_free(0);
  window_close(6);
}

TEST_F(Windows, MousePositionIsRelativeToTheGadgetAreaAndMinusOneOutsideIt) {
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"Spiel");
  menu_item(3, u"Neues Spiel");
  GtkWidget* area = window_gadget_area(0);
  gui_wait_until([&] { return gtk_widget_get_mapped(area) && gtk_widget_get_allocated_height(area) > 100; });
  gui_pump_for(100);
  int ax = static_cast<int>(window_x(0, 1)), ay = static_cast<int>(window_y(0, 1));
  int aw = gtk_widget_get_allocated_width(area), ah = gtk_widget_get_allocated_height(area);
  struct {
    int dx, dy;
    int64_t x, y;
  } cases[] = {{10, 20, 10, 20}, {15, -5, 15, -1}, {aw, 7, -1, 7}, {aw - 1, ah - 1, aw - 1, ah - 1}};
  for (auto c : cases) {
    gui_warp_pointer(ax + c.dx, ay + c.dy);
    EXPECT_EQ(window_mouse_x(0), c.x) << c.dx;
    EXPECT_EQ(window_mouse_y(0), c.y) << c.dy;
  }
  gui_warp_pointer(321, 234);
  EXPECT_EQ(desktop_mouse_x(), 321);
  EXPECT_EQ(desktop_mouse_y(), 234);
}

TEST_F(Windows, ShortcutOnControlReturnAlsoTakesKeypadEnterAndNeedsItsModifiers) {
  shortcut_add(0, ShortcutControl | GDK_KEY_Return, 17);
  shortcut_add(0, ShortcutShift | GDK_KEY_KP_Subtract, 16);
  shortcut_add(9, ShortcutControl | GDK_KEY_Return, 1);  // no such window
  gui_discard_events();
  struct {
    guint key, state;
    int64_t menu;  // 0: nothing
  } cases[] = {{GDK_KEY_KP_Enter, GDK_CONTROL_MASK, 17}, {GDK_KEY_Return, GDK_CONTROL_MASK, 17},
               {GDK_KEY_Return, 0, 0},                   {GDK_KEY_KP_Enter, 0, 0},
               {GDK_KEY_Return, GDK_MOD1_MASK, 0},       {GDK_KEY_KP_Subtract, GDK_CONTROL_MASK, 0},
               {GDK_KEY_KP_Subtract, GDK_SHIFT_MASK, 16}};
  for (auto c : cases) {
    gui_key(top(0), c.key, c.state);
    auto events = gui_filter(gui_take_events(), Menu);
    ASSERT_EQ(events.size(), c.menu ? 1u : 0u) << gdk_keyval_name(c.key) << " " << c.state;
    if (c.menu) {
      EXPECT_EQ(events[0].object, c.menu);
      EXPECT_EQ(events[0].window, 0);
    }
  }
}

TEST(MenuText, AmpersandMarksTheMnemonicUnderscoreStaysAndTabEnds) {
  EXPECT_EQ(menu_label_text(u"&Datei"), "_Datei");
  EXPECT_EQ(menu_label_text(u"a_b"), "a__b");
  EXPECT_EQ(menu_label_text(u"Neu\tStrg+N"), "Neu");
  EXPECT_EQ(menu_label_text(u"Vergrößern [STRG] + [NUM +]"), "Vergrößern [STRG] + [NUM +]");
  EXPECT_EQ(menu_label_text(String(3000, u'x')).size(), 1020u);
  std::string umlauts = menu_label_text(String(3000, u'ö'));  // a cut never splits a character
  EXPECT_TRUE(g_utf8_validate(umlauts.c_str(), static_cast<gssize>(umlauts.size()), nullptr));
  EXPECT_LE(umlauts.size(), 1022u);
}

TEST_F(Windows, MenuBarItemsShowTheirTextAndPostTheirNumbers) {
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"&Spiel");
  menu_item(3, u"Neues Spiel");
  menu_separator();
  menu_item(4, u"Icons_neu &laden");
  menu_title(u"Zoom");
  menu_item(9, u"Verkleinern");
  EXPECT_GT(menu_height(), 10);
  EXPECT_EQ(menu_item_text(0, 4), u"Icons_neu laden");
  EXPECT_EQ(menu_item_text(0, 9), u"Verkleinern");
  EXPECT_EQ(menu_item_text(0, 5), u"");
  GtkWidget* spiel = nth_item(gui_find_child(top(0), GTK_TYPE_MENU_BAR), 0);
  ASSERT_NE(spiel, nullptr);
  GtkWidget* item4 = nth_item(gtk_menu_item_get_submenu(GTK_MENU_ITEM(spiel)), 2);
  ASSERT_TRUE(GTK_IS_MENU_ITEM(item4));
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item4)))), guint{GDK_KEY_l});
  gtk_menu_item_activate(GTK_MENU_ITEM(item4));
  auto events = gui_filter(gui_take_events(), Menu);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 4);
  EXPECT_EQ(events[0].window, 0);
  menu_item_set_text(0, 4, u"&Anders_x");
  EXPECT_EQ(menu_item_text(0, 4), u"Anders_x");
  menu_item_set_text(0, 99, u"x");
}

TEST_F(Windows, PopupMenuPostsForTheWindowItWasShownForAndNothingOnceItIsGone) {
  ASSERT_NE(popup_menu_create(2), 0);
  menu_item(13, u"Transportmittel entfernen");
  menu_item(14, u"Transportmittel anhängen");
  gui_warp_pointer(static_cast<int>(window_x(0, 1)) + 20, static_cast<int>(window_y(0, 1)) + 20);
  popup_menu_show(2, window_handle(0));
  gui_pump_for(100);
  GtkWidget* entry = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l && !entry; l = l->next)
    entry = nth_item(gui_find_child(GTK_WIDGET(l->data), GTK_TYPE_MENU), 1);
  g_list_free(toplevels);
  ASSERT_NE(entry, nullptr);
  gui_discard_events();
  gtk_menu_item_activate(GTK_MENU_ITEM(entry));
  gtk_menu_shell_deactivate(GTK_MENU_SHELL(gtk_widget_get_parent(entry)));
  auto events = gui_filter(gui_take_events(), Menu);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].object, 14);
  EXPECT_EQ(events[0].window, 0);
  EXPECT_EQ(gtk_grab_get_current(), nullptr);
  window_close(0);
  gtk_menu_item_activate(GTK_MENU_ITEM(entry));
  EXPECT_EQ(count(Menu), 0u);
  popup_menu_show(5, nullptr);
}

TEST_F(Windows, ReleasingTheRuntimeClosesEveryWindowAndDropsTheirEvents) {
  ASSERT_NE(window_open(1, 0, 0, 100, 100, u"second", 0x0C, window_handle(0)), 0);
  int dynamic = window_open(AnyNumber, 0, 0, 100, 100, u"third", 0x80);
  ASSERT_NE(canvas_create(0, 0, 0, 30, 30, CanvasBorder), 0);
  gui_discard_events();
  event_post(CloseWindow, 0, 0, 0);
  event_post(Menu, 3, 1, 0);
  event_post(Gadget, 0, dynamic, LeftClick);
  runtime_release();
  EXPECT_EQ(window_handle(0), nullptr);
  EXPECT_EQ(window_handle(dynamic), nullptr);
  EXPECT_EQ(gadget_type(0), 0);
  EXPECT_EQ(events_queued(), 0);
}

}  // namespace
