// The event queue: collapsing, suspension, fetching, removal and the waits.
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

TEST(EventQueue, CollapsingSuspensionAndRemoval) {
  gui_discard_events();
  Released = 0;
  int first = 1, second = 2;
  event_post(Gadget, 0, 0, MouseMove, &first, count_release);
  event_post(Gadget, 0, 0, MouseMove, &second, count_release);  // collapses; its data is released
  event_post(Gadget, 1, 0, 5);
  event_post(Gadget, 1, 2, 5);
  event_post(Gadget, 1, 2, 6);
  event_post(Gadget, 0, 0, MouseMove);  // equal, but not to the tail
  EXPECT_EQ(Released, 1);
  EXPECT_EQ(event_poll() * 1000 + events_queued(), Gadget * 1000 + 4);
  EXPECT_EQ(event_data(), &first);
  EXPECT_EQ(queued(), "3:1:0:5 3:1:2:5 3:1:2:6 3:0:0:65539 ");

  events_suspend();
  events_suspend();
  event_post(Gadget, 5, 0, LeftClick, &first, count_release);  // dropped, its data released
  event_post(Gadget, 5, 0, RightClick, nullptr, nullptr, PostWhileSuspended);
  events_resume();
  event_post(Gadget, 5, 0, 2);
  events_resume();
  event_post(Gadget, 5, 0, 3);
  EXPECT_EQ(queued(), "3:5:0:1 3:5:0:3 ");
  EXPECT_EQ(Released, 3);  // the first fetch after the collapse released `first` too

  event_post(Menu, 1, 1, 0);
  event_post(Gadget, 0, 2, LeftClick, &first, count_release);
  event_post(Gadget, 4, 1, LeftClick);
  event_post(Menu, 4, 1, 0);
  event_post(SizeWindow, 0, 2, 0);
  events_remove_window(2);
  events_remove_gadget(4, 1);
  event_post(Menu, 9, 1, 0);  // the tail was removed: appending still works
  EXPECT_EQ(queued(), "1:1:1:0 1:4:1:0 1:9:1:0 ");
  EXPECT_EQ(Released, 4);
}

TEST(EventQueue, FetchingKeepsOrderAndReleasesDataAtTheNextFetch) {
  gui_discard_events();
  Released = 0;
  int a = 0;
  event_post(Menu, 7, 3, 0, &a, count_release);
  for (int i = 0; i < 1000; ++i) event_post(Gadget, i, 3, LeftClick);
  EXPECT_EQ(event_poll(), Menu);
  EXPECT_EQ(event_menu() * 10 + event_window(), 73);
  EXPECT_EQ(event_data(), &a);
  EXPECT_EQ(Released, 0);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(event_poll() * 10000 + event_gadget() * 10 + event_type(), Gadget * 10000 + i * 10);
  EXPECT_EQ(Released, 1);
  gui_pump();
  EXPECT_EQ(event_poll(), 0);
  EXPECT_EQ(event_type(), -1);
  EXPECT_EQ(event_data(), nullptr);
}

TEST(EventQueue, WaitsGiveQueuedOrPostedEventsMinusOneForToolkitWorkAndZeroAfterTheTimeout) {
  GUI_REQUIRE();
  gui_discard_events();
  event_post(Menu, 8, 0, 0);
  EXPECT_EQ(event_wait(), Menu);
  g_idle_add(post_menu, nullptr);
  int64_t kind = -1;
  for (int i = 0; i < 50 && kind == -1; ++i) kind = event_wait();  // -1: work of the toolkit's own
  EXPECT_EQ(kind * 100 + event_menu(), 142);
  g_idle_add([](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
  EXPECT_EQ(event_wait() * 10 + event_type(), -11);
  gint64 elapsed_ms = 0;
  for (int i = 0; i < 50 && kind != 0; ++i) {
    gint64 start = g_get_monotonic_time();
    kind = event_wait_timeout(60);
    elapsed_ms = (g_get_monotonic_time() - start) / 1000;
  }
  EXPECT_EQ(kind, 0);
  EXPECT_TRUE(elapsed_ms >= 55 && elapsed_ms < 2000) << elapsed_ms;
  g_timeout_add(10, post_menu, nullptr);
  for (int i = 0; i < 50 && kind != Menu; ++i) kind = event_wait_timeout(5000);
  EXPECT_EQ(kind, Menu);
}

}  // namespace
