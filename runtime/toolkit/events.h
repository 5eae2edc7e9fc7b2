// The one queue of application events. Toolkit signals post events; the
// application fetches them with event_wait or event_poll and reads the current
// event with the accessors.
#pragma once

#include <cstdint>

// Event kinds and gadget event types carry the plain names by which the
// program speaks of them (Menu, Gadget, LeftClick, Resize, ...).

// Event kinds.
constexpr int64_t Menu = 1;
constexpr int64_t CloseWindow = 2;
constexpr int64_t Gadget = 3;
constexpr int64_t Repaint = 4;
constexpr int64_t MoveWindow = 5;
constexpr int64_t SizeWindow = 6;
constexpr int64_t ActivateWindow = 7;
constexpr int64_t DeactivateWindow = 8;
constexpr int64_t MinimizeWindow = 12;
constexpr int64_t MaximizeWindow = 13;
constexpr int64_t RestoreWindow = 14;
constexpr int64_t WindowRightClick = 16;
constexpr int64_t WindowLeftClick = 17;
constexpr int64_t WindowLeftDoubleClick = 18;
constexpr int64_t WindowMouseMove = 24;

// Gadget event types.
constexpr int64_t LeftClick = 0;
constexpr int64_t RightClick = 1;
constexpr int64_t LeftDoubleClick = 2;
constexpr int64_t RightDoubleClick = 3;
constexpr int64_t Resize = 6;
constexpr int64_t DragStart = 0x800;
constexpr int64_t MouseEnter = 0x10001;
constexpr int64_t MouseLeave = 0x10002;
constexpr int64_t MouseMove = 0x10003;
constexpr int64_t LeftButtonDown = 0x10004;
constexpr int64_t LeftButtonUp = 0x10005;
constexpr int64_t RightButtonDown = 0x10006;
constexpr int64_t RightButtonUp = 0x10007;
constexpr int64_t MiddleButtonDown = 0x10008;
constexpr int64_t MiddleButtonUp = 0x10009;
constexpr int64_t MouseWheel = 0x1000A;

// Posting options.
constexpr int PostWhileSuspended = 1;
constexpr int PostNoCollapse = 2;

// Details of a canvas's gadget event; lives until the next fetch.
struct MouseRecord {
  int x = 0, y = 0;
  int buttons = 0;    // 1 left, 2 right, 4 middle
  int modifiers = 0;  // 1 Shift, 2 Alt, 4 Control
  int wheel = 0;      // +1 / -1 for MouseWheel
};

// Creates the queue and its record pool (runtime start-up).
void events_init();
// Appends an event unless posting is suspended (flags bit 0 overrides) or it
// equals the event at the tail (collapsed; its data is released at once).
void event_post(int kind, int64_t object, int64_t window, int64_t type, void* data = nullptr,
                void (*release)(void*) = nullptr, int flags = 0);
// Suspends / resumes posting (nestable), around changes made on the
// application's behalf.
void events_suspend();
void events_resume();
// Removes every queued event of the window (when it is closed).
void events_remove_window(int64_t window);
// Removes the queued Gadget events of one gadget (when it is freed).
void events_remove_gadget(int64_t gadget, int64_t window);
// Kind of the event at the head of the queue, or 0.
int64_t event_first_kind();
// Number of queued events.
int64_t events_queued();

// The next event kind, waiting as long as it takes; -1 when the toolkit handled
// something that posted no application event.
int64_t event_wait();
// The next event kind without waiting; 0 when nothing happened, -1 when the
// toolkit handled something that posted no application event.
int64_t event_poll();
// As event_wait, giving up after timeout_ms milliseconds (returns 0 then).
int64_t event_wait_timeout(int64_t timeout_ms);

// Accessors of the current event.
int64_t event_window();
int64_t event_gadget();
int64_t event_menu();
int64_t event_type();  // -1 after a fetch that found nothing
void* event_data();
