// The clock of the marker animation and the random numbers of the piece picker.
#pragma once

#include <cstdint>

// Milliseconds of wall-clock time since the first call: (current second -
// second of the first call) x 1000 + current microseconds / 1000. The first
// call returns less than 1000.
int64_t elapsed_ms();
// An integer drawn uniformly from 0 to max, both included (0 for max <= 0).
// The generator is seeded from the time of day at its first use.
int64_t random_number(int64_t max);

// When set, replaces the wall clock of elapsed_ms (tests and the benchmark
// move the marker's time freely).
extern int64_t (*ElapsedMsSource)();
