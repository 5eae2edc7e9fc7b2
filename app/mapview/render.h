// Drawing the map view and the piece picker.
#pragma once

#include <cstdint>

#include "app/catalogs/catalogs.h"
#include "runtime/data/strings.h"

// A text shown near the pointer; "" hides it.
struct HoverLabelRecord {
  int32_t x = 0, y = 0;  // window position of its top-left corner before clamping
  String text;
};
extern HoverLabelRecord HoverLabel;

// The animated marker that a double-click leaves on the map.
struct MapMarkerRecord {
  int32_t start_ms = 0;  // elapsed_ms at the double-click
  int image = 0;         // "cursor.png"
  uint8_t active = 0;
  int32_t x = 0, y = 0;  // map pixels
  int32_t image_width = 0, image_height = 0;
};
extern MapMarkerRecord MapMarker;

// Draws one frame of the map on the map canvas.
void draw_map();
// True while the map view needs frames without any event (the marker is
// running, and for the one frame that takes it away), so the event loop must
// not wait without a time limit. Otherwise draw_map draws only when something
// it shows has changed.
bool map_animating();
// Shows the picker over the main window; the chosen 0-based catalog position
// or -1.
int pick_catalog_entry(List<CatalogEntry>* catalog, int cell_width, int cell_height, int with_random);
// Milliseconds since the first call (wall clock).
int64_t elapsed_ms();
// Uniform integer from 0 to max (0 for max = -1).
int64_t random(int64_t max);

// Test and measurement seams. ElapsedMsSource, when set, replaces the wall
// clock of elapsed_ms (tests move the marker's time freely).
extern int64_t (*ElapsedMsSource)();
struct DrawTarget;
// When set, frames are drawn into this target instead of the map canvas.
extern DrawTarget* MapTargetOverride;
// Forgets the last frame, so that the next draw_map draws even when nothing it
// depends on has changed (for callers that painted the canvas themselves).
void map_frame_invalidate();
// Also forgets the map samples kept for the current view (the next frame
// samples the map picture afresh).
void map_samples_invalidate();
// True when the last call of draw_map put a new frame on the canvas.
bool map_frame_drawn();
