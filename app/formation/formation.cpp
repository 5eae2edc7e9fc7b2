#include "app/formation/formation.h"

void save_formation() {
  // Saving a formation is not available yet.
}

void load_formation() {
  // Loading a formation is not available yet.
}

void write_formation(const String&) {
  // Writing a formation file is not available yet.
}

void read_formation(const String&) {
  // Reading a formation file is not available yet.
}
