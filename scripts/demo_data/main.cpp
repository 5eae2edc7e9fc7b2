// Writes Tavrel's demo game data: the level file "Varn.gxml", the catalogs "players.xml",
// "graves.xml" and "transports.xml", the map picture, the grave and transport pictures,
// the marker and random-cell pictures in "pics", the hero icons in "players", and the
// application's icon in the sizes of the icon theme in "icons".
//
// Everything is drawn here, procedurally, with cairo; the map picture is written as JPEG
// through gdk-pixbuf. All randomness comes from fixed seeds, so every run writes the same
// files.
//
// Usage: gen_demo_data <output folder>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "drawing.h"
#include "xml_files.h"
#include "pieces.h"
#include "icons.h"

static uint32_t hash_u32(uint32_t x) {
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

// Fractal sum of value noise in [0, 1]; every octave is rotated to hide the lattice.
static double fbm(double x, double y, int octaves, uint32_t seed) {
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

// ---------------------------------------------------------------------------------------------
// The map picture

struct Pt {
  double x, y;
};

static double dist(Pt a, Pt b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Terrain fields, one value per map pixel.
static std::vector<float> LandField;   // < 0: sea; distance-like measure inland
static std::vector<float> Elevation;   // 0 (coast) .. 1 (peaks)
static std::vector<float> Moisture;    // 0 .. 1
static std::vector<uint8_t> WaterMask; // 1: sea or lake, 2: river with its banks (set after the rivers)
static std::vector<uint8_t> RiverBed;  // 1 where a river is drawn

static const Pt LakeCentre = {1830, 1080};
static const Pt MountainCentre = {2620, 330};

static size_t idx(int x, int y) { return (size_t)y * MapWidth + x; }

static bool inside_map(double x, double y) {
  return x >= 0 && y >= 0 && x < MapWidth && y < MapHeight;
}

static uint8_t water_at(double x, double y) {
  if (!inside_map(x, y)) return 1;
  return WaterMask[idx((int)x, (int)y)];
}

static float elevation_at(double x, double y) {
  if (!inside_map(x, y)) return 0;
  return Elevation[idx((int)x, (int)y)];
}

static float land_at(double x, double y) {
  if (!inside_map(x, y)) return -1;
  return LandField[idx((int)x, (int)y)];
}

// Lake membership measure: < 1 inside the lake.
static double lake_measure(double x, double y) {
  double dx = (x - LakeCentre.x) / 230.0, dy = (y - LakeCentre.y) / 140.0;
  double d = std::sqrt(dx * dx + dy * dy);
  return d + 0.55 * (fbm(x / 140.0, y / 140.0, 3, 901) - 0.5);
}

static void compute_terrain() {
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

static void paint_terrain(uint32_t *pix, int stride_px) {
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

// A meandering line from a to b by midpoint displacement, then rounded by Chaikin's corner
// cutting. The result is a dense polyline.
static std::vector<Pt> meander(Pt a, Pt b, double rough, int depth, Rng &r) {
  std::vector<Pt> pts = {a, b};
  double amp = rough;
  for (int d = 0; d < depth; d++) {
    std::vector<Pt> next;
    for (size_t i = 0; i + 1 < pts.size(); i++) {
      Pt p = pts[i], q = pts[i + 1];
      double len = dist(p, q);
      double nx = -(q.y - p.y) / (len + 1e-9), ny = (q.x - p.x) / (len + 1e-9);
      double off = (rng_unit(r) - 0.5) * len * amp;
      next.push_back(p);
      next.push_back({(p.x + q.x) / 2 + nx * off, (p.y + q.y) / 2 + ny * off});
    }
    next.push_back(pts.back());
    pts = next;
    amp *= 0.85;
  }
  for (int it = 0; it < 3; it++) {
    std::vector<Pt> next = {pts.front()};
    for (size_t i = 0; i + 1 < pts.size(); i++) {
      Pt p = pts[i], q = pts[i + 1];
      next.push_back({0.75 * p.x + 0.25 * q.x, 0.75 * p.y + 0.25 * q.y});
      next.push_back({0.25 * p.x + 0.75 * q.x, 0.25 * p.y + 0.75 * q.y});
    }
    next.push_back(pts.back());
    pts = next;
  }
  return pts;
}

// Points every `step` pixels along a polyline.
static std::vector<Pt> resample(const std::vector<Pt> &line, double step) {
  std::vector<Pt> out;
  for (size_t i = 0; i + 1 < line.size(); i++) {
    double len = dist(line[i], line[i + 1]);
    int n = std::max(1, (int)(len / step));
    for (int k = 0; k < n; k++) {
      double t = (double)k / n;
      out.push_back({mix(line[i].x, line[i + 1].x, t), mix(line[i].y, line[i + 1].y, t)});
    }
  }
  if (!line.empty()) out.push_back(line.back());
  return out;
}

static void path_polyline(cairo_t *cr, const std::vector<Pt> &line) {
  cairo_new_path(cr);
  for (size_t i = 0; i < line.size(); i++) {
    if (i == 0)
      cairo_move_to(cr, line[i].x, line[i].y);
    else
      cairo_line_to(cr, line[i].x, line[i].y);
  }
}

struct River {
  std::vector<Pt> line;
  double w0, w1;  // width at the start and at the end
};

static std::vector<River> Rivers;

// Walks from p in direction (dx, dy) until the sea is reached; gives the first water point.
static Pt find_sea(Pt p, double dx, double dy) {
  for (int i = 0; i < 4000; i++) {
    Pt q = {p.x + dx * i, p.y + dy * i};
    if (!inside_map(q.x, q.y)) return q;
    if (water_at(q.x, q.y) == 1 && land_at(q.x, q.y) < -0.02 && dist(q, LakeCentre) > 400) return q;
  }
  return p;
}

static void plan_rivers() {
  Rng r = {2024};
  // From the mountains down into the lake.
  Pt spring = {2480, 560};
  // The rivers begin and end inside the lake or the sea; the parts over open water are
  // not drawn (draw_rivers), so they meet the shore cleanly.
  Pt inflow = {LakeCentre.x + 110, LakeCentre.y - 50};
  Rivers.push_back({meander(spring, inflow, 0.5, 6, r), 3.0, 9.0});
  // A tributary from the east that joins the first river.
  Pt spring2 = {2950, 1000};
  const std::vector<Pt> &first = Rivers.front().line;
  Pt join = first[first.size() * 4 / 5];
  Rivers.push_back({meander(spring2, join, 0.45, 6, r), 2.5, 7.0});
  // From the lake to the sea in the west.
  Pt outflow = {LakeCentre.x - 150, LakeCentre.y + 30};
  Pt mouth = find_sea({outflow.x - 50, outflow.y + 200}, -0.94, 0.34);
  mouth.x -= 50;
  mouth.y += 18;
  Rivers.push_back({meander(outflow, mouth, 0.4, 6, r), 9.0, 16.0});
}

static void stroke_river(cairo_t *cr, const River &rv, double extra) {
  std::vector<Pt> pts = resample(rv.line, 6.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (size_t i = 0; i + 1 < pts.size(); i++) {
    double t = (double)i / (pts.size() - 1);
    cairo_set_line_width(cr, mix(rv.w0, rv.w1, t) + extra);
    cairo_move_to(cr, pts[i].x, pts[i].y);
    cairo_line_to(cr, pts[i + 1].x, pts[i + 1].y);
    cairo_stroke(cr);
  }
}

// Draws the rivers on a layer of their own and lays it over the land only.
static void draw_rivers(uint32_t *pix, int stride_px) {
  RiverBed.assign((size_t)MapWidth * MapHeight, 0);
  cairo_surface_t *layer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, MapWidth, MapHeight);
  cairo_t *cr = cairo_create(layer);
  set_rgb(cr, 80, 104, 118);
  for (const River &rv : Rivers) stroke_river(cr, rv, 3.0);
  set_rgb(cr, 130, 172, 190);
  for (const River &rv : Rivers) stroke_river(cr, rv, 0.0);
  cairo_destroy(cr);
  cairo_surface_flush(layer);
  {
    const unsigned char *data = cairo_image_surface_get_data(layer);
    int stride = cairo_image_surface_get_stride(layer);
    for (int y = 0; y < MapHeight; y++)
      for (int x = 0; x < MapWidth; x++) {
        uint32_t src = ((const uint32_t *)(data + (size_t)y * stride))[x];
        uint32_t a = src >> 24;
        if (a == 0 || WaterMask[idx(x, y)] == 1) continue;
        if (a > 128) RiverBed[idx(x, y)] = 1;
        uint32_t &dst = pix[(size_t)y * stride_px + x];
        uint32_t out = 0xFF000000u;
        for (int sh = 0; sh < 24; sh += 8) {
          uint32_t c = ((src >> sh) & 255) + (((dst >> sh) & 255) * (255 - a) + 127) / 255;
          out |= std::min(c, 255u) << sh;
        }
        dst = out;
      }
  }
  cairo_surface_destroy(layer);
  // Mark the rivers in the water mask (with a margin) for the placement of everything else.
  cairo_surface_t *mask = cairo_image_surface_create(CAIRO_FORMAT_A8, MapWidth, MapHeight);
  cairo_t *mc = cairo_create(mask);
  cairo_set_source_rgba(mc, 0, 0, 0, 1);
  for (const River &rv : Rivers) stroke_river(mc, rv, 10.0);
  cairo_destroy(mc);
  cairo_surface_flush(mask);
  const unsigned char *data = cairo_image_surface_get_data(mask);
  int stride = cairo_image_surface_get_stride(mask);
  for (int y = 0; y < MapHeight; y++)
    for (int x = 0; x < MapWidth; x++)
      if (data[(size_t)y * stride + x] > 40 && WaterMask[idx(x, y)] == 0) WaterMask[idx(x, y)] = 2;
  cairo_surface_destroy(mask);
}

// ---- settlements

struct House {
  double x, y, w, h, angle;
  int kind;  // 0 house, 1 hall, 2 tower
};

struct Settlement {
  Pt centre;
  const char *name;
  int size;  // number of houses
  double radius;
  bool walled;
  std::vector<House> houses;
};

static std::vector<Settlement> Settlements;

static bool good_building_ground(double x, double y, double margin) {
  for (int k = 0; k < 9; k++) {
    double ax = x + margin * ((k % 3) - 1), ay = y + margin * ((k / 3) - 1);
    if (water_at(ax, ay)) return false;
    if (elevation_at(ax, ay) > 0.56) return false;
    if (land_at(ax, ay) < 0.06) return false;
  }
  return true;
}

static void plan_settlements() {
  static const char *names[] = {"Eichenau",  "Birkenfeld", "Mühlbach",  "Hohenstein",
                                "Wolfsgrund", "Lindholm",   "Falkenrast", "Rabenfurt",
                                "Tannweiler", "Kieselbrück", "Grauwacht", "Brandmoor"};
  Rng r = {777};
  // Varn, the port town at the river mouth.
  const River &out = Rivers.back();
  Pt mouth = out.line[out.line.size() * 9 / 10];
  Pt varn = mouth;
  for (int tries = 0; tries < 400; tries++) {
    Pt c = {mouth.x + rng_range(r, -60, 220), mouth.y + rng_range(r, -220, -60)};
    if (good_building_ground(c.x, c.y, 60)) {
      varn = c;
      break;
    }
  }
  Settlements.push_back({varn, "Varn", 70, 120, true, {}});
  int ni = 0;
  for (int tries = 0; tries < 20000 && ni < 12; tries++) {
    Pt c = {rng_range(r, 120, MapWidth - 120), rng_range(r, 120, MapHeight - 120)};
    if (!good_building_ground(c.x, c.y, 55)) continue;
    bool ok = true;
    for (const Settlement &s : Settlements)
      if (dist(s.centre, c) < 430) ok = false;
    if (!ok) continue;
    int size = 10 + (int)(rng_unit(r) * 16);
    Settlements.push_back({c, names[ni++], size, 40.0 + size * 1.6, false, {}});
  }
  // Houses of every settlement.
  for (Settlement &s : Settlements) {
    double base_angle = rng_range(r, 0, M_PI);
    if (s.walled) s.houses.push_back({s.centre.x, s.centre.y, 30, 22, base_angle, 1});
    else if (s.size > 16) s.houses.push_back({s.centre.x, s.centre.y, 16, 16, base_angle, 2});
    int placed = 0;
    for (int tries = 0; tries < s.size * 60 && placed < s.size; tries++) {
      double a = rng_range(r, 0, 2 * M_PI);
      double rad = s.radius * std::sqrt(rng_unit(r)) * (s.walled ? 0.88 : 1.0);
      House h;
      h.x = s.centre.x + std::cos(a) * rad;
      h.y = s.centre.y + std::sin(a) * rad * 0.8;
      h.w = rng_range(r, 11, 18);
      h.h = rng_range(r, 8, 11);
      // Houses turn their gables to the street that runs round the centre.
      h.angle = (rng_unit(r) < 0.6) ? a + M_PI / 2 : base_angle + (rng_unit(r) < 0.5 ? 0 : M_PI / 2);
      h.kind = 0;
      if (!good_building_ground(h.x, h.y, 8)) continue;
      bool free = true;
      for (const House &o : s.houses)
        if (dist({o.x, o.y}, {h.x, h.y}) < (o.kind ? 24 : 15)) free = false;
      if (!free) continue;
      s.houses.push_back(h);
      placed++;
    }
  }
}

// ---- roads

static std::vector<std::vector<Pt>> Roads;

static bool in_river_bed(double x, double y) {
  return inside_map(x, y) && RiverBed[idx((int)x, (int)y)];
}

// A road keeps out of the sea, the lake and the high mountains, and crosses rivers on
// short bridges instead of running along them.
static bool road_ok(const std::vector<Pt> &line) {
  int run = 0;
  for (const Pt &p : resample(line, 4.0)) {
    if (water_at(p.x, p.y) == 1) return false;
    if (elevation_at(p.x, p.y) > 0.66) return false;
    run = in_river_bed(p.x, p.y) ? run + 1 : 0;
    if (run > 8) return false;
  }
  return true;
}

static void plan_roads() {
  Rng r = {4242};
  size_t n = Settlements.size();
  // Minimum spanning tree over the settlements (Prim), then a few extra links.
  std::vector<std::pair<size_t, size_t>> edges;
  std::vector<bool> in(n, false);
  in[0] = true;
  for (size_t k = 1; k < n; k++) {
    double best = 1e18;
    size_t bi = 0, bj = 0;
    for (size_t i = 0; i < n; i++)
      if (in[i])
        for (size_t j = 0; j < n; j++)
          if (!in[j]) {
            double d = dist(Settlements[i].centre, Settlements[j].centre);
            if (d < best) best = d, bi = i, bj = j;
          }
    in[bj] = true;
    edges.push_back({bi, bj});
  }
  std::vector<std::pair<double, std::pair<size_t, size_t>>> extra;
  for (size_t i = 0; i < n; i++)
    for (size_t j = i + 1; j < n; j++) {
      bool have = false;
      for (auto &e : edges)
        if ((e.first == i && e.second == j) || (e.first == j && e.second == i)) have = true;
      if (!have) extra.push_back({dist(Settlements[i].centre, Settlements[j].centre), {i, j}});
    }
  std::sort(extra.begin(), extra.end());
  for (size_t k = 0; k < extra.size() && k < 4; k++) edges.push_back(extra[k].second);

  for (auto &e : edges) {
    Pt a = Settlements[e.first].centre, b = Settlements[e.second].centre;
    for (int attempt = 0; attempt < 12; attempt++) {
      std::vector<Pt> line = meander(a, b, 0.35 + 0.05 * attempt, 5, r);
      if (road_ok(line)) {
        Roads.push_back(line);
        break;
      }
    }
  }
  // A road leaving the map to the east and one to the north.
  std::vector<Pt> exits = {{MapWidth + 20.0, 1500}, {1300, -20.0}};
  for (const Pt &x : exits) {
    size_t best = 0;
    for (size_t i = 0; i < n; i++)
      if (dist(Settlements[i].centre, x) < dist(Settlements[best].centre, x)) best = i;
    for (int attempt = 0; attempt < 12; attempt++) {
      std::vector<Pt> line = meander(Settlements[best].centre, x, 0.35, 5, r);
      if (road_ok(line)) {
        Roads.push_back(line);
        break;
      }
    }
  }
}

static void draw_roads(cairo_t *cr) {
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  // Bridges where a road crosses a river.
  for (const auto &line : Roads) {
    std::vector<Pt> pts = resample(line, 3.0);
    for (size_t i = 1; i + 1 < pts.size(); i++) {
      if (!in_river_bed(pts[i].x, pts[i].y)) continue;
      Pt p = pts[i - 1], q = pts[i + 1];
      set_rgb(cr, 90, 80, 70);
      cairo_set_line_width(cr, 12);
      cairo_move_to(cr, p.x, p.y);
      cairo_line_to(cr, q.x, q.y);
      cairo_stroke(cr);
    }
  }
  for (const auto &line : Roads) {
    path_polyline(cr, line);
    set_rgb(cr, 110, 82, 52, 0.85);
    cairo_set_line_width(cr, 7);
    cairo_stroke(cr);
  }
  for (const auto &line : Roads) {
    path_polyline(cr, line);
    set_rgb(cr, 224, 204, 156);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
  }
}

static double distance_to_roads(Pt p, double limit) {
  double best = limit;
  for (const auto &line : Roads)
    for (size_t i = 0; i + 1 < line.size(); i++) {
      Pt a = line[i], b = line[i + 1];
      if (std::fabs(a.x - p.x) > limit + 40 || std::fabs(a.y - p.y) > limit + 40) continue;
      double vx = b.x - a.x, vy = b.y - a.y;
      double t = ((p.x - a.x) * vx + (p.y - a.y) * vy) / (vx * vx + vy * vy + 1e-9);
      t = clamp01(t);
      best = std::min(best, dist(p, {a.x + vx * t, a.y + vy * t}));
    }
  return best;
}

static double distance_to_settlements(Pt p) {
  double best = 1e9;
  for (const Settlement &s : Settlements) best = std::min(best, dist(p, s.centre) - s.radius);
  return best;
}

// ---- fields around the villages

struct Field {
  Pt centre;
  double w, h, angle;
};

static std::vector<Field> Fields;

static bool in_field(Pt p, double margin) {
  for (const Field &f : Fields) {
    double dx = p.x - f.centre.x, dy = p.y - f.centre.y;
    if (std::fabs(dx) > 80 || std::fabs(dy) > 80) continue;
    double u = dx * std::cos(f.angle) + dy * std::sin(f.angle);
    double v = -dx * std::sin(f.angle) + dy * std::cos(f.angle);
    if (std::fabs(u) < f.w / 2 + margin && std::fabs(v) < f.h / 2 + margin) return true;
  }
  return false;
}

static void draw_fields(cairo_t *cr) {
  Rng r = {99};
  const Colour crops[] = {{214, 194, 116}, {178, 184, 98}, {190, 150, 96}, {200, 205, 120}};
  for (const Settlement &s : Settlements) {
    int count = 3 + (int)(rng_unit(r) * 4);
    for (int k = 0, tries = 0; k < count && tries < 200; tries++) {
      double a = rng_range(r, 0, 2 * M_PI);
      double rad = s.radius + rng_range(r, 25, 95);
      Pt c = {s.centre.x + std::cos(a) * rad, s.centre.y + std::sin(a) * rad};
      double w = rng_range(r, 50, 95), h = rng_range(r, 35, 70);
      if (!good_building_ground(c.x, c.y, std::max(w, h) * 0.6)) continue;
      if (distance_to_roads(c, 80) < std::max(w, h) * 0.6 + 6) continue;
      bool apart = true;
      for (const Field &f : Fields)
        if (dist(f.centre, c) < 0.55 * (std::max(f.w, f.h) + std::max(w, h))) apart = false;
      if (!apart) continue;
      k++;
      Colour col = crops[rng_next(r) % 4];
      double angle = a + rng_range(r, -0.3, 0.3);
      Fields.push_back({c, w, h, angle});
      cairo_save(cr);
      cairo_translate(cr, c.x, c.y);
      cairo_rotate(cr, angle);
      cairo_rectangle(cr, -w / 2, -h / 2, w, h);
      cairo_set_source_rgba(cr, col.r / 255, col.g / 255, col.b / 255, 0.6);
      cairo_fill_preserve(cr);
      set_rgb(cr, 120, 100, 60, 0.35);
      cairo_set_line_width(cr, 1.2);
      cairo_stroke(cr);
      // Furrows.
      cairo_rectangle(cr, -w / 2, -h / 2, w, h);
      cairo_clip(cr);
      set_rgb(cr, 110, 90, 50, 0.18);
      cairo_set_line_width(cr, 1.0);
      for (double fx = -w / 2 + 3; fx < w / 2; fx += 4) {
        cairo_move_to(cr, fx, -h / 2);
        cairo_line_to(cr, fx, h / 2);
      }
      cairo_stroke(cr);
      cairo_restore(cr);
    }
  }
}

// ---- mountains, woods

static void draw_mountain(cairo_t *cr, const Glyph &g) {
  double peak = g.x + g.size * (g.tint - 0.5) * 0.3;
  mountain(cr, g.x, g.y, g.size, peak, elevation_at(g.x, g.y) > 0.84, 1.4);
}

static void draw_glyphs(cairo_t *cr) {
  std::vector<Glyph> glyphs;
  Rng r = {31337};
  // Mountains on a jittered grid over the high ground.
  const double ms = 58;
  for (double gy = 0; gy < MapHeight; gy += ms * 0.75)
    for (double gx = 0; gx < MapWidth; gx += ms) {
      double x = gx + rng_range(r, -ms * 0.4, ms * 0.4), y = gy + rng_range(r, -ms * 0.3, ms * 0.3);
      double e = elevation_at(x, y);
      if (e < 0.64 || water_at(x, y)) continue;
      if (rng_unit(r) > 0.85 * smoothstep(0.64, 0.8, e)) continue;
      glyphs.push_back({x, y, 16 + 22 * smoothstep(0.64, 0.95, e), 2, rng_unit(r)});
    }
  // Woods where the forest noise is high, thinning out at their edges; single trees elsewhere.
  const double ts = 10;
  for (double gy = 0; gy < MapHeight; gy += ts * 0.8)
    for (double gx = 0; gx < MapWidth; gx += ts) {
      double x = gx + rng_range(r, -4, 4), y = gy + rng_range(r, -3, 3);
      if (!inside_map(x, y) || water_at(x, y)) continue;
      for (int k = 0; k < 9; k++)
        if (water_at(x + 6 * ((k % 3) - 1), y + 6 * ((k / 3) - 1))) goto next;
      {
        double e = elevation_at(x, y);
        if (e > 0.62 || land_at(x, y) < 0.04) continue;
        double f = fbm(x / 260.0, y / 260.0, 5, 4711);
        double wet = Moisture[idx((int)x, (int)y)];
        double dens = smoothstep(0.56, 0.64, f + 0.12 * (wet - 0.5));
        double p = dens > 0 ? 0.15 + 0.85 * dens : 0.0025;
        if (rng_unit(r) > p) continue;
        if (distance_to_settlements({x, y}) < 25) continue;
        if (distance_to_roads({x, y}, 12) < 9) continue;
        if (in_field({x, y}, 4)) continue;
        int kind = (e > 0.45 || rng_unit(r) < 0.12) ? 1 : 0;
        double size = kind ? rng_range(r, 5, 7) : rng_range(r, 4.5, 6.8);
        glyphs.push_back({x, y, size, kind, rng_unit(r)});
      }
    next:;
    }
  std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph &a, const Glyph &b) { return a.y < b.y; });
  for (const Glyph &g : glyphs) {
    if (g.kind == 2)
      draw_mountain(cr, g);
    else
      draw_tree(cr, g);
  }
}

// ---- houses, walls

static void draw_house(cairo_t *cr, const House &h) {
  cairo_save(cr);
  cairo_translate(cr, h.x, h.y);
  cairo_rotate(cr, h.angle);
  double w = h.w, d = h.h;
  // Shadow.
  cairo_rectangle(cr, -w / 2 + 2, -d / 2 + 2, w, d);
  set_rgb(cr, 40, 30, 20, 0.35);
  cairo_fill(cr);
  if (h.kind == 2) {
    // A round tower.
    cairo_arc(cr, 0, 0, w / 2, 0, 2 * M_PI);
    set_rgb(cr, 150, 144, 134);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 50, 40);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_arc(cr, 0, 0, w / 4, 0, 2 * M_PI);
    set_rgb(cr, 110, 60, 48);
    cairo_fill(cr);
    cairo_restore(cr);
    return;
  }
  // Roof in two halves, the north-western one lit.
  int rr = h.kind == 1 ? 120 : 170, rg = h.kind == 1 ? 110 : 82, rb = h.kind == 1 ? 120 : 58;
  cairo_rectangle(cr, -w / 2, -d / 2, w, d / 2);
  set_rgb(cr, rr, rg, rb);
  cairo_fill(cr);
  cairo_rectangle(cr, -w / 2, 0, w, d / 2);
  set_rgb(cr, rr * 3 / 4, rg * 3 / 4, rb * 3 / 4);
  cairo_fill(cr);
  cairo_rectangle(cr, -w / 2, -d / 2, w, d);
  set_rgb(cr, 60, 38, 28);
  cairo_set_line_width(cr, 0.9);
  cairo_stroke(cr);
  cairo_move_to(cr, -w / 2, 0);
  cairo_line_to(cr, w / 2, 0);
  set_rgb(cr, 70, 40, 30, 0.8);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  cairo_restore(cr);
}

static void draw_settlements(cairo_t *cr) {
  for (const Settlement &s : Settlements) {
    // A trodden square in the middle.
    cairo_save(cr);
    cairo_translate(cr, s.centre.x, s.centre.y);
    cairo_scale(cr, 1.0, 0.8);
    cairo_arc(cr, 0, 0, s.radius + 6, 0, 2 * M_PI);
    cairo_restore(cr);
    set_rgb(cr, 200, 180, 140, 0.35);
    cairo_fill(cr);
  }
  for (const Settlement &s : Settlements)
    for (const House &h : s.houses) draw_house(cr, h);
  for (const Settlement &s : Settlements) {
    if (!s.walled) continue;
    cairo_save(cr);
    cairo_translate(cr, s.centre.x, s.centre.y);
    cairo_scale(cr, 1.0, 0.8);
    cairo_arc(cr, 0, 0, s.radius + 14, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_line_width(cr, 6);
    set_rgb(cr, 70, 62, 54);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 3.5);
    set_rgb(cr, 160, 152, 140);
    cairo_stroke(cr);
    for (int k = 0; k < 10; k++) {
      double a = k * 2 * M_PI / 10 + 0.2;
      double x = s.centre.x + std::cos(a) * (s.radius + 14);
      double y = s.centre.y + std::sin(a) * (s.radius + 14) * 0.8;
      cairo_arc(cr, x, y, 6, 0, 2 * M_PI);
      set_rgb(cr, 150, 142, 130);
      cairo_fill_preserve(cr);
      set_rgb(cr, 60, 52, 44);
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
    }
  }
}

// ---- labels, compass

static void label(cairo_t *cr, const char *text, double x, double y, double size, bool italic,
                  int r, int g, int b) {
  cairo_select_font_face(cr, "DejaVu Serif", italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text, &ext);
  double tx = x - ext.width / 2 - ext.x_bearing, ty = y;
  cairo_new_path(cr);
  cairo_move_to(cr, tx, ty);
  cairo_text_path(cr, text);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  set_rgb(cr, 246, 236, 210, 0.85);
  cairo_set_line_width(cr, size * 0.22);
  cairo_stroke_preserve(cr);
  set_rgb(cr, r, g, b);
  cairo_fill(cr);
}

static void draw_labels(cairo_t *cr) {
  for (const Settlement &s : Settlements) {
    double size = s.walled ? 34 : 20;
    label(cr, s.name, s.centre.x, s.centre.y - s.radius * 0.8 - (s.walled ? 34 : 16), size, false, 62, 40, 26);
  }
  label(cr, "Westmeer", 240, 1250, 44, true, 40, 70, 96);
  label(cr, "Spiegelsee", LakeCentre.x, LakeCentre.y + 8, 24, true, 40, 70, 96);
  label(cr, "Grauzahn-Gebirge", MountainCentre.x - 80, MountainCentre.y + 330, 30, true, 80, 60, 40);
}

static void draw_compass(cairo_t *cr, double cx, double cy, double r) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  set_rgb(cr, 60, 45, 30, 0.8);
  cairo_set_line_width(cr, 2);
  cairo_arc(cr, 0, 0, r * 0.72, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1);
  cairo_arc(cr, 0, 0, r * 0.78, 0, 2 * M_PI);
  cairo_stroke(cr);
  for (int k = 0; k < 8; k++) {
    double len = (k % 2 == 0) ? r : r * 0.55;
    double wid = (k % 2 == 0) ? r * 0.16 : r * 0.11;
    cairo_save(cr);
    cairo_rotate(cr, k * M_PI / 4);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, -wid, -wid);
    cairo_line_to(cr, 0, -len);
    cairo_close_path(cr);
    set_rgb(cr, 240, 228, 200);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 45, 30);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, wid, -wid);
    cairo_line_to(cr, 0, -len);
    cairo_close_path(cr);
    if (k == 0)
      set_rgb(cr, 150, 40, 30);
    else
      set_rgb(cr, 80, 62, 42);
    cairo_fill_preserve(cr);
    set_rgb(cr, 60, 45, 30);
    cairo_stroke(cr);
    cairo_restore(cr);
  }
  cairo_restore(cr);
  label(cr, "N", cx, cy - r - 8, r * 0.35, false, 60, 45, 30);
}

