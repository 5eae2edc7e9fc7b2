// The main event loop: each pass draws the map, waits for one event and turns
// it into a command.
#include "app/catalogs/catalogs.h"
#include "app/catalogs/player_icons.h"
#include "app/formation/formation.h"
#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/mapview/picker.h"
#include "app/mapview/render.h"
#include "app/pieces/context_menu.h"
#include "app/pieces/graves.h"
#include "app/pieces/transports.h"
#include "app/shell/shell.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/windows.h"

int64_t CurrentEventKind = 0;
int64_t CurrentEventType = -1;
int64_t CurrentMenuNumber = 0;

namespace {

// While the marker runs, the loop wakes at least this often to draw it.
constexpr int64_t AnimationFrameMs = 20;

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

// The end of the drag that the matching LeftButtonDown started.
void end_drag() {
  if (InteractionMode == 5) {
    drop_transport();
  } else if (InteractionMode == 3) {
    if (Piece* grave = list_current(Graves)) show_piece_label(grave);
  }
  InteractionMode = 0;
}

// LeftButtonDown on the map: the first piece under the pointer decides.
void start_interaction() {
  if (hero_at_pointer()) {
    InteractionMode = 2;
  } else if (piece_at_pointer(Transports, -1)) {
    Piece* transport = list_current(Transports);
    if (transport && transport->links[0] != 0) detach_transport(0);
    InteractionMode = 5;
  } else if (piece_at_pointer(Graves, -1)) {
    InteractionMode = 3;
  } else {
    InteractionMode = 4;
    PanStart.x = static_cast<int32_t>(window_mouse_x(MainWindow));
    PanStart.y = static_cast<int32_t>(window_mouse_y(MainWindow));
  }
}

// Command 14 of the transport menu: attach a free transport to a hero chosen
// in the picker, or detach an attached one to the end of its convoy.
void attach_or_detach() {
  Piece* transport = list_current(Transports);
  if (!transport) return;
  if (transport->links[0] == 0) {
    int position = pick_catalog_entry(PlayerCatalog, MapView.player_size, MapView.player_size, 0);
    if (position == -1) return;
    attach_transport(position);
  } else {
    detach_transport(1);
  }
  HoverLabel.text.clear();
}

void edit_icons_with_main_window_disabled() {
  window_disable(MainWindow, 1);
  edit_player_icons();
  window_disable(MainWindow, 0);
  window_present(MainWindow);
}

void dispatch_menu(int64_t number) {
  switch (number) {
    case 3: load_level(u""); break;
    case 4: edit_icons_with_main_window_disabled(); break;
    case 6: save_formation(); break;
    case 7: load_formation(); break;
    case 8:
    case 17: zoom_full(); break;
    case 9:
    case 16: zoom_out(); break;
    case 10:
    case 15: zoom_in(); break;
    case 11: set_grave(); break;
    case 12: create_transport(); break;
    case 13: remove_transport(); break;
    case 14: attach_or_detach(); break;
    default: break;
  }
}

void dispatch_canvas(int64_t type) {
  switch (type) {
    case MouseMove: on_mouse_move(); break;
    case LeftButtonDown: start_interaction(); break;
    case RightClick: show_context_menu(); break;
    case LeftDoubleClick: on_double_click(); break;
    default: break;  // LeftButtonUp is handled for every event before.
  }
}

}  // namespace

void zoom_full() {
  UnsavedChanges = 1;
  MapView.zoom = 100;
}

void zoom_out() {
  UnsavedChanges = 1;
  int64_t z = static_cast<int64_t>(MapView.zoom) * 90 / 100;
  if (z < 25) z = 25;
  MapView.zoom = static_cast<int32_t>(z);
}

void zoom_in() {
  UnsavedChanges = 1;
  int64_t z = static_cast<int64_t>(MapView.zoom) * 110 / 100;
  if (z > 100) z = 100;
  MapView.zoom = static_cast<int32_t>(z);
}

bool dispatch_event(int64_t kind) {
  CurrentEventKind = kind;
  CurrentEventType = kind > 0 ? event_type() : -1;
  if (CurrentEventType == LeftButtonUp) end_drag();
  switch (kind) {
    case SizeWindow: resize_map_canvas(); break;
    case Menu:
      CurrentMenuNumber = event_menu();
      dispatch_menu(CurrentMenuNumber);
      break;
    case Gadget:
      if (event_gadget() == MapCanvas) dispatch_canvas(CurrentEventType);
      break;
    default: break;
  }
  return kind != CloseWindow;
}

void run_event_loop() {
  for (;;) {
    draw_map();
    // An idle program sleeps in event_wait; only while the marker runs does
    // the wait end after a frame time so that the next frame gets drawn.
    int64_t kind = map_animating() ? event_wait_timeout(AnimationFrameMs) : event_wait();
    if (kind == 0) kind = -1;  // the time ran out: like a wake-up without an event
    if (!dispatch_event(kind)) break;
  }
}
