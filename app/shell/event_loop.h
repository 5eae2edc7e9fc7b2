// The main event loop: each pass draws the map, waits for one event and hands
// it to the command it stands for.
#pragma once

#include <cstdint>

// Runs the main loop until the main window's close button is used.
void run_event_loop();
// Handles one event already fetched by event_wait (kind): the end of a drag on
// LeftButtonUp and the dispatch by kind. Returns false for CloseWindow.
bool dispatch_event(int64_t kind);

// The event the loop handles at the moment: its kind, its type and, for menu
// events, its number.
extern int64_t CurrentEventKind;
extern int64_t CurrentEventType;
extern int64_t CurrentMenuNumber;
