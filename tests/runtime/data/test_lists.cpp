#include <gtest/gtest.h>

#include <string>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

namespace {

struct Entry {
  int32_t value;
  String name;
};

class ListTest : public ::testing::Test {
 protected:
  void TearDown() override { list_free(list); }

  // Appends the way the application does: last, then add.
  void append(std::initializer_list<int> values) {
    for (int v : values) {
      list_last(list);
      list_add(list)->value = v;
    }
  }
  // "index:value" of the current element, "-1:none" without one.
  std::string at() {
    Entry* e = list_current(list);
    return std::to_string(list_index(list)) + ":" + (e ? std::to_string(e->value) : "none");
  }
  // The values in list order (the walk leaves the last element current).
  std::string values() {
    std::string out;
    list_reset(list);
    while (Entry* e = list_next(list)) out += std::to_string(e->value) + " ";
    return out;
  }

  List<Entry>* list = list_new<Entry>();
};

TEST_F(ListTest, MovementsAtTheEndsAndAfterReset) {
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);
  EXPECT_EQ(at(), "-1:none");
  append({1, 2, 3});
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(at(), "2:3");
  list_previous(list);
  list_previous(list);
  EXPECT_EQ(list_previous(list), nullptr);
  EXPECT_EQ(at(), "0:1");
  list_add(list)->value = 10;
  EXPECT_EQ(at(), "1:10");
  list_reset(list);
  EXPECT_EQ(list_previous(list), nullptr);
  Entry* front = list_add(list);  // after reset: at the front
  EXPECT_TRUE(front->name.empty());
  EXPECT_EQ(at(), "0:0");
  EXPECT_EQ(values(), "0 1 10 2 3 ");
  EXPECT_EQ(at(), "4:3");
  list_clear(list);
  EXPECT_EQ(list_next(list), nullptr);
}

TEST_F(ListTest, DeleteMovesToThePreviousElement) {
  append({1});
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);
  append({1, 2, 3, 4});
  list_select(list, 2);
  list_delete(list);
  EXPECT_EQ(at(), "1:2");
  list_last(list);
  list_delete(list);
  EXPECT_EQ(at(), "1:2");
  EXPECT_EQ(list_last(list)->value, 2);
  list_select(list, 0);
  EXPECT_EQ(list_delete(list), nullptr);  // the first of several: no current element
  EXPECT_EQ(at(), "-1:none");
  list_next(list);
  EXPECT_EQ(at(), "0:2");
  list_reset(list);
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_size(list), 1);
}

TEST_F(ListTest, SelectFromEveryStartingPoint) {
  for (int i = 0; i < 20; ++i) append({i});
  for (int from = -1; from < 20; ++from) {
    for (int to = 0; to < 20; ++to) {
      from < 0 ? list_reset(list) : (void)list_select(list, from);
      ASSERT_NE(list_select(list, to), nullptr);
      EXPECT_EQ(at(), std::to_string(to) + ":" + std::to_string(to));
    }
  }
  for (int outside : {-1, 20}) {
    list_select(list, 5);
    EXPECT_EQ(list_select(list, outside), nullptr);
    EXPECT_EQ(at(), "-1:none");
  }
}

TEST_F(ListTest, IndexIsCountedAnewAfterSetCurrent) {
  append({0, 1, 2, 100, 4, 5});
  Entry* two = list_select(list, 2);
  two->name = u"two";
  list_reset(list);
  list_add(list)->value = 50;
  list_set_current(list, two);
  EXPECT_EQ(at(), "3:2");
  Entry stranger{};
  list_set_current(list, &stranger);  // not in the list: nothing changes
  EXPECT_EQ(list_current(list), two);
  list_select(list, 0);
  list_delete(list);
  list_set_current(list, two);
  EXPECT_EQ(list_current(list)->name, u"two");  // records keep their address
  EXPECT_EQ(at(), "2:2");
  EXPECT_EQ(values(), "0 1 2 100 4 5 ");
}

}  // namespace
