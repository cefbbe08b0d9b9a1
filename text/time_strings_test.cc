// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

TEST(TimeStringsTest, FieldsAreTwoDigitsWideAndWhatIsNoDateFailsOrComesBack) {
  ManualClockEnv env(DateTime::FromCivil(2003, 4, 9, 9, 5, 7));
  Corvane object(&env);
  EXPECT_EQ(object.AllDateStr().ToText(), "2003-04-09 09:05:07");  // no argument: the clock
  env.Advance(24 * 3600 + 3600);
  EXPECT_EQ(object.GetTimeStr().ToText() + " " + object.GetDateStr().ToText(),
            "10:05:07 2003-04-10");
  const std::pair<Variant, const char*> cases[] = {
      {DateTime::FromCivil(2024, 1, 1, 0, 0, 0), "00:00:00 2024-01-01 2024-01-01 00:00:00"},
      {DateTime::FromCivil(2023, 12, 31, 23, 59, 59), "23:59:59 2023-12-31 2023-12-31 23:59:59"},
      {"2003/4/9 9:5:7", "09:05:07 2003-04-09 2003-04-09 09:05:07"},  // short forms padded
      {"2010-11-12 13:14:15", "13:14:15 2010-11-12 2010-11-12 13:14:15"},
      {"09:05", "09:05:00 1899-12-30 1899-12-30 09:05:00"},  // a time alone: the zero date
      {DateTime::FromCivil(5, 1, 2), "00:00:00 05-01-02 05-01-02 00:00:00"},  // year padded alike
      {"yesterday", "error error yesterday"},  // no date: fails, or comes back whole
  };
  for (const auto& [when, strings] : cases) {
    Variant argument = when;
    std::string got;
    for (auto method : {&Corvane::GetTimeStr, &Corvane::GetDateStr, &Corvane::AllDateStr}) {
      std::string text;
      try {
        text = (object.*method)(&argument).ToText();
      } catch (const CallError& e) {
        text = e.code() == ErrorCode::kTypeMismatch ? "error" : "another error";
      }
      got += (got.empty() ? "" : " ") + text;
    }
    EXPECT_EQ(got, strings);
    EXPECT_EQ(argument.ToText(), when.ToText());  // not written back
  }
  Variant number(5);
  EXPECT_EQ(object.AllDateStr(&number).type(), Variant::Type::kLong);
}

}  // namespace
}  // namespace tavolin
