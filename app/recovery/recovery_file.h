// The recovery file: a formation file (the layout as "Spiel speichern" would
// write it) followed by what else a restart needs: when the layout was last
// changed, the view, and the file it belonged to. Programs that read it as a
// formation file never see the part behind the inscriptions.
#pragma once

#include <cstdint>
#include <string>

#include "app/formation/formation_record.h"
#include "runtime/core/strings.h"

struct RecoveryInfo {
  int64_t changed = 0;         // local date value of the last change; 0 unknown
  int32_t origin_x = 0, origin_y = 0;
  String layout_file;          // "" for none
};

// The file's bytes. Touches no runtime object: any thread may call it.
std::string recovery_bytes(const FormationRecord& formation, const RecoveryInfo& info);
// Reads the file at path: the formation as a formation file is read (damage
// handled alike), then the recovery part when it is there and whole (else
// info keeps its values).
FormationRead read_recovery_file(const String& path, FormationRecord* formation, RecoveryInfo* info);
