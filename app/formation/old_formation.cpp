#include "app/formation/old_formation.h"

void read_old_formation(const String&) {
  // Reading old formation files is not available yet.
}
