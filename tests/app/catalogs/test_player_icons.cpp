// The player icon dialog under the test display: the "players.xml" it writes,
// the heroes' pictures afterwards, the picture picker, and damaged input.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <memory>

#include "../app_support.h"
#include "app/catalogs/player_icons.h"

namespace {

// Runs action from the toolkit loop once ready() holds (checked every 50 ms
// for 5 s).
void when(std::function<bool()> ready, std::function<void()> action, int tries = 100) {
  gui_later(50, [=] {
    if (ready()) action();
    else if (tries > 0) when(ready, action, tries - 1);
    else ADD_FAILURE() << "the window did not come";
  });
}
bool dialog_open() { return gadget_type(114) != 0; }  // the last gadget made
GtkWidget* picker_canvas() {
  WindowHandle picker = window_handle(2);
  return picker ? gui_find_child(GTK_WIDGET(picker), GTK_TYPE_DRAWING_AREA) : nullptr;
}
void close_dialog() { gui_delete(GTK_WIDGET(window_handle(1))); }
// Moves the real pointer to the middle of a picker cell and clicks there.
void click_cell(int cell, int side) {
  int x = cell % 5 * side + side / 2, y = cell / 5 * side + side / 2;
  gui_warp_pointer(static_cast<int>(window_x(2, 1)) + x, static_cast<int>(window_y(2, 1)) + y);
  gui_click(picker_canvas(), 1, x, y);
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string player(const std::string& name, const std::string& pic) {
  return "<player><name>" + name + "</name><pic>" + pic + "</pic></player>";
}

class PlayerIconsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    fresh_state();
  }
  // The dialog, closed by its close button or by "Übernehmen" once it is open.
  void run_dialog(bool apply = false, std::function<void()> inspect = [] {}) {
    when(dialog_open, [=] {
      inspect();
      apply ? gtk_button_clicked(GTK_BUTTON(gadget_widget(114))) : close_dialog();
    });
    edit_player_icons();
  }
  std::string players_file() const { return file_bytes(dir_.path() + "players.xml"); }
  TempProgramDir dir_;
  RequesterLog log_;
};

const char* const Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n";

TEST_F(PlayerIconsTest, PlayersFileIsWrittenByteForByte) {
  std::string nine_in = "<players>", nine_out = std::string(Head) + "<players>\r\n";
  for (int i = 1; i <= 9; i++) {
    std::string n = std::to_string(i);
    nine_in += player("P" + n, n + ".png");
    nine_out += "  <player>\r\n    <name>P" + n + "</name>\r\n    <id/>\r\n    <pic>" + n +
                ".png</pic>\r\n    <comment/>\r\n  </player>\r\n";
  }
  struct {
    const char* what;
    std::string input, expected;
    int thumbnails;
  } cases[] = {
      {"four players, blanks, a line end, unknown elements",
       "<?xml version=\"1.0\"?>\n<party>\n  <player><name>Anna  Berg</name><id>a</id><pic>a.png</pic>"
       "<comment>Line one\r\nLine two</comment><level>3</level></player>\n  <note>gone</note>\n"
       "  <player><id>b</id><name>Bert</name></player><player/><Player/>" +
           player("Dora", "d.png") + "</party>",
       std::string(Head) +
           "<players>\r\n  <player>\r\n    <name>Anna Berg</name>\r\n    <id>a</id>\r\n    <pic>a.png</pic>\r\n"
           "    <comment>\r\n      Line one\r\n      Line two\r\n    </comment>\r\n  </player>\r\n"
           "  <player>\r\n    <name>Bert</name>\r\n    <id>b</id>\r\n    <pic/>\r\n    <comment/>\r\n  </player>\r\n"
           "  <player>\r\n    <name/>\r\n    <id/>\r\n    <pic/>\r\n    <comment/>\r\n  </player>\r\n"
           "  <player>\r\n    <name>Dora</name>\r\n    <id/>\r\n    <pic>d.png</pic>\r\n    <comment/>\r\n"
           "  </player>\r\n</players>\r\n",
       1},
      {"no file", "", std::string(Head) + "<players/>\r\n", 0},
      {"nine players", nine_in + "</players>", nine_out + "</players>\r\n", 7},
  };
  dir_.picture("players/a.png", 20, 30);
  for (int i = 1; i <= 9; i++) dir_.picture("players/" + std::to_string(i) + ".png", 8, 8);
  bool apply = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_.path() + "players.xml");
    if (!c.input.empty()) dir_.write("players.xml", c.input);
    int shown = 0;
    run_dialog(apply = !apply, [&] {
      EXPECT_EQ(window_title(1), u"Players");
      EXPECT_EQ(XY(window_width(1), window_height(1)), XY(220, 474));
      EXPECT_EQ(XY(gadget_x(113), gadget_y(113)), XY(90, 335));
      for (int row = 0; row < 7; row++) {
        GtkImage* image = GTK_IMAGE(gui_find_child(gadget_widget(100 + row), GTK_TYPE_IMAGE));
        GdkPixbuf* thumbnail = gtk_image_get_pixbuf(image);
        if (!thumbnail) continue;
        EXPECT_EQ(XY(gdk_pixbuf_get_width(thumbnail), gdk_pixbuf_get_height(thumbnail)), XY(40, 40));
        shown++;
      }
    });
    EXPECT_EQ(players_file(), c.expected);
    EXPECT_EQ(shown, c.thumbnails);
  }
  EXPECT_TRUE(log_.calls.empty());
}

