// Loading and start-up figures of the map benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DrawTarget;

// The canvas that frames are drawn into (the demo window's map canvas).
constexpr int BenchCanvasW = 1286, BenchCanvasH = 775;

// Points target at pixels, sized for the canvas, and makes it where frames
// are drawn (MapTargetOverride, MapView's canvas size).
void use_bench_canvas(std::vector<uint8_t>& pixels, DrawTarget& target);
// The child's part of the start-up figures: starts on the level folder,
// draws one frame and prints peak memory, processor time and map size.
int run_start(const char* folder, int* argc, char*** argv);
// Prints the load table: decoder library alone against image_load.
void run_load_figures(int rounds);
// Prints the start-up table for the demo folder and generated big maps.
void run_memory_figures(const std::string& demo_dir);
