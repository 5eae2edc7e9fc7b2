// The program's own state that every part of the application may use: the
// folder it runs from, the paths of its data files, and whether the layout
// has changed since it was last saved, loaded or started afresh.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Directory of the running program, always ending in "/". Every data file is
// found relative to it.
extern String ProgramDir;
// 1 when the formation changed since it was last saved, loaded or started afresh.
extern uint8_t UnsavedChanges;

// The data file name in the folder folder of the program directory:
// ProgramDir + folder + separator + name, the separator being the character
// that ends ProgramDir.
String data_path(const String& folder, const String& name);
