// The export commands: "Als Bild exportieren …" and "Ansicht als Bild
// exportieren …" in the menu "Spiel", and tavrel --export on the command line.
#pragma once

#include "runtime/core/strings.h"

// Folder of the picture last exported (with its final "/"), where the next
// export's requester starts; empty at first (the formation folder, else the
// current folder, is taken then).
extern String ExportFolder;

// Command "Als Bild exportieren …": asks for a PNG file with the scale and
// whether to write the inscriptions beside their pieces, then writes the
// whole map with its pieces, showing its progress when that takes a while.
// Failures are reported to the user; the layout is never changed.
void export_map_command();
// Command "Ansicht als Bild exportieren …": asks for a PNG file and writes
// what the map canvas shows now.
void export_view_command();

// tavrel --export PICTURE [FORMATION]: loads the level (through the formation
// when one is given, as "Spiel laden" does), writes the whole map at 100 %
// to picture (the name as given) and returns the exit status: 0 when written,
// 1 otherwise. Every message goes to standard error; no dialog opens. The
// runtime must have been started (a display is not needed).
int export_from_command_line(const String& picture, const String& formation);
