// Drawing the map view: one frame of the map with its pieces, the marker and
// the hover label.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

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
// Tells the map view that pictures or pieces were replaced behind its back:
// the next draw_map draws the whole frame afresh from the map picture, the
// pieces and the marker picture, keeping nothing from earlier frames. Call it
// after loading a level or a formation, after replacing catalog pictures, and
// after painting the map canvas by other means.
//
// draw_map notices by itself when a piece moves, a list changes, the view
// moves or zooms, or the marker or the hover label change. What it cannot see
// is a picture freed and another one loaded into the same memory, which is
// why whoever replaces pictures must call this.
void map_view_changed();

// Test and measurement seams.
struct DrawTarget;
// When set, frames are drawn into this target instead of the map canvas.
extern DrawTarget* MapTargetOverride;
// True when the last call of draw_map put a new frame on the canvas.
bool map_frame_drawn();
