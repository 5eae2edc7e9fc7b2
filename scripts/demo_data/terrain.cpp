// The terrain of the map picture: land and sea, the lake, elevation and moisture, and the
// painting of the ground from them.

#include "terrain.h"

#include <algorithm>
#include <cmath>

#include "noise.h"

std::vector<float> LandField;
std::vector<float> Elevation;
std::vector<float> Moisture;
std::vector<uint8_t> WaterMask;
std::vector<uint8_t> RiverBed;

// Lake membership measure: < 1 inside the lake.
static double lake_measure(double x, double y) {
  double dx = (x - LakeCentre.x) / 230.0, dy = (y - LakeCentre.y) / 140.0;
  double d = std::sqrt(dx * dx + dy * dy);
  return d + 0.55 * (fbm(x / 140.0, y / 140.0, 3, 901) - 0.5);
}

void compute_terrain() {
  size_t n = (size_t)MapWidth * MapHeight;
  LandField.assign(n, 0);
  Elevation.assign(n, 0);
  Moisture.assign(n, 0);
  WaterMask.assign(n, 0);
  for (int y = 0; y < MapHeight; y++) {
    for (int x = 0; x < MapWidth; x++) {
      // Coast: the sea lies in the west and widens towards the south-west; the north-west
      // corner, where the heroes start, is land.
      double coast = (x + 150.0 - 0.42 * y) / 650.0;
      double south = (MapHeight + 180.0 - y - 0.35 * x) / 520.0;
      double base = std::min(coast, south + 0.3);
      double e = fbm(x / 560.0, y / 560.0, 6, 11);
      double land = base + (e - 0.5) * 2.0;

      double hills = fbm(x / 420.0, y / 420.0, 4, 23);
      double md = dist({(double)x, (double)y}, MountainCentre);
      double mweight = smoothstep(800.0, 150.0, md);
      double massif = fbm(x / 240.0, y / 240.0, 5, 37);
      double h = 0.30 * smoothstep(0.0, 1.4, land) + 0.45 * (hills - 0.5) + 0.12 +
                 mweight * (0.15 + 0.75 * smoothstep(0.3, 0.75, massif));
      // Round off the summits instead of cutting them flat.
      if (h > 0.75) h = 0.75 + 0.25 * (1.0 - std::exp(-(h - 0.75) / 0.25));
      h = clamp01(h);

      double lm = lake_measure(x, y);
      size_t i = idx(x, y);
      if (lm < 1.0 && land > 0.05) {
        WaterMask[i] = 1;
        land = -0.6 * (1.0 - lm);  // lake depth for the water colour
        h = 0;
      } else if (land < 0) {
        WaterMask[i] = 1;
        h = 0;
      } else {
        // Flatten the lake shore so that the lake sits in a basin.
        h *= smoothstep(1.0, 1.6, lm) * 0.6 + 0.4;
      }
      LandField[i] = (float)land;
      Elevation[i] = (float)h;
      Moisture[i] = (float)fbm(x / 450.0 + 50.0, y / 450.0 - 20.0, 4, 71);
    }
  }
}

void paint_terrain(uint32_t *pix, int stride_px) {
  const Colour deep = {88, 128, 158};
  const Colour shallow = {150, 188, 196};
  const Colour sand = {222, 206, 158};
  const Colour dry = {190, 186, 124};
  const Colour lush = {136, 168, 98};
  const Colour upland = {172, 160, 112};
  const Colour rock = {148, 138, 124};
  const Colour snow = {238, 238, 232};
  for (int y = 0; y < MapHeight; y++) {
    for (int x = 0; x < MapWidth; x++) {
      size_t i = idx(x, y);
      Colour c;
      double land = LandField[i];
      if (WaterMask[i]) {
        double depth = clamp01(-land / 0.9);
        c = mix_colour(shallow, deep, std::sqrt(depth));
        // Coastal contour lines, fading out to the open sea.
        double d = -land;
        if (d < 0.22) {
          double ph = std::fmod(d, 0.055);
          if (ph < 0.006) c = mix_colour(c, deep, 0.35 * (1.0 - d / 0.22));
        }
        if (d < 0.012) c = mix_colour(c, {70, 95, 110}, 0.55);
        // Faint ripple texture.
        double rip = fbm(x / 18.0, y / 6.0, 2, 313) - 0.5;
        c = mix_colour(c, {255, 255, 255}, std::max(0.0, rip) * 0.12);
      } else {
        double h = Elevation[i];
        double m = Moisture[i];
        c = mix_colour(dry, lush, smoothstep(0.3, 0.6, m));
        c = mix_colour(c, upland, smoothstep(0.38, 0.55, h));
        c = mix_colour(c, rock, smoothstep(0.58, 0.72, h));
        c = mix_colour(c, snow, smoothstep(0.88, 0.95, h));
        if (land < 0.05 && h < 0.4) c = mix_colour(c, sand, smoothstep(0.05, 0.015, land));
        // Hill shading with the light from the north-west.
        int x0 = std::max(x - 2, 0), x1 = std::min(x + 2, MapWidth - 1);
        int y0 = std::max(y - 2, 0), y1 = std::min(y + 2, MapHeight - 1);
        double gx = Elevation[idx(x1, y)] - Elevation[idx(x0, y)];
        double gy = Elevation[idx(x, y1)] - Elevation[idx(x, y0)];
        double shade = 1.0 - 50.0 * (gx + gy);
        shade = std::max(0.8, std::min(1.12, shade));
        c = {c.r * shade, c.g * shade, c.b * shade};
        // Fine meadow texture.
        double t = fbm(x / 9.0, y / 9.0, 2, 555) - 0.5;
        c = {c.r * (1 + 0.06 * t), c.g * (1 + 0.06 * t), c.b * (1 + 0.06 * t)};
      }
      int r = (int)std::lround(std::clamp(c.r, 0.0, 255.0));
      int g = (int)std::lround(std::clamp(c.g, 0.0, 255.0));
      int b = (int)std::lround(std::clamp(c.b, 0.0, 255.0));
      pix[(size_t)y * stride_px + x] = 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
    }
  }
}

bool good_building_ground(double x, double y, double margin) {
  for (int k = 0; k < 9; k++) {
    double ax = x + margin * ((k % 3) - 1), ay = y + margin * ((k / 3) - 1);
    if (water_at(ax, ay)) return false;
    if (elevation_at(ax, ay) > 0.56) return false;
    if (land_at(ax, ay) < 0.06) return false;
  }
  return true;
}
