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
  std::string Time(Variant value) { return object_.GetTimeStr(&value).ToText(); }
  std::string Date(Variant value) { return object_.GetDateStr(&value).ToText(); }

  ManualClockEnv env_{DateTime::FromCivil(2003, 4, 9, 9, 5, 7)};
  Corvane object_{&env_};
};

TEST_F(TimeStringsTest, AbsentArgumentReadsTheClock) {
  EXPECT_EQ(object_.GetTimeStr().ToText(), "09:05:07");
  EXPECT_EQ(object_.GetDateStr().ToText(), "2003-04-09");
  EXPECT_EQ(object_.AllDateStr().ToText(), "2003-04-09 09:05:07");
  env_.Advance(24 * 3600 + 3600);
  EXPECT_EQ(object_.AllDateStr().ToText(), "2003-04-10 10:05:07");
}

TEST_F(TimeStringsTest, FieldsAreTwoDigitsWide) {
  EXPECT_EQ(Time(DateTime::FromCivil(2024, 1, 1, 0, 0, 0)), "00:00:00");
  EXPECT_EQ(Time(DateTime::FromCivil(2023, 12, 31, 23, 59, 59)), "23:59:59");
  EXPECT_EQ(Date(DateTime::FromCivil(2023, 12, 31, 23, 59, 59)), "2023-12-31");
  // Texts in the short forms come out padded.
  EXPECT_EQ(Time("2003/4/9 9:5:7"), "09:05:07");
  EXPECT_EQ(Date("2003/4/9 9:5:7"), "2003-04-09");
  // A full date-time gives only the part asked for; a time alone lies on the
  // zero date.
  EXPECT_EQ(Time("2010-11-12 13:14:15"), "13:14:15");
  EXPECT_EQ(Date("2010-11-12 13:14:15"), "2010-11-12");
  EXPECT_EQ(Date("09:05"), "1899-12-30");
  EXPECT_EQ(Time("09:05"), "09:05:00");
  // The year is padded by the same rule as the other fields.
  EXPECT_EQ(Date(DateTime::FromCivil(5, 1, 2)), "05-01-02");
}

TEST_F(TimeStringsTest, AllDateStrReturnsWhatIsNoDate) {
  Variant text("2003/4/9 9:5:0");
  EXPECT_EQ(object_.AllDateStr(&text).ToText(), "2003-04-09 09:05:00");
  EXPECT_EQ(text.ToText(), "2003/4/9 9:5:0");  // not written back

  Variant word("yesterday");
  EXPECT_EQ(object_.AllDateStr(&word).ToText(), "yesterday");
  Variant number(5);
  const Variant same = object_.AllDateStr(&number);
  EXPECT_EQ(same.type(), Variant::Type::kLong);
  EXPECT_EQ(same.ToLong(), 5);
}

TEST_F(TimeStringsTest, NonDatesFailWithTypeMismatch) {
  for (auto method : {&Corvane::GetTimeStr, &Corvane::GetDateStr}) {
    Variant word("yesterday");
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