// Warm paper tone, stains, grain and darker edges over the whole picture.
static void parchment(uint32_t *pix, int stride_px) {
  const Colour paper = {242, 228, 196};
  for (int y = 0; y < MapHeight; y++) {
    for (int x = 0; x < MapWidth; x++) {
      uint32_t &p = pix[(size_t)y * stride_px + x];
      Colour c = {(double)((p >> 16) & 255), (double)((p >> 8) & 255), (double)(p & 255)};
      c = mix_colour(c, paper, 0.16);
      double stain = fbm(x / 300.0, y / 300.0, 4, 8080);
      double m = 1.0 - 0.09 * smoothstep(0.45, 0.75, stain);
      double ex = std::min(x, MapWidth - 1 - x) / 220.0, ey = std::min(y, MapHeight - 1 - y) / 220.0;
      m *= 0.78 + 0.22 * smoothstep(0.0, 1.0, std::min(ex, ey));
      double grain = ((int)(hash_u32((uint32_t)(x * 7919 + y * 104729)) & 7) - 3.5) * 0.6;
      c = {c.r * m * 1.0 + grain, c.g * m * 0.99 + grain, c.b * m * 0.95 + grain};
      int r = (int)std::lround(std::clamp(c.r, 0.0, 255.0));
      int g = (int)std::lround(std::clamp(c.g, 0.0, 255.0));
      int b = (int)std::lround(std::clamp(c.b, 0.0, 255.0));
      p = 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
    }
  }
}

