// The program's folder, its data paths, the unsaved-changes flag and the
// counts of the layout's changes.
#include "app/state/program.h"

String ProgramDir;
uint8_t UnsavedChanges = 0;
String LayoutFile;
uint64_t LayoutChanges = 0;
uint64_t LayoutSaves = 0;
String StepName;

void note_change() {
  UnsavedChanges = 1;
  LayoutChanges++;
}

void note_saved(bool replaced) {
  UnsavedChanges = 0;
  LayoutSaves++;
  if (replaced) LayoutChanges++;
}

void name_step(const char16_t* name) { StepName = name; }

String data_path(const String& folder, const String& name) {
  return ProgramDir + folder + string_right(ProgramDir, 1) + name;
}
