// The undo history: every change of the layout as one step that can be taken
// back and made again. It keeps at least the last 100 steps and never more
// than 64 MiB of layouts (unchanged parts of consecutive layouts are shared,
// so a step usually costs only the pieces it moved).
#pragma once

#include <cstddef>

#include "runtime/core/strings.h"

// Records what changed since the last call as one step named by the last
// name_step, if the layout now differs from the last step's (a zoom alone
// does not); notes a save or load. Nothing is recorded while a drag is in
// progress. Call it after every command.
void history_record();
// Forgets every step: the layout on the map becomes the start of the history
// and counts as saved.
void history_reset();
// Whether there is a step to take back or to make again, and its name.
bool can_undo();
bool can_redo();
String undo_name();
String redo_name();
// Takes back the last step, or makes the last step taken back again. The
// layout becomes exactly what it was (the zoom and the view stay as they
// are); the layout counts as unsaved unless it equals, zoom included, the
// one last saved or loaded. False when there was nothing to do, when a drag
// is in progress, or when the step could not be taken (its level file is
// gone; the user is told and nothing changes).
bool undo_step();
bool redo_step();
// The layout on the map as the history last recorded it.
const struct LayoutSnapshot& history_current();
// The number of steps that can be taken back, and the bytes the history holds.
size_t history_steps();
size_t history_bytes();
// The largest number of bytes the history holds.
constexpr size_t HistoryByteLimit = size_t{64} << 20;
