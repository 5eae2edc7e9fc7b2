// The map picture.
#pragma once

// Computes the terrain, lays out rivers, settlements, roads, fields, mountains and woods,
// draws them with labels, compass and frame on parchment, and writes pics/<MapFileName> as
// JPEG. Takes a few seconds. False when the file could not be written.
bool make_map();
