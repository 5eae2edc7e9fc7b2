// Export figures of the map benchmark.
#pragma once

#include <string>

// Prints the export table: for the demo level and a generated 16384 x 16384
// map with pieces, the shortest of rounds times of libpng encoding the bare
// map picture (the writer's filter and zlib level, into a file) against
// export_map_picture writing the whole layout (safe save included), their
// ratio, libpng's default settings for comparison, and the peak memory the
// export adds to the process.
void run_export_figures(const std::string& demo_dir, int rounds);
// The child's part of the memory figure: loads the level in folder, spreads
// the pieces, writes picture and prints the kilobytes the export added to
// the peak resident memory (-1 when it failed).
int run_export_memory(const char* folder, const char* picture, int pieces);
