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

// Draws one frame of the map on the map canvas. A frame that would look like
// the last one is not drawn at all. The frame notices by itself whatever it
// shows that changed: the view, the pieces and their lists, the pictures
// (each drawing or reload gives a picture a new version), the marker, the
// hover label, and a canvas drawn on by anyone else.
void draw_map();
// True while the map view needs frames without any event (the marker is
// running, and for the one frame that takes it away), so the event loop must
// not wait without a time limit. Otherwise draw_map draws only when something
// it shows has changed.
bool map_animating();
// Test and measurement seams.
struct DrawTarget;
// When set, frames are drawn into this target instead of the map canvas.
extern DrawTarget* MapTargetOverride;
// True when the last call of draw_map put a new frame on the canvas.
bool map_frame_drawn();
// Forgets everything kept from earlier frames, so that the next frame is
// composed wholly afresh (for measuring that case; nothing needs it to see
// changes).
void reset_frame_cache();
