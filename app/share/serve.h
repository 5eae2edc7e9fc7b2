// tavrel --serve: the players' view of a formation file, without a window
// and without a display, following the file as it is saved again.
#pragma once

#include "runtime/core/strings.h"

// Loads the formation at path (with its level), serves it on port (0: the
// first free one from 8421), prints the page's address as one line on
// standard output and serves until SIGTERM or SIGINT. A file saved again is
// shown within two seconds of its last change; one that "Spiel laden" would
// refuse, or that ends early, leaves the last good layout on show, with a
// warning on standard error. Returns the exit status: 0 after a signal, 1
// when the file or its level cannot be read at start or the port is taken
// (said on standard error). The runtime must have been started without a
// display.
int serve_from_command_line(const String& path, int port);
