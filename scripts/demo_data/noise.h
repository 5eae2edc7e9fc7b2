// Hashing and value noise for the map picture. Pure functions of their arguments.
#pragma once

#include <cstdint>

// Mixes the bits of x; the same x always gives the same result.
uint32_t hash_u32(uint32_t x);

// Fractal sum of `octaves` octaves of value noise in [0, 1] at (x, y), where one unit is the
// size of the coarsest feature; every seed gives a different pattern.
double fbm(double x, double y, int octaves, uint32_t seed);
