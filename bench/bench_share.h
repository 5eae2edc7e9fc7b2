// Figures of the players' view: how long a change takes to reach 64 pages
// on the event stream, the longest stall of the event loop while 64 pages
// load every tile of the map, and the memory serving adds.
#pragma once

#include <string>

// Serves the map picture (image number map, with the catalogs' pieces on it)
// over loopback and prints the table for it under name.
void run_share_figures(const std::string& name, int map, int readers);
