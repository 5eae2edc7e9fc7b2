// The player icon dialog: a window with one row per player (thumbnail and
// "Icon ändern"), the picker of the pictures in the folder "players", and the
// writing of "players.xml" with the reload of the heroes' pictures.
#include "app/catalogs/player_icons.h"

#include <gdk/gdk.h>

#include <algorithm>
#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/xml.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/desktop.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/requesters.h"

namespace {

constexpr int PictureListing = 0;
constexpr int DialogFlags = WindowMenuBox | WindowNoMinimizeBox;  // fixed size

// The table of the dialog: seven rows of a thumbnail and a button.
constexpr int RowCount = 7;
constexpr int FirstThumbnail = 100;
constexpr int FirstChangeButton = 107;
constexpr int ApplyButton = 114;
constexpr int ThumbnailSize = 40;
constexpr int PickerColumns = 5;

// One player of "players.xml" as the dialog holds it, with its picture as
// loaded when the dialog opened; also one picture of the picker (pic and
// picture only).
struct PlayerIconRow : CatalogRecord {
  int picture = 0;
};


// A picture file of the folder "players".
String icon_path(const String& pic) { return data_path(u"players", pic); }

void free_pictures(std::vector<PlayerIconRow>& rows) {
  for (PlayerIconRow& row : rows)
    if (row.picture) image_free(row.picture);
}

// Reads the players of "players.xml" into rows, with their pictures. Returns
// false when the file exists but was not read completely (malformed or
// unreadable): writing the rows back would then drop the players after the
// damage.
bool read_rows(std::vector<PlayerIconRow>& rows) {
  std::vector<CatalogRecord> records;
  bool complete = read_catalog_file(players_file_to_read(), u"player", records);
  for (const CatalogRecord& record : records) {
    PlayerIconRow& row = rows.emplace_back(PlayerIconRow{record});
    if (row.has_pic) row.picture = image_load(AnyNumber, icon_path(row.pic));
  }
  return complete;
}

// Scales image to 40 x 40 in place and returns it (0 stays 0).
int as_thumbnail(int image) {
  if (image) image_resize(image, ThumbnailSize, ThumbnailSize, ResizeSmooth);
  return image;
}

void open_dialog(const std::vector<PlayerIconRow>& rows, int (&thumbnails)[RowCount]) {
  for (size_t i = 0; i < rows.size() && i < RowCount; i++)
    thumbnails[i] = as_thumbnail(image_copy(rows[i].picture, AnyNumber));
  for (int i = 0; i < RowCount; i++) {
    image_gadget_create(FirstThumbnail + i, 30, 30 + 50 * i, ThumbnailSize, ThumbnailSize,
                        image_handle(thumbnails[i]), ImageGadgetBorder);
    button_create(FirstChangeButton + i, 90, 35 + 50 * i, 110, 30, u"Icon ändern");
  }
  button_create(ApplyButton, 10, 380, 200, 30, u"Übernehmen");
}

// Runs the dialog until it is closed or "Übernehmen" is clicked. It waits for
// events: nothing changes while the user does nothing.
void run_dialog(std::vector<PlayerIconRow>& rows, int (&thumbnails)[RowCount]) {
  for (;;) {
    int64_t kind = event_wait();
    if (kind == CloseWindow) return;
    if (kind != Gadget) continue;
    int64_t gadget = event_gadget();
    if (gadget == ApplyButton) return;
    if (gadget < FirstChangeButton || gadget >= FirstChangeButton + RowCount) continue;
    size_t row = static_cast<size_t>(gadget - FirstChangeButton);
    int64_t x = window_mouse_x(PlayerIconsWindow) + window_x(PlayerIconsWindow, WindowClient);
    int64_t y = window_mouse_y(PlayerIconsWindow) + window_y(PlayerIconsWindow, WindowClient);
    String chosen = icon_picker(static_cast<int>(x), static_cast<int>(y));
    // A row without a player has nobody to give the picture to.
    if (chosen.empty() || row >= rows.size()) continue;
    rows[row].pic = chosen;
    if (thumbnails[row]) image_free(thumbnails[row]);
    thumbnails[row] = as_thumbnail(image_load(AnyNumber, icon_path(chosen)));
    gadget_set_state(FirstThumbnail + static_cast<int>(row), image_handle(thumbnails[row]));
  }
}

// Writes rows as "players.xml": the four children in the order name, id, pic,
// comment, indented, CR LF line ends. The save replaces the file only once
// the new one is complete. Returns xml_save's result.
int write_rows(const std::vector<PlayerIconRow>& rows) {
  int document = xml_create(AnyNumber);
  if (!document) return 0;
  XmlNode* players = xml_add_element(xml_root_node(document), u"players");
  for (const PlayerIconRow& row : rows) {
    XmlNode* player = xml_add_element(players, u"player");
    xml_set_node_text(xml_add_element(player, u"name"), row.name);
    xml_set_node_text(xml_add_element(player, u"id"), row.id);
    xml_set_node_text(xml_add_element(player, u"pic"), row.pic);
    xml_set_node_text(xml_add_element(player, u"comment"), row.comment);
  }
  xml_format(document, FormatCrLf | FormatIndent, 2);
  int saved = xml_save(document, players_file_to_write(), 0);
  xml_free(document);
  return saved;
}

// Gives the catalog entries of the rows the dialog showed their rows'
// pictures (the map shows them at its next frame). Entries beyond those rows (players after
// the seventh, or players the file no longer holds) keep their pictures.
void reload_hero_pictures(const std::vector<PlayerIconRow>& rows) {
  if (!Heroes || list_size(Heroes) == 0 || !PlayerCatalog) return;
  KeepCurrent<CatalogEntry> keep(PlayerCatalog);
  size_t count = std::min(rows.size(), static_cast<size_t>(RowCount));
  for (size_t i = 0; i < count; i++) {
    CatalogEntry* entry = list_select(PlayerCatalog, static_cast<int64_t>(i));
    if (!entry) break;
    if (entry->picture) image_free(entry->picture);
    entry->picture = image_load(AnyNumber, icon_path(rows[i].pic));
  }
}

// The pictures "*.png" of the folder "players" in directory order; the
// requester when the folder cannot be listed.
std::vector<PlayerIconRow> list_icons() {
  std::vector<PlayerIconRow> icons;
  if (!dir_examine(PictureListing, data_path(u"players", u""), u"*.png")) {
    message_requester(u"Tavrel", u"Player icons are missing. Please check the players directory.", IconError);
    return icons;
  }
  while (dir_next_entry(PictureListing)) {
    PlayerIconRow& icon = icons.emplace_back();
    icon.pic = dir_entry_name(PictureListing);
    icon.picture = image_load(AnyNumber, icon_path(icon.pic));
  }
  dir_finish(PictureListing);
  return icons;
}

// The side of the picker's square cells: the height of the last picture, or,
// when that one did not load, of the last one that did (the thumbnail size
// when none did), so that the grid never has the size 0.
int64_t cell_size(const std::vector<PlayerIconRow>& icons) {
  for (auto icon = icons.rbegin(); icon != icons.rend(); ++icon)
    if (int height = image_height(icon->picture); height > 0) return height;
  return ThumbnailSize;
}

void draw_icons(int canvas, const std::vector<PlayerIconRow>& icons, int64_t cell, int64_t width, int64_t height) {
  if (!drawing_start(canvas_output(canvas))) return;
  draw_box(0, 0, static_cast<int>(width), static_cast<int>(height), rgb(255, 255, 255));
  drawing_mode(DrawAlphaBlend);
  for (size_t i = 0; i < icons.size(); i++)
    draw_image(image_handle(icons[i].picture), static_cast<int>((i % PickerColumns) * cell),
               static_cast<int>((i / PickerColumns) * cell));
  drawing_stop();
}

// True when the pointer is outside the picker's rectangle (edges inside).
bool pointer_outside_picker() {
  int64_t x = desktop_mouse_x(), y = desktop_mouse_y();
  int64_t left = window_x(IconPickerWindow, WindowFrame), top = window_y(IconPickerWindow, WindowFrame);
  return x < left || x > left + window_width(IconPickerWindow, WindowClient) || y < top ||
         y > top + window_height(IconPickerWindow, WindowClient);
}

// True for a click of the left or right button or a close request: the
// events by which the user leaves the picker for another window.
bool clicked_or_closed(int64_t kind, int64_t type) {
  if (kind == Gadget) return type == LeftClick || type == RightClick;
  return kind == WindowLeftClick || kind == WindowRightClick || kind == CloseWindow;
}

// The picker's loop: the position of the chosen picture, or -1 when the user
// clicked or pressed a button elsewhere.
int64_t choose_icon(int canvas, int64_t cell, int64_t count) {
  window_present(IconPickerWindow);
  event_wait();
  for (;;) {
    int64_t kind = event_wait();
    int64_t type = event_type();
    int64_t window = event_window();
    if (!window_shown(IconPickerWindow)) {
      return -1;  // taken away by the compositor (a click outside, on Wayland)
    } else if (window != IconPickerWindow && kind == ActivateWindow) {
      window_present(IconPickerWindow);  // the picker stays in front
    } else if (window != IconPickerWindow && clicked_or_closed(kind, type)) {
      // A click into another window. The pointer merely moving over the
      // dialog does not count: the picker opens with its corner under the
      // pointer, so the smallest move up or left would close it at once.
      return -1;
    }
    // Where the screen's positions are known, a button held down anywhere
    // outside the picker closes it; on Wayland they are not, and only clicks
    // into the program's other windows do.
    WindowHandle picker = window_handle(IconPickerWindow);
    if (desktop_positions_known() && (mouse_button_down(picker, 0) || mouse_button_down(picker, 1)) &&
        pointer_outside_picker())
      return -1;
    if (kind == Gadget && type == LeftClick && event_gadget() == canvas) {
      // A button released outside the canvas (it keeps the pointer while the
      // button is held) chooses nothing.
      int64_t x = window_mouse_x(IconPickerWindow), y = window_mouse_y(IconPickerWindow);
      if (x < 0 || y < 0) continue;
      int64_t choice = x / cell + PickerColumns * (y / cell);
      if (choice < count) return choice;
    }
  }
}

}  // namespace

