#include <gtest/gtest.h>

#include <string>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

namespace {

struct Entry { int32_t value; String name; };

// The values in list order, then "@index:value" of the current element
// (the walk itself leaves the last element current).
std::string state(List<Entry>* list) {
  Entry* current = list_current(list);
  std::string out, at = "@" + std::to_string(list_index(list)) + ":" + (current ? std::to_string(current->value) : "-");
  list_reset(list);
  while (Entry* e = list_next(list)) out += std::to_string(e->value) + " ";
  current ? list_set_current(list, current) : list_reset(list);
  return out + at;
}

TEST(Lists, MovementsAddDeleteSelectAndSetCurrent) {
  List<Entry>* list = list_new<Entry>();
  for (int v : {1, 2, 3}) list_last(list), list_add(list)->value = v;  // appending as the application does
  EXPECT_EQ(list_next(list), nullptr);  // at the last element: stays there
  EXPECT_EQ(state(list), "1 2 3 @2:3");
  list_select(list, 0);
  EXPECT_EQ(list_previous(list), nullptr);
  list_add(list)->value = 10;  // after the current element
  list_reset(list);
  EXPECT_TRUE(list_add(list)->name.empty());  // without one: at the front
  EXPECT_EQ(state(list), "0 1 10 2 3 @0:0");
  list_select(list, 3);
  list_delete(list);
  EXPECT_EQ(state(list), "0 1 10 3 @2:10");
  list_select(list, 0);
  EXPECT_EQ(list_delete(list), nullptr);  // the first of several: no current element
  list_next(list);
  EXPECT_EQ(state(list), "1 10 3 @0:1");

  // Selecting walks from the nearest known element; the index of a record
  // made current again is counted anew.
  list_clear(list);
  for (int i = 0; i < 20; ++i) list_add(list)->value = i;
  for (int from = -1; from < 20; ++from)
    for (int to : {-1, 0, 1, 7, 12, 18, 19, 20}) {
      from < 0 ? list_reset(list) : (void)list_select(list, from);
      Entry* e = list_select(list, to);
      ASSERT_EQ(e ? e->value * 100 + list_index(list) : list_index(list), to < 0 || to > 19 ? -1 : to * 101) << from;
    }
  Entry* two = list_select(list, 2);
  list_reset(list);
  list_add(list)->value = 50;
  list_set_current(list, two);
  EXPECT_EQ(list_index(list), 3);
  list_free(list);
}

}  // namespace
