// The player icon dialog: the "players.xml" it writes and damaged input, and the picture picker.
// (A row's new picture on its hero is checked end to end by test_player_icons.sh.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "../app_support.h"
#include "app/catalogs/player_icons.h"

namespace {

// Runs action from the toolkit loop once ready() holds (checked for 5 s); else
// fails and ends the waits of an open picker and of the dialog.
void when(std::function<bool()> ready, std::function<void()> action, int tries = 100) {
  gui_later(50, [=] {
    if (ready()) return action();
    if (tries > 0) return when(ready, action, tries - 1);
    ADD_FAILURE() << "the window did not come";
    for (int i = window_handle(IconPickerWindow) ? 2 : 1; i > 0; i--)
      event_post(CloseWindow, 0, PlayerIconsWindow, 0, nullptr, nullptr, PostNoCollapse);
  });
}
GtkWidget* picker_canvas() {
  return window_handle(2) ? gui_find_child(GTK_WIDGET(window_handle(2)), GTK_TYPE_DRAWING_AREA) : nullptr;
}
// Moves the real pointer to the middle of a picker cell of 20 x 20 and clicks there.
void click_cell(int cell) {
  int x = cell % 5 * 20 + 10, y = cell / 5 * 20 + 10;
  gui_warp_pointer(static_cast<int>(window_x(2, 1)) + x, static_cast<int>(window_y(2, 1)) + y);
  gui_click(picker_canvas(), 1, x, y);
}

// count players named "P" with the picture pic.
std::string players(int count, const std::string& pic) {
  std::string xml = "<players>";
  while (count--) xml += "<player><name>P</name><pic>" + pic + "</pic></player>";
  return xml + "</players>";
}
const char* const Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n";
// "players.xml" as the dialog writes it for players "P" with these pictures.
std::string written(const std::vector<std::string>& pics) {
  std::string xml = std::string(Head) + "<players>\r\n";
  for (const std::string& pic : pics)
    xml += "  <player>\r\n    <name>P</name>\r\n    <id/>\r\n    <pic>" + pic + "</pic>\r\n    <comment/>\r\n  </player>\r\n";
  return xml + "</players>\r\n";
}
GdkPixbuf* thumbnail(int row) {
  return gtk_image_get_pixbuf(GTK_IMAGE(gui_find_child(gadget_widget(100 + row), GTK_TYPE_IMAGE)));
}

class PlayerIconsTest : public ::testing::Test {
 protected:
  void SetUp() override { GUI_REQUIRE(); fresh_state(); }
  // The dialog, closed by its close button or by "Übernehmen" once it is open.
  void run_dialog(bool apply = false, std::function<void()> inspect = [] {}) {
    when([] { return gadget_type(114) != 0; }, [=] {  // the last gadget made
      inspect();
      apply ? gtk_button_clicked(GTK_BUTTON(gadget_widget(114))) : gui_delete(GTK_WIDGET(window_handle(1)));
    });
    edit_player_icons();
  }
  TempProgramDir dir_;
  RequesterLog log_;
};

// The file after the dialog, its thumbnails and its requesters (titles, "!" for
// the error icon). A damaged file is left alone, and so is the old file when
// the new one cannot be written (the disk is "full" at 64 bytes).
TEST_F(PlayerIconsTest, PlayersFileByteForByte) {
  std::string broken = "<players><player><pic>a.png</pic></player><player><name>Bert</oops></players>";
  struct {
    const char* what;
    std::string input, expected;
    int thumbnails;
    String told;
    rlim_t file_size_limit = RLIM_INFINITY;
  } cases[] = {
      {"four players, blanks, a line end, unknown elements",
       "<?xml version=\"1.0\"?>\n<party>\n  <player><name>Anna  Berg</name><id>a</id><pic>a.png</pic>"
       "<comment>Line one\r\nLine two</comment><level>3</level></player>\n  <note>gone</note>\n"
       "  <player><id>b</id><name>Bert</name></player><player/><Player/><player><name>Dora</name><pic>d.png</pic>"
       "</player></party>",
       std::string(Head) + "<players>\r\n  <player>\r\n    <name>Anna Berg</name>\r\n    <id>a</id>\r\n    <pic>a.png"
           "</pic>\r\n    <comment>\r\n      Line one\r\n      Line two\r\n    </comment>\r\n  </player>\r\n  <player>\r\n"
           "    <name>Bert</name>\r\n    <id>b</id>\r\n    <pic/>\r\n    <comment/>\r\n  </player>\r\n  <player>\r\n"
           "    <name/>\r\n    <id/>\r\n    <pic/>\r\n    <comment/>\r\n  </player>\r\n  <player>\r\n    <name>Dora</name>"
           "\r\n    <id/>\r\n    <pic>d.png</pic>\r\n    <comment/>\r\n  </player>\r\n</players>\r\n",
       1, u""},
      {"no file", "", std::string(Head) + "<players/>\r\n", 0, u""},
      {"nine players", players(9, "a.png"), written(std::vector<std::string>(9, "a.png")), 7, u""},
      {"malformed", broken, broken, 1, u"Error Tavrel! "},
      {"disk full", players(2, "a.png"), players(2, "a.png"), 2, u"Tavrel! ", 64},
  };
  signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  dir_.picture("players/a.png", 20, 30);
  bool apply = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_.path("players.xml"));
    if (!c.input.empty()) dir_.write("players.xml", c.input);
    int shown = 0;
    rlimit limit{c.file_size_limit, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    run_dialog(apply = !apply, [&] {
      for (int row = 0; row < 7; row++) {
        GdkPixbuf* pixbuf = thumbnail(row);
        shown += pixbuf != nullptr;
        EXPECT_TRUE(!pixbuf || gdk_pixbuf_get_width(pixbuf) + gdk_pixbuf_get_height(pixbuf) == 80);
      }
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(dir_.read("players.xml"), c.expected);
    EXPECT_EQ(shown, c.thumbnails);
    String told;
    for (const RequesterCall& call : log_.calls) told += call.title + (call.flags == IconError ? u"! " : u" ");
    EXPECT_EQ(told, c.told);
    log_.calls.clear();
  }
}

// Twelve pictures in a grid of 5 x 3 cells as high as the last picture that
// loaded. The empty cells leave the picker open; a click into another window
// closes it without a choice.
TEST_F(PlayerIconsTest, Picker) {
  ASSERT_TRUE(ensure_main_window());
  for (int i = 0; i < 12; i++) dir_.picture("players/p" + std::to_string(i) + ".png", 10 + i, 20);
  dir_.picture("players/big.PNG", 30, 30);
  std::vector<std::string> order;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path("players")))
    if (entry.path().extension() == ".png") order.push_back(entry.path().filename());
  ASSERT_EQ(order.size(), 12u);
  dir_.write("players/" + order[11], "not a picture");

