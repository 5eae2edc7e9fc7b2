// Windows, menus and keyboard shortcuts under a real display.
#include <gtest/gtest.h>

#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"

namespace {

class Windows : public testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    ASSERT_NE(window_open(0, 100, 100, 300, 200, u"Tavrel", 0x1E), 0);
    gui_discard_events();
  }
  void TearDown() override { window_close(-1), menu_free(-1), gui_discard_events(); }
  GtkWidget* top() { return GTK_WIDGET(window_handle(0)); }
  // The queued events: a Menu event as object * 100 + window, size, close and
  // mouse moves as their negative kind; the rest (repaints, focus) left out.
  std::vector<int64_t> events() {
    std::vector<int64_t> out;
    for (const GuiEvent& e : gui_take_events())
      if (e.kind == Menu || e.kind == CloseWindow || e.kind == SizeWindow || e.kind == WindowMouseMove)
        out.push_back(e.kind == Menu ? e.object * 100 + e.window : -e.kind);
    return out;
  }
};

// The n-th entry of a menu shell.
GtkWidget* nth_item(GtkWidget* shell, guint n) {
  GList* items = gtk_container_get_children(GTK_CONTAINER(shell));
  GtkWidget* item = GTK_WIDGET(g_list_nth_data(items, n));
  g_list_free(items);
  return item;
}

TEST_F(Windows, SizeCloseAndShortcutEvents) {
  EXPECT_EQ(window_width(0, 1) * 1000 + window_height(0, 1), 300200);  // before any configure signal
  gtk_window_resize(window_handle(0), 420, 310);
  ASSERT_TRUE(gui_wait_until([] { return window_width(0, 1) == 420 && window_height(0, 1) == 310; }));
  gui_pump_for(50);
  EXPECT_EQ(events(), std::vector<int64_t>{-SizeWindow});
  for (int i = 0; i < 2; ++i) gui_configure(top(), 33, 44, 420, 310);
  std::vector<GuiEvent> later = gui_take_events();
  EXPECT_EQ(gui_types(later, SizeWindow).size() * 10 + gui_types(later, MoveWindow).size(), 1u);

  gui_delete(top());
  EXPECT_EQ(events(), std::vector<int64_t>{-CloseWindow});
  window_disable(0, true);
  gui_delete(top());
  gui_configure(top(), 0, 0, 260, 170);
  gui_motion(top(), 5, 5);
  EXPECT_TRUE(events().empty());

  // Shortcuts; a Return shortcut takes keypad Enter too.
  window_disable(0, false);
  shortcut_add(0, ShortcutControl | GDK_KEY_Return, 17);
  shortcut_add(0, ShortcutShift | GDK_KEY_KP_Subtract, 16);
  gui_discard_events();
  const struct { guint key, state; std::vector<int64_t> posted; } keys[] = {
      {GDK_KEY_KP_Enter, GDK_CONTROL_MASK, {1700}}, {GDK_KEY_Return, GDK_CONTROL_MASK, {1700}},
      {GDK_KEY_Return, 0, {}}, {GDK_KEY_KP_Enter, 0, {}}, {GDK_KEY_Return, GDK_MOD1_MASK, {}},
      {GDK_KEY_KP_Subtract, GDK_CONTROL_MASK, {}}, {GDK_KEY_KP_Subtract, GDK_SHIFT_MASK, {1600}}};
  for (auto c : keys) {
    gui_key(top(), c.key, c.state);
    EXPECT_EQ(events(), c.posted) << gdk_keyval_name(c.key) << " " << c.state;
  }
}

// (The mouse relative to the gadget area is what every pointer test of the application relies on.)
TEST_F(Windows, MenusPostTheirNumbersAndGreyedItems) {
  ASSERT_NE(menu_bar_create(0, window_handle(0)), 0);
  menu_title(u"&Spiel");
  menu_item(3, u"Neues Spiel");
  menu_separator();
  menu_item(4, u"Icons_neu &laden");
  menu_title(u"Zoom");
  menu_item(9, u"Verkleinern");
  GtkWidget* bar = gui_find_child(top(), GTK_TYPE_MENU_BAR);
  GtkWidget* item = nth_item(gtk_menu_item_get_submenu(GTK_MENU_ITEM(nth_item(bar, 0))), 2);
  gtk_menu_item_activate(GTK_MENU_ITEM(item));
  EXPECT_EQ(events(), std::vector<int64_t>{400});
  menu_item_enable(0, 4, false);  // greyed
  EXPECT_FALSE(gtk_widget_get_sensitive(item));

  ASSERT_NE(popup_menu_create(2), 0);
  menu_item(13, u"Transportmittel entfernen");
  menu_item(14, u"Transportmittel anhängen");
  popup_menu_show(2, window_handle(0));
  gui_pump_for(100);
  GtkWidget* menu = gtk_grab_get_current();  // a shown popup menu holds the grab
  ASSERT_TRUE(menu && GTK_IS_MENU(menu));
  gui_discard_events();
  gtk_menu_item_activate(GTK_MENU_ITEM(nth_item(menu, 1)));
  gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
  EXPECT_EQ(events(), std::vector<int64_t>{1400});
  EXPECT_EQ(gtk_grab_get_current(), nullptr);
}

}  // namespace
