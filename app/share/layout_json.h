// The players' view as JSON for the page and for scripts: the layout with
// its version, and the leader's view and marker. Every number is an integer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/share/layout_picture.h"

// The region of the map the leader's canvas shows, in map pixels, and the
// zoom in per cent.
struct SharedView {
  int64_t x = 0, y = 0, width = 0, height = 0, zoom = 100;
  bool operator==(const SharedView&) const = default;
};
// The leader's marker on the map, while it runs.
struct SharedMarker {
  bool shown = false;
  int64_t x = 0, y = 0;
  bool operator==(const SharedMarker&) const = default;
};

// {"x": X, "y": Y, "width": W, "height": H, "zoom": Z}
std::string view_json(const SharedView& view);
// null, or {"x": X, "y": Y}
std::string marker_json(const SharedMarker& marker);
// {"version": N}
std::string version_json(uint64_t version);
// layout.json: version, map size, view, marker, the pieces in drawing order
// and "changed": the map rectangles changed since the version before, or
// null when anything may have changed.
std::string layout_json(uint64_t version, const LayoutPicture& layout, const SharedView& view,
                        const SharedMarker& marker, bool everything_changed, const std::vector<MapRect>& changed);