// A frame after the dialog shows the new pictures. Players after the seventh,
// and players the file no longer holds, keep theirs.
TEST_F(PlayerIconsTest, HeroesShowTheRowsPictures) {
  save_picture(dir_.path() + "pics/map.png", 400, 60, false, [](int, int) { return Rgba{90, 90, 90, 255}; });
  for (auto [name, colour] : {std::pair{"red", Rgba{255, 0, 0, 255}}, {"blue", Rgba{0, 0, 255, 255}}})
    save_picture(dir_.path() + "players/" + name + ".png", 32, 32, false, [=](int, int) { return colour; });
  dir_.write("Varn.gxml", "<level><pic type=\"bg\">map.png</pic><playersize>32</playersize></level>");
  std::string players = "<players>";
  for (int i = 0; i < 9; i++) players += player("P", "red.png");
  dir_.write("players.xml", players + "</players>");
  load_level(u"");
  ASSERT_EQ(list_size(PlayerCatalog), 9);
  int kept[] = {list_select(PlayerCatalog, 7)->picture, list_select(PlayerCatalog, 8)->picture};
  ASSERT_NE(kept[1], 0);

  std::vector<uint8_t> pixels(400 * 3 * 60);
  DrawTarget target{pixels.data(), 400 * 3, 400, 60};
  MapTargetOverride = &target;
  MapView.canvas_width = 400;
  MapView.canvas_height = 60;
  auto hero_pixel = [&](int i) {
    uint8_t* p = &pixels[(36 * 400 + 41 + 32 * i) * 3];  // the middle of hero i
    return std::vector<uint8_t>(p, p + 3);
  };
  draw_map();
  EXPECT_EQ(hero_pixel(0), (std::vector<uint8_t>{255, 0, 0}));

  players = "<players>";
  for (int i = 0; i < 8; i++) players += player("P", "blue.png");
  dir_.write("players.xml", players + "</players>");
  run_dialog();
  draw_map();
  for (int i : {0, 6}) EXPECT_EQ(hero_pixel(i), (std::vector<uint8_t>{0, 0, 255})) << i;
  EXPECT_EQ(list_select(PlayerCatalog, 7)->picture, kept[0]);
  EXPECT_EQ(list_select(PlayerCatalog, 8)->picture, kept[1]);
  EXPECT_EQ(hero_pixel(8), (std::vector<uint8_t>{255, 0, 0}));
  MapTargetOverride = nullptr;
}

