// What ties the program to the desktop around it: its application ID (by which
// the desktop finds its entry, icon and file types), the desktop's list of
// recently used files, files dropped onto a canvas from a file manager, and
// the scale factor of high-density screens.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/core/strings.h"

// Names the program to the desktop before runtime_init: id (reverse DNS, the
// name of the desktop entry) becomes the Wayland application ID and the X11
// instance name, window_class the X11 class; command is what starts it (for
// the recently used files).
void application_identify(const char* id, const char* window_class, const char* command);

// The path of name in the user's configuration folder of the application:
// $XDG_CONFIG_HOME/application/name, with ~/.config for an unset or relative
// XDG_CONFIG_HOME (read anew at every call); "" without a home folder.
String user_config_path(const String& application, const String& name);
// True when a file can be made in the folder (tried, so that read-only file
// systems and the rights of every user count alike).
bool folder_writable(const String& folder);
// Makes the folder with its parents; true when it exists afterwards.
bool make_folders(const String& folder);

// Puts the open window number (best a WindowPopup, which no window manager
// places elsewhere) with its top-left corner at (x, y) of the gadget area of
// the window parent: on X11 it is moved there on the screen; on Wayland,
// where a program cannot place windows on the screen, it becomes a popup of
// the parent that the compositor places there (or as near as the screen
// allows), holding the pointer: a click outside the program makes the
// compositor take it away (window_shown then says false).
void window_place_at(int number, int parent, int x, int y);
// True while the window is on the screen (not hidden, nor taken away).
bool window_shown(int number);
// False where the program cannot learn the pointer's position on the whole
// screen nor its windows' (Wayland): desktop_mouse_x/y and window_x/y then
// tell nothing about other programs' windows.
bool desktop_positions_known();

// Adds the file to the desktop's list of recently used files (file choosers
// and desktop shells offer it). Nothing without a display or for a relative
// path.
void recent_file_add(const String& path);
// True when the desktop's list holds the file (for tests).
bool recent_file_listed(const String& path);

// Gadget event type of a canvas onto which files were dropped.
constexpr int64_t FilesDropped = 0x801;
// Lets files be dropped onto the canvas from a file manager. patterns are
// glob patterns separated by "|" ("*.tvf|*.gls"), matched against the file
// name without regard to case. A drop of exactly one local file that matches
// is taken and posts Gadget FilesDropped; every other drop is refused (the
// file manager shows it) and posts nothing.
void canvas_accept_drops(int number, const String& patterns);
// The files of the current FilesDropped event, absolute paths; empty for any
// other event.
std::vector<String> event_dropped_files();
