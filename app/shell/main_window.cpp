// The main window: menus, popup menus, the map and picker canvases, the zoom
// shortcuts, the marker picture and the program's icon.
#include <vector>

#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/shell/shell.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/windows.h"

namespace {

// Height taken for the menu bar above the gadget area; not measured.
constexpr int MenuBarAllowance = 25;

void size_canvas_from_window() {
  MapView.canvas_width = static_cast<int32_t>(window_width(MainWindow, 1));
  MapView.canvas_height = static_cast<int32_t>(window_height(MainWindow, 1) - MenuBarAllowance);
}

// The program's icon, in the sizes that lie beside it; every window shows it.
void set_window_icon() {
  std::vector<int> sizes;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    String folder = string_from_number(size) + u"x" + string_from_number(size);
    sizes.push_back(image_load(AnyNumber, ProgramDir + u"icons/hicolor/" + folder + u"/apps/tavrel.png"));
  }
  window_set_default_icon(sizes);
  for (int image : sizes) {
    if (image) image_free(image);
  }
}

}  // namespace

int open_main_window() {
  set_window_icon();
  if (!window_open(MainWindow, 220, 0, 1286, 800, u"Tavrel", 0x1E)) return 0;

  if (MapMarker.image) image_free(MapMarker.image);
  MapMarker.image = image_load(AnyNumber, ProgramDir + u"pics" + string_right(ProgramDir, 1) + u"cursor.png");
  MapMarker.image_width = image_width(MapMarker.image);
  MapMarker.image_height = image_height(MapMarker.image);

  menu_bar_create(MainMenuBar, window_handle(MainWindow));
  menu_title(u"Spiel");
  menu_item(3, u"Neues Spiel");
  menu_item(4, u"Spielericons ändern");
  menu_separator();
  menu_item(7, u"Spiel laden");
  menu_item(6, u"Spiel speichern");
  menu_title(u"Zoom");
  menu_item(9, u"Verkleinern [STRG] + [NUM -]");
  menu_item(10, u"Vergrößern [STRG] + [NUM +]");
  menu_item(8, u"Originalgröße [STRG] + [ENTER]");

  popup_menu_create(MapMenu);
  menu_item(11, u"Grabstein setzen");
  menu_item(12, u"Transportmittel erstellen");
  popup_menu_create(TransportMenu);
  menu_item(13, u"Transportmittel entfernen");
  menu_item(14, u"Transportmittel anhängen");

  size_canvas_from_window();
  canvas_create(MapCanvas, 0, 0, MapView.canvas_width, MapView.canvas_height, CanvasBorder);
  canvas_create(PickerCanvas, 0, 0, 10, 10, 0);
  gadget_hide(PickerCanvas, 1);

  shortcut_add(MainWindow, 0x2FFAB, 15);
  shortcut_add(MainWindow, 0x2FFAD, 16);
  shortcut_add(MainWindow, 0x2FF0D, 17);
  return 1;
}

void resize_map_canvas() {
  size_canvas_from_window();
  gadget_resize(MapCanvas, Ignore, Ignore, MapView.canvas_width, MapView.canvas_height);
  if (MapView.canvas_width > MapView.map_width) MapView.origin_x = 0;
  if (MapView.canvas_height > MapView.map_height) MapView.origin_y = 0;
}
