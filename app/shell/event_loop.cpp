// The main event loop: each pass draws the map, waits for one event and hands
// it to the command that the event stands for.
#include "app/shell/event_loop.h"

#include <algorithm>

#include "app/catalogs/player_icons.h"
#include "app/export/export_commands.h"
#include "app/formation/formation.h"
#include "app/history/undo.h"
#include "app/recovery/recovery.h"
#include "app/level/level.h"
#include "app/mapview/mouse.h"
#include "app/mapview/render.h"
#include "app/mapview/zoom.h"
#include "app/pieces/context_menu.h"
#include "app/pieces/drag.h"
#include "app/pieces/graves.h"
#include "app/pieces/transports.h"
#include "app/share/share.h"
#include "app/share/share_window.h"
#include "app/shell/main_window.h"
#include "app/state/numbers.h"
#include "runtime/toolkit/desktop.h"
#include "runtime/toolkit/events.h"

int64_t CurrentEventKind = 0;
int64_t CurrentEventType = -1;
int64_t CurrentMenuNumber = 0;

namespace {

// While the marker runs, the loop wakes at least this often to draw it.
constexpr int64_t AnimationFrameMs = 20;

void dispatch_menu(int64_t number) {
  switch (number) {
    case CommandNewGame: new_game(); break;
    case CommandPlayerIcons: change_player_icons(); break;
    case CommandSaveGame: save_formation(); break;
    case CommandLoadGame: load_formation(); break;
    case CommandExportMap: export_map_command(); break;
    case CommandExportView: export_view_command(); break;
    case CommandShare: share_command(); break;
    case CommandZoomFull:
    case ShortcutZoomFull: zoom_full(); break;
    case CommandZoomOut:
    case ShortcutZoomOut: zoom_out(); break;
    case CommandZoomIn:
    case ShortcutZoomIn: zoom_in(); break;
    case CommandSetGrave: set_grave(); break;
    case CommandCreateTransport: create_transport(); break;
    case CommandRemoveTransport: remove_transport(); break;
    case CommandAttachOrDetach: attach_or_detach_transport(); break;
    case CommandUndo:
    case ShortcutUndo: undo_step(); break;
    case CommandRedo:
    case ShortcutRedo:
    case ShortcutRedoY: redo_step(); break;
    default: break;
  }
}

void dispatch_canvas(int64_t type) {
  switch (type) {
    case MouseMove: on_mouse_move(); break;
    case LeftButtonDown: press_on_map(); break;
    case RightClick: show_context_menu(); break;
    case LeftDoubleClick: on_double_click(); break;
    case FilesDropped: load_dropped_formation(); break;
    default: break;  // LeftButtonUp is handled for every event before.
  }
}

}  // namespace

bool dispatch_event(int64_t kind) {
  CurrentEventKind = kind;
  CurrentEventType = kind > 0 ? event_type() : -1;
  // The window "Mitspieler-Ansicht" is not modal: its events come here.
  if (share_window_event(kind)) return true;
  if (CurrentEventType == LeftButtonUp) release_on_map();
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
  // Whatever the event changed becomes a step of the undo history and, before
  // long, the recovery file.
  history_record();
  update_edit_menu();
  recovery_tick();
  share_tick();
  return kind != CloseWindow;
}

void run_event_loop() {
  for (;;) {
    draw_map();
    // An idle program sleeps in event_wait; only while the marker runs, or
    // a recovery file is due, does the wait end after a time.
    int64_t wait = recovery_wait_ms();
    if (map_animating()) wait = wait < 0 ? AnimationFrameMs : std::min(wait, AnimationFrameMs);
    int64_t kind = wait < 0 ? event_wait() : event_wait_timeout(wait);
    if (kind == 0) kind = -1;  // the time ran out: like a wake-up without an event
    if (!dispatch_event(kind)) break;
  }
}
