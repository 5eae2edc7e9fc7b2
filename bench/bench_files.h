// Generated map pictures and level folders for the benchmarks.
#pragma once

#include <cstdint>
#include <string>

// The kinds of map picture file the benchmarks write.
enum class MapFile { PngRgb, PngRgba, Jpeg, Bmp };
const char* map_file_name(MapFile kind);  // "PNG RGB", ...

// Colour of map pixel (x, y): gradients with a little noise, like a drawn map.
void map_pixel(int x, int y, int w, int h, uint8_t* rgba);

// Writes a w x h map picture of the kind to path; false on failure.
bool write_map_file(const std::string& path, MapFile kind, int w, int h);

// A fresh folder under /tmp, ending in "/"; removed by remove_folder.
std::string temp_folder(const char* what);
void remove_folder(const std::string& folder);

// Makes folder a program folder for start-up: the demo catalogs and piece
// pictures from demo_dir, and a "Varn.gxml" whose map picture is map_file
// (inside folder + "pics/"). False on failure.
bool make_level_folder(const std::string& folder, const std::string& demo_dir, const std::string& map_file);

// The peak resident memory of this process so far in bytes (VmHWM).
int64_t peak_memory_bytes();
// Processor time (user + system) of this process so far in ms.
double cpu_ms();