// A file that was not read completely is left alone, and so is the old file
// when the new one cannot be written; the user is told either way.
TEST_F(PlayerIconsTest, FailuresKeepTheFile) {
  for (bool disk_full : {false, true}) {
    SCOPED_TRACE(disk_full ? "write fails" : "malformed");
    std::string input = disk_full ? "<players>" + player("Anna", "a.png") + player("Bert", "b.png") + "</players>"
                                  : "<players>" + player("Anna", "a.png") + "<player><name>Bert</oops></players>";
    dir_.write("players.xml", input);
    log_.calls.clear();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    if (disk_full) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit small{64, saved.rlim_max};
      setrlimit(RLIMIT_FSIZE, &small);
    }
    run_dialog(true);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(players_file(), input);
    ASSERT_EQ(log_.calls.size(), disk_full ? 1u : 2u);
    EXPECT_EQ(log_.calls[0].title, disk_full ? u"Tavrel" : u"Error");
    EXPECT_EQ(log_.calls.back().title, u"Tavrel");
    EXPECT_EQ(log_.calls.back().flags, IconError);
  }
}

TEST_F(PlayerIconsTest, PickerGridOfThePngFiles) {
  for (int i = 0; i < 12; i++) dir_.picture("players/p" + std::to_string(i) + ".png", 10 + i, 20);
  dir_.picture("players/big.PNG", 20, 20);
  dir_.write("players/note.txt", "text");
  std::vector<std::string> order;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() + "players"))
    if (entry.path().extension() == ".png") order.push_back(entry.path().filename());
  ASSERT_EQ(order.size(), 12u);

  when(picker_canvas, [] {
    EXPECT_EQ(XY(window_width(2), window_height(2)), XY(100, 60));
    click_cell(12, 20);  // the empty cells leave the picker open
    when(picker_canvas, [] {
      click_cell(14, 20);
      when(picker_canvas, [] { click_cell(7, 20); });
    });
  });
  EXPECT_EQ(icon_picker(300, 300), string_from_utf8(order[7]));
  EXPECT_EQ(window_handle(2), nullptr);
  EXPECT_TRUE(log_.calls.empty());
}

// A click into another window, or a button held down outside the picker,
// closes it without a choice. The cells take the height of the last picture
// that loaded.
TEST_F(PlayerIconsTest, PickerClosesWithoutAChoice) {
  ASSERT_TRUE(ensure_main_window());
  for (const char* name : {"a.png", "b.png", "c.png"}) dir_.picture(std::string("players/") + name, 20, 20);
  std::filesystem::path last;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() + "players")) last = entry.path();
  std::ofstream(last) << "not a picture";

  when(picker_canvas, [] {
    EXPECT_EQ(XY(window_width(2), window_height(2)), XY(100, 20));
    gui_click(gadget_widget(MapCanvas), 1, 5, 5);
  });
  EXPECT_EQ(icon_picker(600, 600), u"");

  // A real press (the picker asks the pointer device) on the main window,
  // released once the picker has closed, or after 3 s if it stays open.
  std::string on_map = "xdotool mousemove " + std::to_string(window_x(MainWindow, 1) + 60) + " " +
                       std::to_string(window_y(MainWindow, 1) + 60);
  auto held = std::make_shared<bool>(false);
  when(picker_canvas, [=] { *held = std::system((on_map + " mousedown 1").c_str()) == 0; });
  gui_later(3000, [=] { *held = *held && std::system("xdotool mouseup 1") != 0; });
  EXPECT_EQ(icon_picker(600, 600), u"");
  EXPECT_TRUE(*held);
  *held = std::system("xdotool mouseup 1") != 0;
  gui_discard_events();

  std::filesystem::remove_all(dir_.path() + "players");
  EXPECT_EQ(icon_picker(600, 600), u"");
  ASSERT_EQ(log_.calls.size(), 1u);
  EXPECT_EQ(log_.calls[0].text, u"Player icons are missing. Please check the players directory.");
  EXPECT_EQ(log_.calls[0].flags, IconError);
}

}  // namespace
