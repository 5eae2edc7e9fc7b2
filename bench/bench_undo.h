// Undo and redo figures of the map benchmark.
#pragma once

// Prints the time to take back and make again a step on the largest
// formation the file format allows (255 texts of 32767 units, 127 heroes and
// transports, 1000 graves), against one frame of panning the demo-sized map.
// The catalogs must hold pictures already.
void run_undo_figures(int rounds);