  when(picker_canvas, [] {
    EXPECT_EQ(XY(window_width(2), window_height(2)), XY(100, 60));
    click_cell(12);
    when(picker_canvas, [] {
      click_cell(14);
      // The pointer moving over the dialog does not close the picker.
      when(picker_canvas, [] { event_post(WindowMouseMove, 0, 1, 0), click_cell(7); });
    });
  });
  EXPECT_EQ(icon_picker(600, 600), string_from_utf8(order[7]));

  for (guint button : {3, 1}) {  // a picker still open after 3 s is closed by a left click
    auto open = std::make_shared<bool>(true);
    when(picker_canvas, [=] { gui_click(gadget_widget(MapCanvas), button, 5, 5); });
    gui_later(3000, [=] { if (*open) ADD_FAILURE() << button, gui_click(gadget_widget(MapCanvas), 1, 5, 5); });
    EXPECT_EQ(icon_picker(600, 600), u"") << button;
    *open = false;
  }

  std::filesystem::remove_all(dir_.path("players"));
  EXPECT_EQ(icon_picker(600, 600), u"");
  ASSERT_EQ(log_.calls.size(), 1u);
  EXPECT_EQ(log_.calls[0].text, u"Player icons are missing. Please check the players directory.");
  EXPECT_EQ(log_.calls[0].flags, IconError);
}

}  // namespace
