// A progress window for long work done on the toolkit's thread (writing a
// large picture): it appears only when the work takes longer than
// ProgressDelayMs, stands modal over its window so that nothing else there
// takes input meanwhile, and lets the toolkit repaint the windows while the
// work goes on.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

constexpr int64_t ProgressDelayMs = 500;

// Starts timing a piece of work over the window (its number); title and
// text are what the window will show. A progress already running ends first.
void progress_begin(int window, const String& title, const String& text);
// Tells how far the work is (0 to 1). Once the work has taken longer than
// ProgressDelayMs the window shows the fraction, and the toolkit handles
// what is pending (at most every 40 ms, so calling often costs little).
// Without a display or a running progress it does nothing.
void progress_step(double fraction);
// Ends the work: the window goes, if it was shown.
void progress_end();
// True while the window is shown.
bool progress_shown();
