// The undo history: a chain of layout snapshots, the one on the map among
// them, with the name of the step that led to each.
#include "app/history/undo.h"

#include <algorithm>
#include <deque>

#include "app/history/snapshot.h"
#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/mapview/render.h"
#include "app/state/program.h"

namespace {

struct State {
  LayoutSnapshot layout;
  String name;            // of the step that led here ("" for the first)
  bool replaced = false;  // that step loaded a file or started afresh
  size_t cost = 0;        // bytes not shared with the state before it
};

struct History {
  std::deque<State> states;  // oldest first
  size_t position = 0;       // the state on the map
  size_t bytes = 0;
  LayoutSnapshot saved;      // the layout last saved or loaded
  int32_t saved_zoom = 100;
  uint64_t seen_changes = 0, seen_saves = 0;
};
History Steps;

void add_state(LayoutSnapshot layout, const String& name, bool replaced) {
  History& h = Steps;
  // A new step drops the steps that could have been made again.
  while (h.states.size() > h.position + 1) {
    h.bytes -= h.states.back().cost;
    h.states.pop_back();
  }
  const LayoutSnapshot* before = h.states.empty() ? nullptr : &h.states.back().layout;
  size_t cost = snapshot_cost(layout, before);
  h.states.push_back(State{std::move(layout), name, replaced, cost});
  h.bytes += cost;
  h.position = h.states.size() - 1;
  // The oldest go while the history holds too much; the one on the map stays.
  while (h.bytes > HistoryByteLimit && h.states.size() > 1) {
    h.bytes -= h.states[0].cost + h.states[1].cost;
    h.states.pop_front();
    h.states[0].cost = snapshot_cost(h.states[0].layout, nullptr);
    h.states[0].name.clear();
    h.bytes += h.states[0].cost;
    h.position--;
  }
}

void note_seen() {
  Steps.seen_changes = LayoutChanges;
  Steps.seen_saves = LayoutSaves;
  StepName.clear();
}

bool drag_in_progress() { return InteractionMode != Interaction::None; }

bool go_to(size_t position) {
  History& h = Steps;
  if (drag_in_progress()) return false;
  history_record();  // a change not yet recorded is a step of its own
  if (position >= h.states.size() || position == h.position) return false;
  if (!restore_snapshot(h.states[position].layout, h.states[h.position].layout)) return false;
  // The file the layout belongs to changes only with the steps that loaded a
  // file or started afresh.
  if (h.states[std::max(position, h.position)].replaced) LayoutFile = h.states[position].layout.layout_file;
  h.position = position;
  bool saved = same_layout(h.states[position].layout, h.saved) && MapView.zoom == h.saved_zoom;
  UnsavedChanges = saved ? 0 : 1;
  LayoutChanges++;
  note_seen();
  HoverLabel.text.clear();  // the piece it named may be gone
  return true;
}

}  // namespace

void history_record() {
  History& h = Steps;
  if (drag_in_progress()) return;
  if (h.states.empty()) {
    history_reset();
    return;
  }
  if (LayoutChanges != h.seen_changes) {
    LayoutSnapshot now = take_snapshot(&h.states[h.position].layout);
    if (!same_layout(now, h.states[h.position].layout))
      add_state(std::move(now), StepName.empty() ? String(u"Änderung") : StepName, LayoutSaves != h.seen_saves);
  }
  if (LayoutSaves != h.seen_saves) {
    h.states[h.position].layout.layout_file = LayoutFile;
    h.saved = h.states[h.position].layout;
    h.saved_zoom = MapView.zoom;
  }
  note_seen();
}

void history_reset() {
  History& h = Steps;
  h = History();
  h.states.push_back(State{take_snapshot(nullptr), String(), false, 0});
  h.states[0].cost = snapshot_cost(h.states[0].layout, nullptr);
  h.bytes = h.states[0].cost;
  h.saved = h.states[0].layout;
  h.saved_zoom = MapView.zoom;
  note_seen();
}

bool can_undo() { return Steps.position > 0; }
bool can_redo() { return Steps.position + 1 < Steps.states.size(); }
String undo_name() { return can_undo() ? Steps.states[Steps.position].name : String(); }
String redo_name() { return can_redo() ? Steps.states[Steps.position + 1].name : String(); }
bool undo_step() { return can_undo() && go_to(Steps.position - 1); }
bool redo_step() { return can_redo() && go_to(Steps.position + 1); }
const LayoutSnapshot& history_current() {
  if (Steps.states.empty()) history_reset();
  return Steps.states[Steps.position].layout;
}
size_t history_steps() { return Steps.position; }
size_t history_bytes() { return Steps.bytes; }
