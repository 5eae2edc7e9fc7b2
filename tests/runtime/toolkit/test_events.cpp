// The event queue: collapsing, suspension, fetching and the waits.
#include <gtest/gtest.h>

#include "runtime/toolkit/events.h"
#include "support/gui.h"

namespace {

int Released = 0;
void count_release(void*) { ++Released; }
gboolean post_menu(gpointer) { return event_post(Menu, 42, 0, 0), G_SOURCE_REMOVE; }

// The queued events as kind:object:window:type.
std::string queued() {
  std::string out;
  for (const GuiEvent& e : gui_take_events())
    out += std::to_string(e.kind) + ":" + std::to_string(e.object) + ":" + std::to_string(e.window) + ":" +
           std::to_string(e.type) + " ";
  return out;
}

// (Removing a freed gadget's events is checked with the gadgets.)
TEST(EventQueue, CollapsingSuspensionAndWaiting) {
  gui_discard_events();
  Released = 0;
  int first = 1, second = 2;
  event_post(Gadget, 0, 0, MouseMove, &first, count_release);
  event_post(Gadget, 0, 0, MouseMove, &second, count_release);  // collapses; its data is released
  event_post(Gadget, 1, 0, 5);
  event_post(Gadget, 1, 2, 5);
  event_post(Gadget, 1, 2, 6);
  event_post(Gadget, 0, 0, MouseMove);  // equal, but not to the tail
  EXPECT_EQ(event_poll() * 100 + events_queued() * 10 + Released, 341);
  EXPECT_EQ(event_data(), &first);
  EXPECT_EQ(queued(), "3:1:0:5 3:1:2:5 3:1:2:6 3:0:0:65539 ");

  events_suspend();
  events_suspend();
  event_post(Gadget, 5, 0, LeftClick, &first, count_release);  // dropped, its data released
  events_resume();
  event_post(Gadget, 5, 0, 2);
  events_resume();
  event_post(Gadget, 5, 0, 3);
  EXPECT_EQ(queued() + std::to_string(Released), "3:5:0:3 3");  // fetching released `first` too

  // Waiting gives posted events.
  GUI_REQUIRE();
  g_idle_add(post_menu, nullptr);
  int64_t kind = -1;
  for (int i = 0; i < 50 && kind == -1; ++i) kind = event_wait();  // -1: work of the toolkit's own
  EXPECT_EQ(kind * 100 + event_menu(), 142);
  for (int i = 0; i < 50 && kind != 0; ++i) kind = event_wait_timeout(20);  // 0 once the time ran out
  EXPECT_EQ(kind, 0);
}

}  // namespace
