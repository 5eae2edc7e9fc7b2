// The event queue: posting, collapsing, suspension, fetching and the waits.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/toolkit/events.h"
#include "support/gui.h"

namespace {

int Released = 0;
void count_release(void*) { ++Released; }

void drain() {
  while (events_queued() > 0) event_poll();
  event_poll();  // releases the last event's data
}

class EventQueue : public testing::Test {
 protected:
  void SetUp() override {
    gui_pump();
    drain();
    Released = 0;
  }
  void TearDown() override {
    while (events_queued() > 0) event_poll();
  }
};

TEST_F(EventQueue, IdenticalConsecutiveEventsCollapseAndReleaseTheDroppedData) {
  int first = 1, second = 2;
  event_post(EventGadget, 0, 0, MouseMove, &first, count_release);
  event_post(EventGadget, 0, 0, MouseMove, &second, count_release);
  EXPECT_EQ(events_queued(), 1);
  EXPECT_EQ(Released, 1);  // the second one's data
  EXPECT_EQ(event_poll(), EventGadget);
  EXPECT_EQ(event_data(), &first);  // the first keeps its data
  EXPECT_EQ(event_type(), MouseMove);
}

TEST_F(EventQueue, EventsThatDifferOrAreExemptDoNotCollapse) {
  event_post(EventGadget, 0, 0, MouseMove);
  event_post(EventGadget, 1, 0, MouseMove);       // other gadget
  event_post(EventGadget, 1, 2, MouseMove);       // other window
  event_post(EventGadget, 1, 2, LeftButtonDown);  // other type
  event_post(EventGadget, 1, 2, LeftButtonDown, nullptr, nullptr, PostNoCollapse);
  event_post(70000, 0, 0, 0);
  event_post(70000, 0, 0, 0);  // kinds above 65535 never collapse
  EXPECT_EQ(events_queued(), 7);
  // Not consecutive: the same event again after another one is kept.
  event_post(EventMenu, 3, 0, 0);
  event_post(EventMenu, 4, 0, 0);
  event_post(EventMenu, 3, 0, 0);
  EXPECT_EQ(events_queued(), 10);
}

TEST_F(EventQueue, SuspendedPostingDropsEventsUnlessForced) {
  int data = 0;
  events_suspend();
  events_suspend();
  event_post(EventGadget, 5, 0, LeftClick, &data, count_release);
  EXPECT_EQ(events_queued(), 0);
  EXPECT_EQ(Released, 1);
  event_post(EventGadget, 5, 0, RightClick, nullptr, nullptr, PostWhileSuspended);
  EXPECT_EQ(events_queued(), 1);
  events_resume();
  event_post(EventGadget, 5, 0, LeftClick);
  EXPECT_EQ(events_queued(), 1);  // still suspended once
  events_resume();
  events_resume();  // one too many does no harm
  event_post(EventGadget, 5, 0, LeftClick);
  EXPECT_EQ(events_queued(), 2);
}

TEST_F(EventQueue, FetchingKeepsFifoOrderAndReleasesDataAtTheNextFetch) {
  int a = 0, b = 0;
  event_post(EventMenu, 7, 3, 0, &a, count_release);
  event_post(EventGadget, 2, 3, LeftClick, &b, count_release);
  EXPECT_EQ(event_first_kind(), EventMenu);
  EXPECT_EQ(event_poll(), EventMenu);
  EXPECT_EQ(event_menu(), 7);
  EXPECT_EQ(event_window(), 3);
  EXPECT_EQ(event_type(), 0);
  EXPECT_EQ(event_data(), &a);
  EXPECT_EQ(Released, 0);
  EXPECT_EQ(event_first_kind(), EventGadget);
  EXPECT_EQ(event_poll(), EventGadget);
  EXPECT_EQ(Released, 1);
  EXPECT_EQ(event_gadget(), 2);
  EXPECT_EQ(event_type(), LeftClick);
  EXPECT_EQ(event_first_kind(), 0);
  gui_pump();
  EXPECT_EQ(event_poll(), 0);
  EXPECT_EQ(Released, 2);
  EXPECT_EQ(event_type(), -1);
  EXPECT_EQ(event_data(), nullptr);
}

TEST_F(EventQueue, ManyEventsPassThroughThePoolInOrder) {
  for (int i = 0; i < 1000; ++i) event_post(EventMenu, i, 0, 0);
  EXPECT_EQ(events_queued(), 1000);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(event_poll(), EventMenu);
    ASSERT_EQ(event_menu(), i);
  }
  EXPECT_EQ(events_queued(), 0);
}

