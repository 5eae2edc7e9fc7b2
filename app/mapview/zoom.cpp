// Zooming the map view in integer steps between 25 and 100 per cent.
#include "app/mapview/zoom.h"

#include <cstdint>

#include "app/mapview/model.h"
#include "app/state/program.h"

namespace {

constexpr int64_t SmallestZoom = 25;
constexpr int64_t LargestZoom = 100;

}  // namespace

void zoom_full() {
  note_change();
  MapView.zoom = LargestZoom;
}

void zoom_out() {
  note_change();
  int64_t z = static_cast<int64_t>(MapView.zoom) * 90 / 100;
  if (z < SmallestZoom) z = SmallestZoom;
  MapView.zoom = static_cast<int32_t>(z);
}

void zoom_in() {
  note_change();
  int64_t z = static_cast<int64_t>(MapView.zoom) * 110 / 100;
  if (z > LargestZoom) z = LargestZoom;
  MapView.zoom = static_cast<int32_t>(z);
}
