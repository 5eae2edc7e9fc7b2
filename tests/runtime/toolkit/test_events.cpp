// The event queue: collapsing, suspension, fetching, removal and the waits.
#include <gtest/gtest.h>

#include "runtime/toolkit/events.h"
#include "support/gui.h"

namespace {

int Released = 0;
void count_release(void*) { ++Released; }
gboolean post_menu(gpointer) {
  event_post(Menu, 42, 0, 0);
  return G_SOURCE_REMOVE;
}

class EventQueue : public testing::Test {
 protected:
  void SetUp() override {
    gui_discard_events();
    event_poll();  // releases the last event's data
    Released = 0;
  }
  void TearDown() override { gui_discard_events(); }
};

TEST_F(EventQueue, OnlyIdenticalConsecutiveEventsCollapseAndSuspensionDropsEvents) {
  int first = 1, second = 2;
  event_post(Gadget, 0, 0, MouseMove, &first, count_release);
  event_post(Gadget, 0, 0, MouseMove, &second, count_release);  // collapses; its data is released
  event_post(Gadget, 1, 0, MouseMove);       // other gadget
  event_post(Gadget, 1, 2, MouseMove);       // other window
  event_post(Gadget, 1, 2, LeftButtonDown);  // other type
  event_post(Gadget, 1, 2, LeftButtonDown, nullptr, nullptr, PostNoCollapse);
  event_post(70000, 0, 0, 0);
  event_post(70000, 0, 0, 0);  // kinds above 65535 never collapse
  event_post(Gadget, 0, 0, MouseMove);  // equal, but not to the tail
  EXPECT_EQ(events_queued(), 8);
  EXPECT_EQ(Released, 1);
  EXPECT_EQ(event_poll(), Gadget);
  EXPECT_EQ(event_data(), &first);
  gui_discard_events();

  events_suspend();
  events_suspend();
  event_post(Gadget, 5, 0, LeftClick, &first, count_release);  // dropped, its data released
  event_post(Gadget, 5, 0, RightClick, nullptr, nullptr, PostWhileSuspended);
  events_resume();
  event_post(Gadget, 5, 0, LeftClick);
  EXPECT_EQ(events_queued() * 10 + Released, 13);
  events_resume();
  events_resume();  // one too many does no harm
  event_post(Gadget, 5, 0, LeftClick);
  EXPECT_EQ(events_queued(), 2);
}

TEST_F(EventQueue, FetchingKeepsOrderReleasesDataAtTheNextFetchAndRemovalKeepsTheRest) {
  int a = 0;
  event_post(Menu, 7, 3, 0, &a, count_release);
  for (int i = 0; i < 1000; ++i) event_post(Gadget, i, 3, LeftClick);
  EXPECT_EQ(event_first_kind(), Menu);
  EXPECT_EQ(event_poll(), Menu);
  EXPECT_EQ(event_menu() * 10 + event_window(), 73);
  EXPECT_EQ(event_data(), &a);
  EXPECT_EQ(Released, 0);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(event_poll(), Gadget);
    ASSERT_EQ(event_gadget(), i);
    ASSERT_EQ(event_type(), LeftClick);
  }
  EXPECT_EQ(Released, 1);
  gui_pump();
  EXPECT_EQ(event_poll(), 0);
  EXPECT_EQ(event_type(), -1);
  EXPECT_EQ(event_data(), nullptr);

  event_post(Menu, 1, 1, 0);
  event_post(Gadget, 0, 2, LeftClick, &a, count_release);
  event_post(Gadget, 4, 1, LeftClick);
  event_post(Menu, 4, 1, 0);
  event_post(SizeWindow, 0, 2, 0);
  events_remove_window(2);
  events_remove_gadget(4, 1);
  event_post(Menu, 9, 1, 0);  // the tail was removed: appending still works
  std::vector<int64_t> objects;
  for (const GuiEvent& e : gui_take_events()) objects.push_back(e.kind * 10 + e.object);
  EXPECT_EQ(objects, (std::vector<int64_t>{11, 14, 19}));
  EXPECT_EQ(Released, 2);
}

TEST_F(EventQueue, WaitsGiveQueuedOrPostedEventsMinusOneForToolkitWorkAndZeroAfterTheTimeout) {
  GUI_REQUIRE();
  event_post(Menu, 8, 0, 0);
  EXPECT_EQ(event_wait(), Menu);
  g_idle_add(post_menu, nullptr);
  int64_t kind = -1;
  for (int i = 0; i < 50 && kind == -1; ++i) kind = event_wait();  // -1: work of the toolkit's own
  EXPECT_EQ(kind * 100 + event_menu(), 142);
  g_idle_add([](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
  EXPECT_EQ(event_wait(), -1);
  EXPECT_EQ(event_type(), -1);
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
