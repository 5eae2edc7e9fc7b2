// The alpha-blend mode's formulas for one pixel, shared by the drawing layer
// and by code that composes pixels exactly as it would by other means.
#pragma once

#include <cstdint>

// Colour (r, g, b) with alpha a over a 3-byte pixel: each channel becomes
// (s * a + d * (255 - a)) / 255.
inline void blend_rgb(uint8_t* p, unsigned r, unsigned g, unsigned b, unsigned a) {
  unsigned inv = 255 - a;
  p[0] = static_cast<uint8_t>((r * a + p[0] * inv) / 255);
  p[1] = static_cast<uint8_t>((g * a + p[1] * inv) / 255);
  p[2] = static_cast<uint8_t>((b * a + p[2] * inv) / 255);
}

// Non-premultiplied "over" on a 4-byte pixel of alpha d: A = a*255 + d*(255-a);
// a = 0 keeps the pixel; d = 0 takes the source colour; else each channel is
// (c*(255-a)*d + s*a*255) / A. The alpha becomes A / 255 in both latter cases,
// so that drawing onto a transparent pixel makes it visible.
inline void blend_rgba(uint8_t* p, unsigned r, unsigned g, unsigned b, unsigned a) {
  if (a == 0) return;
  unsigned d = p[3];
  unsigned all = a * 255 + d * (255 - a);
  if (d == 0) {
    p[0] = static_cast<uint8_t>(r), p[1] = static_cast<uint8_t>(g), p[2] = static_cast<uint8_t>(b);
  } else {
    unsigned keep = (255 - a) * d, take = a * 255;
    p[0] = static_cast<uint8_t>((p[0] * keep + r * take) / all);
    p[1] = static_cast<uint8_t>((p[1] * keep + g * take) / all);
    p[2] = static_cast<uint8_t>((p[2] * keep + b * take) / all);
  }
  p[3] = static_cast<uint8_t>(all / 255);
}
