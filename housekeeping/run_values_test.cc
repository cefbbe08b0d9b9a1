// Copyright Tavolin developers.

#include "housekeeping/run_values.h"

#include <gtest/gtest.h>

#include "tavolin/error.h"

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

TEST(RunValuesTest, LimitsAreNumbersOrRefused) {
  EXPECT_EQ(LimitParameter(Variant("30"), "_gbtimeout").ToDouble(), 30);
  EXPECT_EQ(LimitParameter(Variant(" 2.5 "), "_gbtimeout").ToDouble(), 2.5);
  for (const Variant& bad :
       {Variant(), Variant(""), Variant("  "), Variant("7 or 1=1"), Variant::Null()}) {
    try {
      LimitParameter(bad, "_gbtimeout");
      ADD_FAILURE() << "accepted a limit that is not a number";
    } catch (const CallError& e) {
      EXPECT_EQ(e.code(), ErrorCode::kDatabase);
      EXPECT_NE(std::string(e.what()).find("_gbtimeout"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tavolin
