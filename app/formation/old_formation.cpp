#include "app/formation/old_formation.h"

#include "app/formation/formation.h"

void read_old_formation(const String& path) { read_formation_file(path, true); }
