// The program's folder, its data paths and the unsaved-changes flag.
#include "app/state/program.h"

String ProgramDir;
uint8_t UnsavedChanges = 0;

String data_path(const String& folder, const String& name) {
  return ProgramDir + folder + string_right(ProgramDir, 1) + name;
}
