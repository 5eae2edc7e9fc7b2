// The numbered-object table that every runtime object kind uses.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/objects.h"

namespace {

std::string Released;

TEST(ObjectTable, FixedNumbersHandlesReuseAndRelease) {
  ObjectTable<int> table(16, [](int& v, int n) { Released += std::to_string(n) + ":" + std::to_string(v) + " "; });
  int a = 0, b = 0;
  *table.create(3, nullptr) = 30;
  *table.create(3, nullptr) = 31;  // the old object is released first
  EXPECT_EQ(Released, "3:30 ");
  *table.create(AnyNumber, &a) = 1;
  *table.create(AnyNumber, &b) = 2;
  EXPECT_TRUE(a >= FixedNumberLimit && b >= FixedNumberLimit && a != b) << a << " " << b;
  EXPECT_EQ(*table.find(3) * 10 + *table.find(b), 312);
  for (int unknown : {0, 4, 19, -5, FixedNumberLimit, b + 1000}) EXPECT_EQ(table.find(unknown), nullptr) << unknown;
  EXPECT_EQ(table.create(-5, nullptr), nullptr);
  *table.create(0, nullptr) = 7;
  Released.clear();
  table.remove_all();  // fixed numbers ascending, then the dynamic objects
  EXPECT_EQ(Released, "0:7 3:31 " + std::to_string(a) + ":1 " + std::to_string(b) + ":2 ");
  EXPECT_TRUE(table.numbers().empty());
}

}  // namespace