TEST_F(EventQueue, RemovingAWindowsEventsKeepsTheOthersInOrder) {
  int data = 0;
  event_post(EventMenu, 1, 1, 0);
  event_post(EventGadget, 0, 2, LeftClick, &data, count_release);
  event_post(EventMenu, 2, 1, 0);
  event_post(EventSizeWindow, 0, 2, 0);
  event_post(EventMenu, 3, 1, 0);
  events_remove_window(2);
  EXPECT_EQ(Released, 1);
  ASSERT_EQ(events_queued(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(event_poll(), EventMenu);
    EXPECT_EQ(event_menu(), i);
  }
  // The tail was removed: posting again appends correctly.
  event_post(EventMenu, 9, 2, 0);
  events_remove_window(2);
  event_post(EventMenu, 10, 1, 0);
  EXPECT_EQ(event_poll(), EventMenu);
  EXPECT_EQ(event_menu(), 10);
}

TEST_F(EventQueue, RemovingAGadgetsEventsLeavesOtherGadgetsAndKinds) {
  event_post(EventGadget, 4, 0, LeftClick);
  event_post(EventMenu, 4, 0, 0);
  event_post(EventGadget, 5, 0, LeftClick);
  event_post(EventGadget, 4, 1, LeftClick);
  events_remove_gadget(4, 0);
  auto events = gui_take_events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, EventMenu);
  EXPECT_EQ(events[1].object, 5);
  EXPECT_EQ(events[2].window, 1);
}

gboolean do_nothing(gpointer) { return G_SOURCE_REMOVE; }

TEST_F(EventQueue, WaitGivesMinusOneWhenTheToolkitPostedNothing) {
  GUI_REQUIRE();
  event_post(EventMenu, 8, 0, 0);
  EXPECT_EQ(event_wait(), EventMenu);  // a queued event is returned at once
  EXPECT_EQ(event_type(), 0);
  g_idle_add(do_nothing, nullptr);
  EXPECT_EQ(event_wait(), -1);
  EXPECT_EQ(event_type(), -1);
}

gboolean post_menu(gpointer) {
  event_post(EventMenu, 42, 0, 0);
  return G_SOURCE_REMOVE;
}

TEST_F(EventQueue, WaitReturnsWhatTheToolkitPosted) {
  GUI_REQUIRE();
  g_idle_add(post_menu, nullptr);
  EXPECT_EQ(event_wait(), EventMenu);
  EXPECT_EQ(event_menu(), 42);
}

TEST_F(EventQueue, WaitWithTimeoutReturnsZeroWhenTheTimeRanOut) {
  GUI_REQUIRE();
  gui_pump();
  gint64 start = g_get_monotonic_time();
  int64_t kind = event_wait_timeout(60);
  gint64 elapsed_ms = (g_get_monotonic_time() - start) / 1000;
  if (kind == -1) GTEST_SKIP() << "the toolkit had work of its own";
  EXPECT_EQ(kind, 0);
  EXPECT_GE(elapsed_ms, 55);
  EXPECT_LT(elapsed_ms, 2000);
  EXPECT_EQ(event_type(), -1);

  g_timeout_add(10, post_menu, nullptr);
  EXPECT_EQ(event_wait_timeout(5000), EventMenu);
  event_post(EventCloseWindow, 0, 0, 0);
  EXPECT_EQ(event_wait_timeout(5000), EventCloseWindow);
}

TEST_F(EventQueue, PollDoesNotWait) {
  GUI_REQUIRE();
  gui_pump();
  gint64 start = g_get_monotonic_time();
  EXPECT_EQ(event_poll(), 0);
  EXPECT_LT((g_get_monotonic_time() - start) / 1000, 500);
  g_idle_add(post_menu, nullptr);
  EXPECT_EQ(event_poll(), EventMenu);
}

}  // namespace
