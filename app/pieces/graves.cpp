#include "app/pieces/graves.h"

void set_grave() {
  // Setting a grave is not available yet.
}

void remove_grave() {
  // Removing a grave is not available yet.
}

bool add_piece(const String&, List<Piece>*, List<CatalogEntry>*, int32_t, int32_t) {
  // Adding a piece is not available yet.
  return false;
}
