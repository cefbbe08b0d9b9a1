// Copyright Tavolin developers.

#include "housekeeping/run_values.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(RunValuesTest, OnlyTheNumberOneMakesARealRun) {
  EXPECT_TRUE(IsRealRun(Variant(1)));
  EXPECT_TRUE(IsRealRun(Variant("1")));
  EXPECT_TRUE(IsRealRun(Variant(" 1.0 ")));
  EXPECT_FALSE(IsRealRun(Variant(0)));
  EXPECT_FALSE(IsRealRun(Variant()));  // Empty reads as 0
  EXPECT_FALSE(IsRealRun(Variant::Null()));
  EXPECT_FALSE(IsRealRun(Variant(true)));  // True is -1
  EXPECT_FALSE(IsRealRun(Variant("yes")));
}

}  // namespace
}  // namespace tavolin
