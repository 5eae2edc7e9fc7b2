// The map's context menu: which menu a right click shows, and where a piece
// created from it goes.
#include "app/pieces/context_menu.h"

#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/pieces/graves.h"
#include "app/state/numbers.h"
#include "runtime/toolkit/windows.h"

PopupPointRecord PopupPoint;

void show_context_menu() {
  if (hero_at_pointer()) return;
  if (list_size(Transports) > 0 && piece_at_pointer(Transports, -1)) {
    bool attached = list_current(Transports)->links[0] != 0;
    menu_item_set_text(TransportMenu, CommandAttachOrDetach, attached ? u"Transportmittel abhängen" : u"Transportmittel anhängen");
    popup_menu_show(TransportMenu, window_handle(MainWindow));
    return;
  }
  if (list_size(Graves) > 0 && piece_at_pointer(Graves, -1)) {
    remove_grave();
    return;
  }
  // A tile-sized piece placed here is centred on the clicked spot.
  PopupPoint.x = static_cast<int32_t>(window_to_map(window_mouse_x(MainWindow), AxisX) - MapView.tile_x / 2);
  PopupPoint.y = static_cast<int32_t>(window_to_map(window_mouse_y(MainWindow), AxisY) - MapView.tile_y / 2);
  popup_menu_show(MapMenu, window_handle(MainWindow));
}
