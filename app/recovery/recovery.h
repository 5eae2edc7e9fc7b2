// Nothing laid out is lost: while the layout has unsaved changes, a recovery
// file of this process in the user's state folder ($XDG_STATE_HOME/tavrel/)
// holds it, written at most about two seconds after each change by a thread
// of its own (a drag writes once, when it ends). The user's own files are
// never written. The file goes when nothing is unsaved any more and when the
// program is quit on purpose; a crash, a kill, a logout or a lost display
// leave it, and the next start offers it.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Takes this process's name and lock in the state folder, clears away the
// locks of ended processes that left no file, and starts the writing
// thread. Call once, after the display is open.
void recovery_start();
// Offers the newest recovery file that no running Tavrel owns (after the
// level is loaded and the map is drawn): Yes restores it as the step
// "Aufstellung wiederherstellen", unsaved, with its view and its file; No
// sets it aside. Damaged files are offered as far as they can be read; files
// whose level is gone are set aside with a message. True when a layout was
// restored.
bool recovery_offer();
// Notes the changes of the last event and writes the file when it is due.
// Call after every event.
void recovery_tick();
// How long the event loop may wait before the next write is due, in ms; -1
// for as long as it likes.
int64_t recovery_wait_ms();
// Writes the file at once, on this thread, if anything is unsaved (a signal,
// a lost display, a quit that keeps it).
void recovery_write_now();
// The session ends (a signal, a lost display): the file is written if
// anything is unsaved, else the lock goes too.
void recovery_session_end();
// Quitting on purpose: the file and the lock go.
void recovery_discard();
// Ends the writing thread after its last write (the file stays as it is).
void recovery_stop();
// The recovery files this process has written so far, and the path of its own.
int64_t recovery_writes();
String recovery_path();
// Where a declined recovery file is kept until the next one declined takes
// its place.
String recovery_set_aside_path();
