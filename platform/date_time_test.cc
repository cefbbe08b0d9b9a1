// Copyright Tavolin developers.

#include "tavolin/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tavolin/error.h"

namespace tavolin {
namespace {

std::optional<ErrorCode> FromCivilError(int year, int month, int day, int hour = 0, int minute = 0,
                                        int second = 0) {
  try {
    DateTime::FromCivil(year, month, day, hour, minute, second);
  } catch (const CallError& error) {
    return error.code();
  }
  return std::nullopt;
}

TEST(DateTimeTest, CalendarAgreesWithDayByDayCounting) {
  // Walk the calendar one day at a time with the plain month-length rules and
  // compare every day with the day-number arithmetic, across both centuries
  // rules and far before 1970.
  int year = 1600, month = 1, day = 1;
  const int64_t first = DateTime::FromCivil(1600, 1, 1).DayNumber();
  for (int64_t n = first; year < 2401; ++n) {
    const DateTime date = DateTime::FromSecondsSinceEpoch(n * 86400 + 3723);
    ASSERT_EQ(date.year(), year) << n;
    ASSERT_EQ(date.month(), month) << n;
    ASSERT_EQ(date.day(), day) << n;
    ASSERT_EQ(date.DayNumber(), n);
    ASSERT_EQ(DateTime::FromCivil(year, month, day, 1, 2, 3), date);

    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++day > length[month - 1]) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
}

TEST(DateTimeTest, FixedPointsAndFields) {
  EXPECT_EQ(DateTime::FromCivil(1970, 1, 1).SecondsSinceEpoch(), 0);
  EXPECT_EQ(DateTime(), DateTime::FromCivil(1899, 12, 30));
  EXPECT_EQ(DateTime().ToString(), "1899-12-30 00:00:00");

  // One second before the epoch belongs to the previous day.
  const DateTime before = DateTime::FromSecondsSinceEpoch(-1);
  EXPECT_EQ(before.ToString(), "1969-12-31 23:59:59");
  EXPECT_EQ(before.hour(), 23);
  EXPECT_EQ(before.minute(), 59);
  EXPECT_EQ(before.second(), 59);
  EXPECT_EQ(before.DayNumber(), -1);

  const DateTime t = DateTime::FromCivil(2024, 2, 29, 7, 5, 9);
  EXPECT_EQ(t.ToString(), "2024-02-29 07:05:09");
  EXPECT_EQ(t.AddSeconds(86400).ToString(), "2024-03-01 07:05:09");
  EXPECT_LT(t, t.AddSeconds(1));

  EXPECT_EQ(FromCivilError(1900, 2, 29), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2000, 2, 29), std::nullopt);
  EXPECT_EQ(FromCivilError(2023, 4, 31), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 13, 1), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 0, 1), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 1, 0), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 1, 1, 24), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 1, 1, 0, 60), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 1, 1, 0, 0, 60), ErrorCode::kTypeMismatch);
  EXPECT_EQ(FromCivilError(2023, 1, 1, 0, 0, -1), ErrorCode::kTypeMismatch);
}

TEST(DateTimeTest, SerialForm) {
  EXPECT_EQ(DateTime().ToSerial(), 0.0);
  EXPECT_EQ(DateTime::FromCivil(1900, 1, 1).ToSerial(), 2.0);
  EXPECT_EQ(DateTime::FromCivil(2000, 1, 1, 18).ToSerial(), 36526.75);
  EXPECT_EQ(DateTime::FromSerial(36526.75), DateTime::FromCivil(2000, 1, 1, 18));
  // Before day zero the fraction still counts forward from midnight.
  EXPECT_EQ(DateTime::FromSerial(-1.25).ToString(), "1899-12-29 06:00:00");
  EXPECT_EQ(DateTime::FromCivil(1899, 12, 29, 6).ToSerial(), -1.25);
  // Serials are read to the nearest second.
  EXPECT_EQ(DateTime::FromSerial(0.5 + 0.4 / 86400).ToString(), "1899-12-30 12:00:00");
  EXPECT_EQ(DateTime::FromSerial(1 - 0.2 / 86400).ToString(), "1899-12-31 00:00:00");

  const DateTime t = DateTime::FromCivil(2031, 7, 14, 23, 59, 58);
  EXPECT_EQ(DateTime::FromSerial(t.ToSerial()), t);

  for (double bad : {3e6, -7e5, std::nan("")}) {
    try {
      DateTime::FromSerial(bad);
      ADD_FAILURE() << bad;
    } catch (const CallError& error) {
      EXPECT_EQ(error.code(), ErrorCode::kOverflow);
    }
  }
}

