// What pressing the left button on the map and releasing it mean for the
// pieces: which piece a press picks up (or whether it starts panning), and
// what a dropped piece does.
#pragma once

// LeftButtonDown on the map canvas: the first that the pointer hits decides.
// A hero is dragged; a transport is dragged, leaving its convoy at once
// (without moving) when it was attached; a grave is dragged; elsewhere the
// view is panned from the pointer's position.
void press_on_map();
// LeftButtonUp of any canvas: ends what the press started. A dropped grave
// or transport shows its inscription at the pointer; a dropped transport
// joins the convoy of the hero under the pointer, or the convoy of an
// attached transport it was dropped on (full convoys are refused with the
// usual message); otherwise it stays where it was dropped, free.
void release_on_map();