void edit_player_icons() {
  std::vector<PlayerIconRow> rows;
  bool file_complete = read_rows(rows);
  int thumbnails[RowCount] = {};
  if (window_open(PlayerIconsWindow, 220, 0, 220, 474, u"Players", DialogFlags, window_handle(MainWindow))) {
    open_dialog(rows, thumbnails);
    run_dialog(rows, thumbnails);
    if (!file_complete) {
      message_requester(u"Tavrel",
                        u"Die Datei \"players.xml\" konnte nicht vollständig gelesen werden und wurde deshalb nicht "
                        u"überschrieben. Die gewählten Bilder gelten nur, bis die Karte neu geladen oder das "
                        u"Programm beendet wird.",
                        IconError);
    } else if (!write_rows(rows)) {
      message_requester(u"Tavrel",
                        u"Die Datei \"players.xml\" konnte nicht geschrieben werden. Die bisherige Datei bleibt "
                        u"unverändert.",
                        IconError);
    }
  }
  reload_hero_pictures(rows);
  window_close(PlayerIconsWindow);
  for (int thumbnail : thumbnails)
    if (thumbnail) image_free(thumbnail);
  free_pictures(rows);
}

String icon_picker(int x, int y) {
  std::vector<PlayerIconRow> icons = list_icons();
  if (icons.empty()) return String();
  int64_t cell = cell_size(icons);
  int64_t count = static_cast<int64_t>(icons.size());
  int64_t width = PickerColumns * cell;
  int64_t height = (count + PickerColumns - 1) / PickerColumns * cell;
  String chosen;
  if (window_open(IconPickerWindow, x, y, static_cast<int>(width), static_cast<int>(height), u"",
                  WindowBorderless | WindowPopup, window_handle(PlayerIconsWindow))) {
    // At the pointer: placed relative to the dialog, which Wayland allows too.
    if (window_handle(PlayerIconsWindow))
      window_place_at(IconPickerWindow, PlayerIconsWindow, x - static_cast<int>(window_x(PlayerIconsWindow, WindowClient)),
                      y - static_cast<int>(window_y(PlayerIconsWindow, WindowClient)));
    int canvas = canvas_create(AnyNumber, 0, 0, static_cast<int>(width), static_cast<int>(height), 0);
    draw_icons(canvas, icons, cell, width, height);
    int64_t choice = choose_icon(canvas, cell, count);
    if (choice >= 0) chosen = icons[static_cast<size_t>(choice)].pic;
    gadget_free(canvas);
    window_close(IconPickerWindow);
  }
  free_pictures(icons);
  return chosen;
}

void change_player_icons() {
  window_disable(MainWindow, true);
  edit_player_icons();
  window_disable(MainWindow, false);
  window_present(MainWindow);
}

int mouse_button_down(WindowHandle window, int button) {
  if (!window) return 0;
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  GdkWindow* root = display ? gdk_screen_get_root_window(gdk_display_get_default_screen(display)) : nullptr;
  if (!pointer || !root) return 0;
  GdkModifierType state = static_cast<GdkModifierType>(0);
  gdk_window_get_device_position(root, pointer, nullptr, nullptr, &state);
  unsigned wanted = button == 0 ? GDK_BUTTON1_MASK : button == 1 ? GDK_BUTTON3_MASK : button == 2 ? GDK_BUTTON2_MASK : 0;
  return (state & wanted) ? 1 : 0;
}