TEST(DateTimeTest, ParseAcceptsThePlatformForms) {
  const struct {
    const char* text;
    const char* expected;
  } accepted[] = {
      {"2024-03-05 07:08:09", "2024-03-05 07:08:09"},
      {"  2024-3-5   7:8:9\t", "2024-03-05 07:08:09"},
      {"2024/12/31 23:59:59", "2024-12-31 23:59:59"},
      {"2024-02-29", "2024-02-29 00:00:00"},
      {"1969/1/2", "1969-01-02 00:00:00"},
      {"13:45:01", "1899-12-30 13:45:01"},
      {"9:05", "1899-12-30 09:05:00"},
  };
  for (const auto& c : accepted) {
    const std::optional<DateTime> parsed = DateTime::Parse(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(parsed->ToString(), c.expected) << c.text;
  }
  for (const char* text :
       {"", "2024", "24-03-05", "2024-03", "2024-03-05 07", "2024-03-05 7:08", "2024-03/05",
        "2024-13-01", "2023-02-29", "2024-003-05", "2024-03-05T07:08:09", "2024-03-05 24:00:00",
        "12:60", "12", "12:00:00 PM", "2024-03-05 07:08:09x", "-2024-03-05", "1:2:3:4"}) {
    EXPECT_FALSE(DateTime::Parse(text).has_value()) << text;
  }
}

TEST(DateTimeTest, DateDiffCountsBoundaries) {
  const DateTime late = DateTime::FromCivil(2024, 3, 5, 23, 59, 59);
  const DateTime midnight = late.AddSeconds(1);
  EXPECT_EQ(DateDiff("d", late, midnight), 1);
  EXPECT_EQ(DateDiff("D", midnight, late), -1);
  EXPECT_EQ(DateDiff("h", late, midnight), 1);
  EXPECT_EQ(DateDiff("n", late, midnight), 1);
  EXPECT_EQ(DateDiff("s", late, midnight), 1);

  const DateTime morning = DateTime::FromCivil(2024, 3, 5, 0, 0, 0);
  EXPECT_EQ(DateDiff("d", morning, late), 0);
  EXPECT_EQ(DateDiff("H", morning, late), 23);
  EXPECT_EQ(DateDiff("N", morning, late), 1439);
  EXPECT_EQ(DateDiff("S", morning, late), 86399);

  const DateTime a = DateTime::FromCivil(2024, 3, 5, 10, 0, 59);
  EXPECT_EQ(DateDiff("n", a, a.AddSeconds(1)), 1);
  EXPECT_EQ(DateDiff("n", a.AddSeconds(-59), a), 0);
  EXPECT_EQ(DateDiff("n", a, a.AddSeconds(-60)), -1);

  // Before 1970 the containing minute and day are found by flooring.
  const DateTime old = DateTime::FromCivil(1960, 5, 5, 10, 0, 30);
  EXPECT_EQ(DateDiff("n", old, old.AddSeconds(40)), 1);
  EXPECT_EQ(DateDiff("n", old, old.AddSeconds(29)), 0);
  EXPECT_EQ(DateDiff("d", DateTime::FromSecondsSinceEpoch(-1), DateTime::FromSecondsSinceEpoch(0)),
            1);
  EXPECT_EQ(DateDiff("d", DateTime(), DateTime::FromCivil(2000, 1, 1, 23)), 36526);

  for (const char* bad : {"x", "", "dd", "m", "yyyy"}) {
    try {
      DateDiff(bad, a, a);
      ADD_FAILURE() << bad;
    } catch (const CallError& error) {
      EXPECT_EQ(error.code(), ErrorCode::kInvalidProcedureCall) << bad;
    }
  }
}

}  // namespace
}  // namespace tavolin
