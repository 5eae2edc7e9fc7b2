// The command "Mitspielern zeigen …" and its window "Mitspieler-Ansicht":
// the address for the players as text and as a QR code, the machine's other
// addresses, the number of browsers connected and a button "Freigabe
// beenden". The window is not modal: its events come through the main event
// loop like the main window's.
#pragma once

#include <cstdint>

// Command "Mitspielern zeigen …": starts sharing (on the first free port from
// 8421) unless it is on, and opens the window or brings it to the front.
void share_command();
// Starts sharing on port (0: the first free one) and opens the window; when
// the port is taken, says so in a message and on standard error and leaves
// sharing off. For tavrel --share.
void share_from_command_line(int port);
// Handles an event of the window (a click on its button, its closing): both
// end sharing and close the window. False for events of other windows.
bool share_window_event(int64_t kind);
// Ends sharing and closes the window (the program quits).
void share_end();
