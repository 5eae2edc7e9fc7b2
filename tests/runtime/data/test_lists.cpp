#include <gtest/gtest.h>

#include <string>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

namespace {

struct Entry {
  int32_t value;
  String name;
};

// "index:value" of the current element, "-1:none" without one.
std::string at(List<Entry>* list) {
  Entry* e = list_current(list);
  return std::to_string(list_index(list)) + ":" + (e ? std::to_string(e->value) : "none");
}

// The values in list order (the walk leaves the last element current).
std::string values(List<Entry>* list) {
  std::string out;
  list_reset(list);
  while (Entry* e = list_next(list)) out += std::to_string(e->value) + " ";
  return out;
}

TEST(Lists, MovementsAddDeleteSelectAndSetCurrent) {
  List<Entry>* list = list_new<Entry>();
  EXPECT_EQ(list_next(list), nullptr);
  for (int v : {1, 2, 3}) {  // appending the way the application does: last, then add
    list_last(list);
    list_add(list)->value = v;
  }
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(at(list), "2:3");
  list_select(list, 0);
  EXPECT_EQ(list_previous(list), nullptr);
  list_add(list)->value = 10;  // after the current element
  EXPECT_EQ(at(list), "1:10");
  list_reset(list);
  EXPECT_TRUE(list_add(list)->name.empty());  // after reset: at the front
  EXPECT_EQ(values(list), "0 1 10 2 3 ");
  list_select(list, 3);
  list_delete(list);
  EXPECT_EQ(at(list), "2:10");
  list_last(list);
  list_delete(list);
  EXPECT_EQ(list_last(list)->value, 10);
  list_select(list, 0);
  EXPECT_EQ(list_delete(list), nullptr);  // the first of several: no current element
  list_next(list);
  EXPECT_EQ(at(list), "0:1");
  list_reset(list);
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(values(list), "1 10 ");

  // Selecting walks from the nearest known element; the index of a record
  // made current again is counted anew.
  list_clear(list);
  for (int i = 0; i < 20; ++i) list_add(list)->value = i;
  for (int from = -1; from < 20; ++from)
    for (int to : {-1, 0, 1, 7, 12, 18, 19, 20}) {
      from < 0 ? list_reset(list) : (void)list_select(list, from);
      list_select(list, to);
      ASSERT_EQ(at(list), to < 0 || to > 19 ? "-1:none" : std::to_string(to) + ":" + std::to_string(to)) << from;
    }
  Entry* two = list_select(list, 2);
  list_reset(list);
  list_add(list)->value = 50;
  list_set_current(list, two);
  EXPECT_EQ(at(list), "3:2");
  list_free(list);
}

}  // namespace
