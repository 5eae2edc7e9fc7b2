// Formation files of the old format (".gls"), read only.
#pragma once

#include "runtime/core/strings.h"

// Reads the old formation file at path (loading its level first).
void read_old_formation(const String& path);
