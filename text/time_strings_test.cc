// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

class TimeStringsTest : public ::testing::Test {
 protected:
  ManualClockEnv env_{DateTime::FromCivil(2003, 4, 9, 9, 5, 7)};
  Corvane object_{&env_};
};

TEST_F(TimeStringsTest, FieldsAreTwoDigitsWideAndNoArgumentReadsTheClock) {
  EXPECT_EQ(object_.AllDateStr().ToText(), "2003-04-09 09:05:07");
  env_.Advance(24 * 3600 + 3600);
  EXPECT_EQ(object_.GetTimeStr().ToText(), "10:05:07");
  EXPECT_EQ(object_.GetDateStr().ToText(), "2003-04-10");
  const struct {
    Variant when;
    const char *time, *date;
  } cases[] = {
      {DateTime::FromCivil(2024, 1, 1, 0, 0, 0), "00:00:00", "2024-01-01"},
      {DateTime::FromCivil(2023, 12, 31, 23, 59, 59), "23:59:59", "2023-12-31"},
      {"2003/4/9 9:5:7", "09:05:07", "2003-04-09"},  // short forms come out padded
      {"2010-11-12 13:14:15", "13:14:15", "2010-11-12"},
      {"09:05", "09:05:00", "1899-12-30"},                     // a time alone lies on the zero date
      {DateTime::FromCivil(5, 1, 2), "00:00:00", "05-01-02"},  // the year padded alike
  };
  for (const auto& c : cases) {
    Variant when = c.when;
    EXPECT_EQ(object_.GetTimeStr(&when).ToText(), c.time) << c.date;
    EXPECT_EQ(object_.GetDateStr(&when).ToText(), c.date) << c.time;
  }
}

TEST_F(TimeStringsTest, WhatIsNoDateFailsOrComesBackFromAllDateStr) {
  Variant text("2003/4/9 9:5:0");
  EXPECT_EQ(object_.AllDateStr(&text).ToText(), "2003-04-09 09:05:00");
  EXPECT_EQ(text.ToText(), "2003/4/9 9:5:0");  // not written back
  Variant word("yesterday");
  EXPECT_EQ(object_.AllDateStr(&word).ToText(), "yesterday");
  Variant number(5);
  EXPECT_EQ(object_.AllDateStr(&number).type(), Variant::Type::kLong);
  for (auto method : {&Corvane::GetTimeStr, &Corvane::GetDateStr}) {
    try {
      (object_.*method)(&word);
      ADD_FAILURE() << "no error for a word";
    } catch (const CallError& e) {
      EXPECT_EQ(e.code(), ErrorCode::kTypeMismatch);
    }
    EXPECT_EQ(word.ToText(), "yesterday");
  }
}

}  // namespace
}  // namespace tavolin
