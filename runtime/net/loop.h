// Timers, background work and the plain main loop for the network services:
// all on GLib's default main context, which the program's event loop runs
// (and run_until_signal, for a program without a window).
#pragma once

#include <cstdint>
#include <functional>

// Calls fn on the main loop after ms milliseconds, again every ms while it
// returns true. Returns an id for timer_stop (never 0).
unsigned timer_start(int ms, std::function<bool()> fn);
// Stops a timer (0 and ids of ended timers are ignored).
void timer_stop(unsigned id);
// Calls fn on the main loop whenever it has nothing else to do, while fn
// returns true. Each call should take a few milliseconds at most.
unsigned idle_start(std::function<bool()> fn);
// Runs fn on a thread of a small pool (as many as the machine has cores, at
// least two); then done on the main loop. fn must not touch the runtime's
// tables.
void background_run(std::function<void()> fn, std::function<void()> done);
// Waits (running the main loop) until the background work started so far
// is done; for shutting down.
void background_wait();
// Runs the main loop until SIGTERM or SIGINT arrives or loop_quit is called.
// Returns the signal's number, or 0 after loop_quit.
int run_until_signal();
void loop_quit();
