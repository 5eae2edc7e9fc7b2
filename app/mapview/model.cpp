// The map model: the view record, the heroes' start places, the pointer
// conversion, the trail recording and the convoy layout.
#include "app/mapview/model.h"

#include <cmath>

#include "app/state/numbers.h"
#include "runtime/toolkit/gadgets.h"

MapViewRecord MapView;

int64_t view_zoom() {
  int64_t z = MapView.zoom;
  if (z < 25) z = 25;
  if (z > 100) z = 100;
  return z;
}

namespace {

// Centre of a hero (integer division), kept as 32-bit values.
TrailPoint hero_centre(const Piece* hero) {
  int64_t half = MapView.player_size / 2;
  return TrailPoint{static_cast<int32_t>(hero->x + half), static_cast<int32_t>(hero->y + half)};
}

// 0-based position of record in list, -1 when it is not in it. The list's
// current element is kept.
int64_t position_of(List<Piece>* list, const Piece* record) {
  int64_t position = -1, i = 0;
  walk_list(list, [&](Piece* piece) {
    if (piece == record && position < 0) position = i;
    i++;
  });
  return position;
}

}  // namespace

int64_t window_to_map(int64_t value, int axis) {
  if (axis == AxisX) return (value - gadget_x(MapCanvas)) * 100 / view_zoom() + MapView.origin_x;
  return (value - gadget_y(MapCanvas)) * 100 / view_zoom() + MapView.origin_y;
}

void add_hero_at_start(int64_t i) {
  int64_t s = MapView.player_size;
  list_last(Heroes);
  Piece* hero = list_add(Heroes);
  hero->catalog_index = static_cast<int32_t>(i);
  hero->x = static_cast<int32_t>(i * s + 25);
  hero->y = 20;
  list_last(Trails);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) {
    trail->points[j].x = static_cast<int32_t>(hero->x + s / 2);
    trail->points[j].y = static_cast<int32_t>(hero->y + s / 2 + (s / 4) * j);
  }
}

float point_distance(TrailPoint p, TrailPoint q) {
  int64_t dx = static_cast<int64_t>(p.x) - q.x;
  int64_t dy = static_cast<int64_t>(p.y) - q.y;
  // The squares are summed exactly for every map-sized difference; a double
  // keeps the extreme ones (up to 2^32 per axis) from overflowing.
  double x = static_cast<double>(dx), y = static_cast<double>(dy);
  double squares = x * x + y * y;
  float sum = static_cast<float>(squares);
  return std::sqrt(sum);
}

int32_t round_half_even(float value) {
  if (std::isnan(value)) return 0;
  // Halves go to the even neighbour whatever rounding mode is set.
  float lower = std::floor(value);
  float fraction = value - lower;
  double result = lower;
  if (fraction > 0.5f) {
    result = lower + 1.0;
  } else if (fraction == 0.5f) {
    if (std::fmod(static_cast<double>(lower), 2.0) != 0.0) result = lower + 1.0;
  }
  // Out-of-range values saturate instead of overflowing.
  if (result >= 2147483647.0) return INT32_MAX;
  if (result <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(result);
}

void record_trail(Piece* hero, Trail* trail) {
  if (!hero || !trail) return;
  TrailPoint centre = hero_centre(hero);
  int32_t moved = round_half_even(point_distance(centre, trail->points[0]));
  if (moved > MapView.player_size / 4) {
    for (int j = TrailLength - 1; j > 0; j--) trail->points[j] = trail->points[j - 1];
    trail->points[0] = centre;
  }
  layout_convoy(hero, trail);
}

void layout_convoy(Piece* hero, Trail* trail) {
  if (!hero || !trail || !Transports) return;
  TrailPoint p = hero_centre(hero);
  int k = 0;
  int placed = 0;  // transports laid out so far
  int64_t transport_count = list_size(Transports);
  int64_t hero_number = position_of(Heroes, hero) + 1;
  for (int s = 0; s < MaxConvoy; s++) {
    int link = hero->links[s];
    if (link == 0) break;
    // A link that names no transport, or a transport attached to another
    // hero or to none (only a damaged formation file holds such links), is
    // passed over: its slot places nothing and moves nobody else's piece.
    if (link < 1 || link > transport_count) continue;
    Piece* transport = list_select(Transports, link - 1);
    if (!transport || transport->links[0] != hero_number) continue;

    // The first transport keeps clear of the hero; it is the one in slot 0
    // unless a damaged slot before it was passed over.
    float spacing = placed == 0 ? static_cast<float>(static_cast<int64_t>(MapView.player_size) + MapView.tile_x) / 2.0f
                           : static_cast<float>(MapView.tile_x);

    // The anchor: the first trail point, from k on, at least the spacing away.
    if (k < TrailLength) {
      float dist = point_distance(p, trail->points[k]);
      while (dist < spacing) {
        k++;
        if (k == TrailLength) break;
        dist = point_distance(p, trail->points[k]);
      }
    }

    TrailPoint q;
    if (k >= TrailLength) {
      // The trail is exhausted: this and every later transport take its end.
      q = trail->points[TrailLength - 1];
    } else {
      TrailPoint a = trail->points[k];
      float dx = static_cast<float>(static_cast<int64_t>(a.x) - p.x);
      float dy = static_cast<float>(static_cast<int64_t>(a.y) - p.y);
      float ax = static_cast<float>(a.x);
      float ay = static_cast<float>(a.y);
      q = a;
      // Walk from the anchor back toward the previous centre in steps of 5 per
      // cent until the spacing is reached.
      float t = 0.0f;
      while (point_distance(p, q) > spacing) {
        t = t + 0.05f;
        if (t > 1.09f) {
          q = a;
          break;
        }
        float step_x = dx * t;
        float step_y = dy * t;
        float qx = ax - step_x;
        float qy = ay - step_y;
        q.x = round_half_even(qx);
        q.y = round_half_even(qy);
      }
    }

    transport->x = static_cast<int32_t>(q.x - static_cast<int64_t>(MapView.tile_x / 2));
    transport->y = static_cast<int32_t>(q.y - static_cast<int64_t>(MapView.tile_y / 2));
    p = q;
    placed++;
  }
}
