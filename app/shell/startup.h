// Start-up and shut-down of the program.
#pragma once

#include "runtime/core/strings.h"

// The directory part of the program path taken from /proc/self/exe (or, when
// that cannot be read, from argv0; "" when there is none), ending in "/".
String find_program_dir(const char* exe_link, const char* argv0);
enum class QuitAnswer {
  Quit,              // nothing unsaved, saved, or not wanted
  QuitKeepingLayout, // the user wanted it saved, then cancelled the save requester
  Stay,              // the save was chosen but failed: the work can still be saved elsewhere
};
// Asks at quit whether unsaved changes are to be saved (and saves on Yes).
QuitAnswer ask_save_at_quit();
struct StartOptions;
// Loads the file named on the command line, if any, as "Spiel laden" loads a
// chosen file (its messages included); called after the level is loaded.
void open_start_file(const StartOptions& options);
// The whole program: start-up, loop, shut-down. Returns the exit status: 0,
// or 1 when the main window cannot be opened (no display). With --export it
// writes the picture instead, without a display, and returns 0 or 1.
int tavrel_main(int argc, char** argv);
