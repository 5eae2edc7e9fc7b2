// The map frame drawn exactly step by step as the map view's rules describe it
// (compose on work_image, copy, scale the whole copy, draw, free). Slow; kept
// as the yardstick for draw_map in tests and in the benchmark.
#pragma once

// Draws one frame into the map canvas (or MapTargetOverride).
void draw_map_reference();