static bool make_map() {
  compute_terrain();
  cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, MapWidth, MapHeight);
  uint32_t *pix = (uint32_t *)cairo_image_surface_get_data(s);
  int stride_px = cairo_image_surface_get_stride(s) / 4;
  paint_terrain(pix, stride_px);
  cairo_surface_mark_dirty(s);
  plan_rivers();
  draw_rivers(pix, stride_px);
  cairo_surface_mark_dirty(s);
  cairo_t *cr = cairo_create(s);
  plan_settlements();
  plan_roads();
  draw_fields(cr);
  draw_glyphs(cr);
  draw_roads(cr);
  draw_settlements(cr);
  draw_labels(cr);
  draw_compass(cr, 230, 1780, 90);
  // Frame.
  set_rgb(cr, 70, 50, 30);
  cairo_set_line_width(cr, 4);
  cairo_rectangle(cr, 10, 10, MapWidth - 20, MapHeight - 20);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_rectangle(cr, 18, 18, MapWidth - 36, MapHeight - 36);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  parchment(pix, stride_px);
  cairo_surface_mark_dirty(s);
  bool ok = write_jpeg(s, std::string("pics/") + MapFileName, 85);
  cairo_surface_destroy(s);
  return ok;
}

// ---------------------------------------------------------------------------------------------

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  set_output_folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(out_path("pics"), ec);
  std::filesystem::create_directories(out_path("players"), ec);
  if (ec) {
    std::fprintf(stderr, "cannot create %s: %s\n", argv[1], ec.message().c_str());
    return 1;
  }
  bool ok = make_level_file();
  ok = make_catalogs() && ok;
  ok = make_hero_icons() && ok;
  ok = make_grave_pictures() && ok;
  ok = make_transport_pictures() && ok;
  ok = make_cursor() && ok;
  ok = make_random_cell() && ok;
  ok = make_app_icons() && ok;
  ok = make_map() && ok;
  return ok ? 0 : 1;
}
