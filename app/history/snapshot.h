// A layout as a value: everything a formation file holds (the level it is
// laid out on, the heroes with their trails, the graves, the transports and
// the texts), the view and the file it belongs to. Snapshots taken one after
// the other share the parts that did not change, so that keeping many costs
// little, and they never change once taken, so that another thread may read
// them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/state/lists.h"
#include "runtime/core/strings.h"

struct LayoutSnapshot {
  String level_path;
  int32_t zoom = 100;
  int32_t origin_x = 0, origin_y = 0;
  String layout_file;
  std::shared_ptr<const std::vector<Piece>> heroes, graves, transports;
  std::shared_ptr<const std::vector<Trail>> trails;
  std::array<std::shared_ptr<const String>, InscriptionCount> texts;  // null for an empty text
};

// The layout on the map now; the parts equal to those of previous (if given)
// are shared with it.
LayoutSnapshot take_snapshot(const LayoutSnapshot* previous);
// True when both hold the same formation as a formation file would store it
// (level, pieces, trails, texts), whatever their zoom, view and file.
bool same_layout(const LayoutSnapshot& a, const LayoutSnapshot& b);
// The bytes held by the parts of s that it does not share with previous
// (all of them without previous).
size_t snapshot_cost(const LayoutSnapshot& s, const LayoutSnapshot* previous);
// Puts the layout of to on the map; current is the snapshot of what the map
// holds now, whose unchanged parts are not written again. When to lies on
// another level, that level is loaded first (its pictures and catalogs read
// again; the zoom stays). The view and the file the layout belongs to are
// left to the caller. The stored values come back exactly, also when the
// catalogs changed meanwhile. False, with the map untouched and the user
// told why, when that level file is gone.
bool restore_snapshot(const LayoutSnapshot& to, const LayoutSnapshot& current);
