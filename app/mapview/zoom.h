// The zoom commands of the map view. Each counts as a change of the layout
// (the zoom is stored in formation files); the view origin stays.
#pragma once

// Back to 100 per cent.
void zoom_full();
// Nine tenths of the zoom, truncated, at least 25.
void zoom_out();
// Eleven tenths of the zoom, truncated, at most 100.
void zoom_in();
