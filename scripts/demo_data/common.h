// What every part of the demo-data generator shares: the level's dimensions, deterministic
// random numbers, small maths helpers, colours and the writing of the output files.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

// ---- Level parameters: written into the level file and used for the pictures' sizes

inline constexpr int MapWidth = 3000;
inline constexpr int MapHeight = 2000;
inline constexpr int TileX = 40;       // tile_x
inline constexpr int TileY = 40;       // tile_y
inline constexpr int PlayerSize = 32;  // hero icons are PlayerSize x PlayerSize
inline constexpr const char *MapFileName = "varn_map.jpg";  // the map picture, in "pics"

// ---- Deterministic random numbers

// A splitmix64 generator. Every part that needs random numbers seeds its own with a fixed
// value, so what it draws never depends on how many numbers another part used.
struct Rng {
  uint64_t state;
};

// The next 64 random bits.
uint64_t rng_next(Rng &r);

// Uniform in [0, 1); takes one number from r.
double rng_unit(Rng &r);

// Uniform in [lo, hi); takes one number from r.
double rng_range(Rng &r, double lo, double hi);

// ---- Maths and colours

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// 0 at a, 1 at b, smooth in between; a may be greater than b for a falling edge.
inline double smoothstep(double a, double b, double x) {
  double t = clamp01((x - a) / (b - a));
  return t * t * (3 - 2 * t);
}

inline double mix(double a, double b, double t) { return a + (b - a) * t; }

// Channels in 0 .. 255, not rounded.
struct Colour {
  double r, g, b;
};

inline Colour mix_colour(Colour a, Colour b, double t) {
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// Makes the colour with channels in 0 .. 255 and opacity a the source of cr.
void set_rgb(cairo_t *cr, int r, int g, int b, double a = 1.0);

// ---- Output files. Paths are relative to the output folder and their folders must exist.

// Sets the output folder; main does this before anything is written.
void set_output_folder(const std::string &folder);

// The path of rel inside the output folder.
std::string out_path(const std::string &rel);

// Writes text byte for byte. False when it fails, with a message on stderr.
bool write_text_file(const std::string &rel, const std::string &text);

// Writes the surface as PNG. False when it fails, with a message on stderr.
bool write_png(cairo_surface_t *s, const std::string &rel);

// Writes an opaque ARGB32 or RGB24 surface as a baseline JPEG of the given quality (0 .. 100);
// the alpha byte is ignored. False when it fails.
bool write_jpeg(cairo_surface_t *s, const std::string &rel, int quality);
