// scripts/test.sh provides a display and says so with TAVREL_REQUIRE_DISPLAY=1. There a
// test that skips for want of one fails instead: a run whose display did not start is red.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline void fail_skips_without_display(bool has_display) {
  struct SkipFails : testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& test) override {
      if (test.result()->Skipped()) ADD_FAILURE() << "skipped without a display under TAVREL_REQUIRE_DISPLAY=1";
    }
  };
  const char* required = std::getenv("TAVREL_REQUIRE_DISPLAY");
  if (!has_display && required && std::string(required) == "1")
    testing::UnitTest::GetInstance()->listeners().Append(new SkipFails);
}
