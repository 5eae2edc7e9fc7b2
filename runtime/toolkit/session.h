// The end of the desktop session: a logout, a kill or Ctrl+C in a terminal
// (SIGTERM, SIGHUP, SIGINT), or the connection to the display lost.
#pragma once

// The signal number that stands for a lost display.
constexpr int DisplayLost = 0;

// From now on, such an end calls handler on the toolkit's thread, outside any
// signal handler (from the toolkit's loop for a signal; at once for a lost
// display), with the signal's number or DisplayLost. The handler must end
// the process (end_by_signal); whatever the program is doing meanwhile is
// not resumed.
void on_session_end(void (*handler)(int signal));
// Ends the process as the signal would have by default, so that whoever
// started it sees it ended by that signal; for DisplayLost with status 1.
[[noreturn]] void end_by_signal(int signal);
