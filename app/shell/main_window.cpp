// The main window: menus, popup menus, the map and picker canvases, the zoom
// shortcuts, the marker picture and the program's icon.
#include "app/shell/main_window.h"

#include <vector>

#include "app/history/undo.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/desktop.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/windows.h"

namespace {

// The items of the menu "Bearbeiten", with the step they would take.
String undo_label(const String& step) {
  return (step.empty() ? String(u"Rückgängig") : u"Rückgängig: " + step) + u" [STRG] + [Z]";
}
String redo_label(const String& step) {
  return (step.empty() ? String(u"Wiederholen") : u"Wiederholen: " + step) + u" [STRG] + [UMSCHALT] + [Z]";
}

// Height taken for the menu bar above the gadget area; not measured.
constexpr int MenuBarAllowance = 25;

void size_canvas_from_window() {
  MapView.canvas_width = static_cast<int32_t>(window_width(MainWindow, WindowClient));
  MapView.canvas_height = static_cast<int32_t>(window_height(MainWindow, WindowClient) - MenuBarAllowance);
}

// The program's icon, in the sizes that lie beside it; every window shows it.
void set_window_icon() {
  std::vector<int> sizes;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    String folder = string_from_number(size) + u"x" + string_from_number(size);
    sizes.push_back(image_load(AnyNumber, data_path(u"icons/hicolor/" + folder + u"/apps", u"tavrel.png")));
  }
  window_set_default_icon(sizes);
  for (int image : sizes) {
    if (image) image_free(image);
  }
}

}  // namespace

int open_main_window() {
  set_window_icon();
  constexpr int flags = WindowSizeBox | WindowMenuBox | WindowNoMinimizeBox | WindowMaximizeBox;
  if (!window_open(MainWindow, 220, 0, 1286, 800, u"Tavrel", flags)) return 0;

  if (MapMarker.image) image_free(MapMarker.image);
  MapMarker.image = image_load(AnyNumber, data_path(u"pics", u"cursor.png"));
  MapMarker.image_width = image_width(MapMarker.image);
  MapMarker.image_height = image_height(MapMarker.image);

  menu_bar_create(MainMenuBar, window_handle(MainWindow));
  menu_title(u"Spiel");
  menu_item(CommandNewGame, u"Neues Spiel");
  menu_item(CommandPlayerIcons, u"Spielericons ändern");
  menu_separator();
  menu_item(CommandLoadGame, u"Spiel laden");
  menu_item(CommandSaveGame, u"Spiel speichern");
  menu_item(CommandExportMap, u"Als Bild exportieren …");
  menu_item(CommandExportView, u"Ansicht als Bild exportieren …");
  menu_item(CommandShare, u"Mitspielern zeigen …");
  menu_title(u"Bearbeiten");
  menu_item(CommandUndo, undo_label(String()));
  menu_item(CommandRedo, redo_label(String()));
  menu_title(u"Zoom");
  menu_item(CommandZoomOut, u"Verkleinern [STRG] + [NUM -]");
  menu_item(CommandZoomIn, u"Vergrößern [STRG] + [NUM +]");
  menu_item(CommandZoomFull, u"Originalgröße [STRG] + [ENTER]");

  popup_menu_create(MapMenu);
  menu_item(CommandSetGrave, u"Grabstein setzen");
  menu_item(CommandCreateTransport, u"Transportmittel erstellen");
  popup_menu_create(TransportMenu);
  menu_item(CommandRemoveTransport, u"Transportmittel entfernen");
  menu_item(CommandAttachOrDetach, u"Transportmittel anhängen");

  size_canvas_from_window();
  canvas_create(MapCanvas, 0, 0, MapView.canvas_width, MapView.canvas_height, CanvasBorder);
  canvas_accept_drops(MapCanvas, u"*.tvf|*.gls");  // formation files from a file manager
  canvas_create(PickerCanvas, 0, 0, 10, 10, 0);
  gadget_hide(PickerCanvas, true);

  shortcut_add(MainWindow, ShortcutControl | KeyKeypadPlus, ShortcutZoomIn);
  shortcut_add(MainWindow, ShortcutControl | KeyKeypadMinus, ShortcutZoomOut);
  shortcut_add(MainWindow, ShortcutControl | KeyReturn, ShortcutZoomFull);
  shortcut_add(MainWindow, ShortcutControl | KeyZ, ShortcutUndo);
  shortcut_add(MainWindow, ShortcutControl | ShortcutShift | KeyZ, ShortcutRedo);
  shortcut_add(MainWindow, ShortcutControl | KeyY, ShortcutRedoY);
  update_edit_menu();
  return 1;
}

void update_edit_menu() {
  // Set only when they change: the menu is asked after every event.
  static String shown_undo = u"-", shown_redo = u"-";
  String undo = can_undo() ? undo_name() : String(), redo = can_redo() ? redo_name() : String();
  if (undo != shown_undo || can_undo() != menu_item_enabled(MainMenuBar, CommandUndo)) {
    menu_item_set_text(MainMenuBar, CommandUndo, undo_label(undo));
    menu_item_enable(MainMenuBar, CommandUndo, can_undo());
    shown_undo = undo;
  }
  if (redo != shown_redo || can_redo() != menu_item_enabled(MainMenuBar, CommandRedo)) {
    menu_item_set_text(MainMenuBar, CommandRedo, redo_label(redo));
    menu_item_enable(MainMenuBar, CommandRedo, can_redo());
    shown_redo = redo;
  }
}

void resize_map_canvas() {
  size_canvas_from_window();
  gadget_resize(MapCanvas, Ignore, Ignore, MapView.canvas_width, MapView.canvas_height);
  if (MapView.canvas_width > MapView.map_width) MapView.origin_x = 0;
  if (MapView.canvas_height > MapView.map_height) MapView.origin_y = 0;
}
