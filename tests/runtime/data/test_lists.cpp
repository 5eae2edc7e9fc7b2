#include <gtest/gtest.h>

#include <vector>

#include "runtime/data/lists.h"
#include "runtime/data/strings.h"

namespace {

struct Entry {
  int32_t value;
  String name;
};

using Values = std::vector<int>;

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

  // The values in list order (the walk leaves the last element current).
  Values values() {
    Values out;
    list_reset(list);
    while (Entry* e = list_next(list)) out.push_back(e->value);
    return out;
  }

  List<Entry>* list = list_new<Entry>();
};

TEST_F(ListTest, MovementsAtTheEndsAndAfterReset) {
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);
  EXPECT_EQ(list_index(list), -1);
  append({1, 2, 3});
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(list_current(list)->value, 3);
  EXPECT_EQ(list_previous(list)->value, 2);
  EXPECT_EQ(list_previous(list)->value, 1);
  EXPECT_EQ(list_previous(list), nullptr);
  EXPECT_EQ(list_index(list), 0);
  list_add(list)->value = 10;  // after the current element
  EXPECT_EQ(list_index(list), 1);
  list_reset(list);
  EXPECT_EQ(list_previous(list), nullptr);
  Entry* front = list_add(list);  // after reset: at the front
  EXPECT_EQ(front->value, 0);
  EXPECT_TRUE(front->name.empty());
  EXPECT_EQ(list_index(list), 0);
  EXPECT_EQ(values(), (Values{0, 1, 10, 2, 3}));
  EXPECT_EQ(list_index(list), 4);
  list_clear(list);
  EXPECT_EQ(list_next(list), nullptr);
}

TEST_F(ListTest, DeleteMovesToThePreviousElement) {
  append({1});
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);
  append({1, 2, 3, 4});
  list_select(list, 2);
  EXPECT_EQ(list_delete(list)->value, 2);
  EXPECT_EQ(list_index(list), 1);
  list_last(list);
  EXPECT_EQ(list_delete(list)->value, 2);
  EXPECT_EQ(list_last(list)->value, 2);
  EXPECT_EQ(list_index(list), 1);
  list_select(list, 0);
  EXPECT_EQ(list_delete(list), nullptr);  // the first of several: no current element
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_next(list)->value, 2);
  EXPECT_EQ(list_index(list), 0);
  list_reset(list);
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_size(list), 1);
}

TEST_F(ListTest, SelectFromEveryStartingPoint) {
  for (int i = 0; i < 20; ++i) append({i});
  for (int from = -1; from < 20; ++from) {
    for (int to = 0; to < 20; ++to) {
      from < 0 ? list_reset(list) : (void)list_select(list, from);
      Entry* e = list_select(list, to);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->value, to);
      EXPECT_EQ(list_index(list), to);
    }
  }
  for (int outside : {-1, 20}) {
    list_select(list, 5);
    EXPECT_EQ(list_select(list, outside), nullptr);
    EXPECT_EQ(list_index(list), -1);
    EXPECT_EQ(list_current(list), nullptr);
  }
}

TEST_F(ListTest, IndexIsCountedAnewAfterSetCurrent) {
  append({0, 1, 2, 3, 4, 5});
  list_select(list, 3);
  list_add(list)->value = 100;
  list_previous(list);
  list_delete(list);
  EXPECT_EQ(list_next(list)->value, 100);
  EXPECT_EQ(list_index(list), 3);
  Entry* third = list_select(list, 2);
  third->name = u"two";
  list_reset(list);
  list_add(list)->value = 50;  // shifts it to position 3
  list_set_current(list, third);
  EXPECT_EQ(list_index(list), 3);
  Entry stranger{};
  list_set_current(list, &stranger);  // not in the list: nothing changes
  EXPECT_EQ(list_current(list), third);
  list_select(list, 0);
  list_delete(list);
  list_set_current(list, third);
  EXPECT_EQ(list_current(list)->name, u"two");  // records keep their address
  EXPECT_EQ(list_index(list), 2);
  EXPECT_EQ(values(), (Values{0, 1, 2, 100, 4, 5}));
}

}  // namespace
