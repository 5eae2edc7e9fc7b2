// Hashing and value noise for the map picture.

#include "noise.h"

#include <cmath>

uint32_t hash_u32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

static double lattice(int x, int y, uint32_t seed) {
  uint32_t h = hash_u32((uint32_t)x * 0x9E3779B1u ^ hash_u32((uint32_t)y * 0x85EBCA6Bu + seed));
  return (double)h / 4294967295.0;
}

static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Value noise in [0, 1].
static double value_noise(double x, double y, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  int xi = (int)fx, yi = (int)fy;
  double u = fade(x - fx), v = fade(y - fy);
  double a = lattice(xi, yi, seed), b = lattice(xi + 1, yi, seed);
  double c = lattice(xi, yi + 1, seed), d = lattice(xi + 1, yi + 1, seed);
  return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}

// Every octave is rotated to hide the lattice.
double fbm(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, amp = 0.5, norm = 0;
  const double cs = std::cos(0.6), sn = std::sin(0.6);
  for (int i = 0; i < octaves; i++) {
    sum += amp * value_noise(x, y, seed + (uint32_t)i * 101u);
    norm += amp;
    double nx = (x * cs - y * sn) * 2.03 + 17.1;
    double ny = (x * sn + y * cs) * 2.03 - 9.7;
    x = nx;
    y = ny;
    amp *= 0.5;
  }
  return sum / norm;
}
