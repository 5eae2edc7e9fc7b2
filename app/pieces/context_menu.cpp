#include "app/pieces/context_menu.h"

PopupPointRecord PopupPoint;

void show_context_menu() {
  // The context menu is not available yet.
}
