// Pressing on the map and dropping pieces.
#include "app/pieces/drag.h"

#include "app/mapview/mouse.h"
#include "app/pieces/transports.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/toolkit/windows.h"

namespace {

// A dropped transport joins the convoy of the hero under the pointer, or the
// convoy of an attached transport it was dropped on; otherwise it stays free.
void drop_transport() {
  Piece* dragged = list_current(Transports);
  if (!dragged) return;
  show_piece_label(dragged);
  if (hero_at_pointer()) {
    attach_transport(-1);
    return;
  }
  int64_t own_position = list_index(Transports);
  if (piece_at_pointer(Transports, own_position)) {
    Piece* other = list_current(Transports);
    int hero = other ? other->links[0] : 0;
    // A link that names no hero (damaged file) is treated like a free one.
    if (hero > 0 && list_select(Heroes, hero - 1)) {
      list_set_current(Transports, dragged);
      attach_transport(-1);
      return;
    }
  }
  list_set_current(Transports, dragged);
}

}  // namespace

void press_on_map() {
  if (hero_at_pointer()) {
    InteractionMode = Interaction::DragHero;
  } else if (piece_at_pointer(Transports, -1)) {
    Piece* transport = list_current(Transports);
    if (transport && transport->links[0] != 0) detach_transport(DetachTo::Here);
    InteractionMode = Interaction::DragTransport;
  } else if (piece_at_pointer(Graves, -1)) {
    InteractionMode = Interaction::DragGrave;
  } else {
    InteractionMode = Interaction::Pan;
    PanStart.x = static_cast<int32_t>(window_mouse_x(MainWindow));
    PanStart.y = static_cast<int32_t>(window_mouse_y(MainWindow));
  }
}

void release_on_map() {
  if (InteractionMode == Interaction::DragTransport) {
    name_step(u"Transportmittel verschieben");
    drop_transport();
  } else if (InteractionMode == Interaction::DragGrave) {
    name_step(u"Grabstein verschieben");
    if (Piece* grave = list_current(Graves)) show_piece_label(grave);
  } else if (InteractionMode == Interaction::DragHero) {
    name_step(u"Held verschieben");
  }
  InteractionMode = Interaction::None;
}
