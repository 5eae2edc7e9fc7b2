// The inscription pool that graves and transports share: 255 texts at the
// indices 1 to 255 of Inscriptions (index 0 is never handed out).
#pragma once

#include <cstdint>

#include "app/state/lists.h"

// Puts text at the lowest free index of Inscriptions and returns the index; 0
// (text dropped) when all of 1..255 are taken. An index is free when its text
// is empty and no grave or transport holds it.
int32_t take_inscription(const String& text);
// Empties the text at index, unless another grave or transport than holder
// holds the same index (only a damaged formation file shares one). Index 0
// and indices outside the pool free nothing.
void release_inscription(int32_t index, const Piece* holder);
