#include "app/pieces/transports.h"

void create_transport() {
  // Creating a transport is not available yet.
}

void remove_transport() {
  // Removing a transport is not available yet.
}

void attach_transport(int64_t) {
  // Attaching a transport is not available yet.
}

void detach_transport(int) {
  // Detaching a transport is not available yet.
}
