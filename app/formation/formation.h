// Formation files (".tvf"): the save and load commands and the file format.
#pragma once

#include "runtime/core/strings.h"

// Command "Spiel speichern": asks for a file name and writes the formation.
void save_formation();
// Command "Spiel laden": asks for a file and reads it (old ".gls" files too).
void load_formation();
// Writes the formation to path.
void write_formation(const String& path);
// Reads the formation file at path (loading its level first).
void read_formation(const String& path);
