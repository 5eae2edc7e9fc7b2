// Start-up, shut-down, the main window and the event loop.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Directory of the running program, always ending in "/".
extern String ProgramDir;
// 1 when the formation changed since it was last saved, loaded or started afresh.
extern uint8_t UnsavedChanges;

// Fixed numbers of the main window's objects.
constexpr int MainWindow = 0;
constexpr int MainMenuBar = 0;
constexpr int MapMenu = 1;
constexpr int TransportMenu = 2;
constexpr int MapCanvas = 0;
constexpr int PickerCanvas = 1;

// The directory part of the program path taken from /proc/self/exe (or, when
// that cannot be read, from argv0; "" when there is none), ending in "/".
String find_program_dir(const char* exe_link, const char* argv0);
// Opens the main window with its menus, popup menus, canvases, shortcuts and
// marker picture. Returns 0 when the window could not be opened.
int open_main_window();
// Keeps the map canvas as large as the window (on every SizeWindow).
void resize_map_canvas();
// Runs the main loop until the main window's close button is used.
void run_event_loop();
// Handles one event already fetched by event_wait (kind): the end of a drag on
// LeftButtonUp and the dispatch by kind. Returns false for CloseWindow.
bool dispatch_event(int64_t kind);
// The zoom commands.
void zoom_full();
void zoom_out();
void zoom_in();
// Asks at quit whether unsaved changes are to be saved (and saves on Yes).
// False when the save was chosen but failed: the program then stays open so
// that the work can be saved elsewhere. True to quit (saved, not wanted, or
// the save requester cancelled).
bool ask_save_at_quit();
// The whole program: start-up, loop, shut-down. Returns the exit status: 0,
// or 1 when the main window cannot be opened (no display).
int tavrel_main(int argc, char** argv);

// Creates the seven lists of catalogs and pieces (in the start-up order) and
// empties the 256 Inscriptions. Lists that already exist are kept.
void create_containers();

// The event the loop handles at the moment: its kind, its type and, for menu
// events, its number.
extern int64_t CurrentEventKind;
extern int64_t CurrentEventType;
extern int64_t CurrentMenuNumber;
