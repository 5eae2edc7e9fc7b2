// The program's own state that every part of the application may use: the
// folder it runs from, the paths of its data files, whether the layout has
// changed since it was last saved, loaded or started afresh, and which file
// it belongs to.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Directory of the running program, always ending in "/". Every data file is
// found relative to it.
extern String ProgramDir;
// 1 when the formation changed since it was last saved, loaded or started
// afresh. Set through note_change, cleared through note_saved.
extern uint8_t UnsavedChanges;
// The formation file the layout was last loaded from or saved to; "" when it
// belongs to none (a new game).
extern String LayoutFile;

// Counts every change of the layout, and every time the layout was saved or
// started afresh: whoever keeps something made from the layout (the undo
// history, the recovery file) compares the counts instead of being told.
extern uint64_t LayoutChanges;
extern uint64_t LayoutSaves;

// A change of the layout that is not yet saved: UnsavedChanges = 1.
void note_change();
// The layout was saved, or replaced by a fresh level or a formation file, so
// that it has no unsaved changes: UnsavedChanges = 0. replaced also counts it
// as a change.
void note_saved(bool replaced);
// The name under which the change being made goes into the undo history
// ("Grabstein setzen"); the last name given before the change is recorded
// counts.
void name_step(const char16_t* name);
extern String StepName;

// The data file name in the folder folder of the program directory:
// ProgramDir + folder + separator + name, the separator being the character
// that ends ProgramDir.
String data_path(const String& folder, const String& name);
