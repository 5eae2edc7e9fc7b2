#include <gtest/gtest.h>

#include <vector>

#include "runtime/data/lists.h"
#include "runtime/data/strings.h"

namespace {

struct Entry {
  int32_t value;
  String name;
};

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override { list = list_new<Entry>(); }
  void TearDown() override { list_free(list); }

  // Appends values in order the way the application does: last, then add.
  void append(std::initializer_list<int> values) {
    for (int v : values) {
      list_last(list);
      list_add(list)->value = v;
    }
  }

  // The values in list order, walked the application's way; the current
  // element is restored afterwards.
  std::vector<int> values() {
    std::vector<int> out;
    Entry* remembered = list_index(list) >= 0 ? list_current(list) : nullptr;
    list_reset(list);
    while (Entry* e = list_next(list)) out.push_back(e->value);
    if (remembered)
      list_set_current(list, remembered);
    else
      list_reset(list);
    return out;
  }

  int current_value() {
    Entry* e = list_current(list);
    return e ? e->value : -1000;
  }

  List<Entry>* list = nullptr;
};

TEST_F(ListTest, NextAndPreviousAtTheEnds) {
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_previous(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);
  EXPECT_EQ(list_index(list), -1);

  append({1, 2, 3});
  EXPECT_EQ(list_next(list), nullptr);  // at the last element nothing changes
  EXPECT_EQ(current_value(), 3);
  EXPECT_EQ(list_index(list), 2);
  EXPECT_EQ(list_previous(list)->value, 2);
  EXPECT_EQ(list_previous(list)->value, 1);
  EXPECT_EQ(list_previous(list), nullptr);  // at the first nothing changes
  EXPECT_EQ(current_value(), 1);
  EXPECT_EQ(list_index(list), 0);
  list_reset(list);
  EXPECT_EQ(list_previous(list), nullptr);
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_next(list)->value, 1);
}

TEST_F(ListTest, AddInsertsAfterCurrentOrAtFront) {
  Entry* e = list_add(list);
  EXPECT_EQ(e->value, 0);  // value-initialised
  EXPECT_TRUE(e->name.empty());
  list_clear(list);
  append({1, 2, 3});
  EXPECT_EQ(values(), (std::vector<int>{1, 2, 3}));
  list_select(list, 0);
  list_add(list)->value = 10;
  EXPECT_EQ(list_index(list), 1);
  EXPECT_EQ(values(), (std::vector<int>{1, 10, 2, 3}));
  list_reset(list);
  list_add(list)->value = 20;  // after reset on a non-empty list: at the front
  EXPECT_EQ(list_index(list), 0);
  EXPECT_EQ(values(), (std::vector<int>{20, 1, 10, 2, 3}));
  EXPECT_EQ(list_size(list), 5);
  // Filling an emptied list in order.
  list_clear(list);
  EXPECT_EQ(list_size(list), 0);
  EXPECT_EQ(list_index(list), -1);
  for (int v : {7, 8, 9}) list_add(list)->value = v;
  EXPECT_EQ(values(), (std::vector<int>{7, 8, 9}));
  EXPECT_EQ(list_index(list), 2);
  EXPECT_EQ(list_last(list)->value, 9);
}

TEST_F(ListTest, DeleteMovesToThePreviousElement) {
  EXPECT_EQ(list_delete(list), nullptr);
  append({1});
  EXPECT_EQ(list_delete(list), nullptr);  // the only element: list empty
  EXPECT_EQ(list_size(list), 0);
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_next(list), nullptr);
  EXPECT_EQ(list_last(list), nullptr);

  append({1, 2, 3, 4});
  list_select(list, 2);
  Entry* e = list_delete(list);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->value, 2);
  EXPECT_EQ(list_index(list), 1);
  EXPECT_EQ(values(), (std::vector<int>{1, 2, 4}));
  // The last element: its predecessor becomes current and the end moves.
  list_last(list);
  EXPECT_EQ(list_delete(list)->value, 2);
  EXPECT_EQ(list_last(list)->value, 2);
  EXPECT_EQ(list_index(list), 1);
  // The first of several: no current element, next goes to the new first.
  list_select(list, 0);
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_size(list), 1);
  EXPECT_EQ(list_next(list)->value, 2);
  EXPECT_EQ(list_index(list), 0);
  // Nothing is deleted without a current element.
  list_reset(list);
  EXPECT_EQ(list_delete(list), nullptr);
  EXPECT_EQ(list_size(list), 1);
}

TEST_F(ListTest, SelectFromEveryStartingPoint) {
  for (int i = 0; i < 20; ++i) {
    list_last(list);
    list_add(list)->value = i;
  }
  // Every target from every current position (and from none) lands right,
  // whichever known element the walk starts from.
  for (int from = -1; from < 20; ++from) {
    for (int to = 0; to < 20; ++to) {
      if (from < 0)
        list_reset(list);
      else
        list_select(list, from);
      Entry* e = list_select(list, to);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->value, to);
      EXPECT_EQ(list_index(list), to);
      EXPECT_EQ(current_value(), to);
    }
  }
  list_select(list, 5);
  EXPECT_EQ(list_select(list, -1), nullptr);
  EXPECT_EQ(list_index(list), -1);
  list_select(list, 5);
  EXPECT_EQ(list_select(list, 20), nullptr);
  EXPECT_EQ(list_index(list), -1);
  EXPECT_EQ(list_current(list), nullptr);
}

TEST_F(ListTest, IndexStaysRightAfterMixedMovements) {
  append({0, 1, 2, 3, 4, 5});
  list_select(list, 3);
  list_add(list)->value = 100;  // position 4
  list_previous(list);          // 3
  list_delete(list);            // removes 3, current 2
  list_next(list);              // 100 at position 3
  EXPECT_EQ(current_value(), 100);
  EXPECT_EQ(list_index(list), 3);
  EXPECT_EQ(list_select(list, 4)->value, 4);
  EXPECT_EQ(values(), (std::vector<int>{0, 1, 2, 100, 4, 5}));
  EXPECT_EQ(list_index(list), 4);
}

TEST_F(ListTest, SetCurrentRestoresAndRecountsIndex) {
  append({1, 2, 3, 4});
  Entry* third = list_select(list, 2);
  list_reset(list);
  list_select(list, 0);
  list_add(list)->value = 50;  // shifts the third element to position 3
  list_set_current(list, third);
  EXPECT_EQ(list_current(list), third);
  EXPECT_EQ(list_index(list), 3);
  // A record that does not belong to the list changes nothing.
  Entry stranger{};
  list_set_current(list, &stranger);
  EXPECT_EQ(list_current(list), third);
  list_set_current(list, static_cast<Entry*>(nullptr));
  EXPECT_EQ(list_current(list), third);
  // Records keep their address while other elements come and go.
  third->name = u"three";
  list_select(list, 0);
  list_delete(list);
  list_reset(list);
  list_add(list);
  list_set_current(list, third);
  EXPECT_EQ(list_current(list)->name, u"three");
  EXPECT_EQ(list_index(list), 3);
}

}  // namespace
