#include "app/catalogs/player_icons.h"

void edit_player_icons() {
  // The player icon dialog is not available yet.
}
