// Copyright Tavolin developers.

#include "tavolin/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "testing/call_error.h"

namespace tavolin {
namespace {

using testing::ErrorOf;

// Walks the calendar a day at a time by the plain month-length rules, both century rules and
// far before 1970, against the day-number arithmetic.
TEST(DateTimeTest, CalendarAgreesWithDayByDayCounting) {
  int year = 1600, month = 1, day = 1;
  for (int64_t n = DateTime::FromCivil(1600, 1, 1).DayNumber(); year < 2401; ++n) {
    const DateTime date = DateTime::FromSecondsSinceEpoch(n * 86400 + 3723);
    ASSERT_EQ(date, DateTime::FromCivil(year, month, day, 1, 2, 3)) << n;
    ASSERT_EQ(date.year() * 10000 + date.month() * 100 + date.day(),
              year * 10000 + month * 100 + day);
    ASSERT_EQ(date.DayNumber(), n);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++day > length[month - 1]) day = 1, month = month % 12 + 1, year += month == 1;
  }
}

TEST(DateTimeTest, FieldsTextAndSerialForms) {
  // One second before the epoch belongs to the previous day.
  const DateTime before = DateTime::FromSecondsSinceEpoch(-1);
  const DateTime t = DateTime::FromCivil(2024, 2, 29, 7, 5, 9);
  EXPECT_EQ(std::to_string(DateTime::FromCivil(1970, 1, 1).SecondsSinceEpoch()) + " " +
                DateTime().ToString() + " " + before.ToString() + " " +
                std::to_string(before.hour() * 3600 + before.minute() * 60 + before.second()) +
                " " + std::to_string(before.DayNumber()) + " " + t.AddSeconds(86400).ToString(),
            "0 1899-12-30 00:00:00 1969-12-31 23:59:59 86399 -1 2024-03-01 07:05:09");
  EXPECT_LT(t, t.AddSeconds(1));
  // Year, month, day, hour, minute, second of dates that do not exist.
  const int bad[][6] = {{1900, 2, 29, 0, 0, 0}, {2023, 4, 31, 0, 0, 0}, {2023, 13, 1, 0, 0, 0},
                        {2023, 0, 1, 0, 0, 0},  {2023, 1, 0, 0, 0, 0},  {2023, 1, 1, 24, 0, 0},
                        {2023, 1, 1, 0, 60, 0}, {2023, 1, 1, 0, 0, 60}, {2023, 1, 1, 0, 0, -1}};
  for (const int* f : bad) {
    EXPECT_EQ(ErrorOf([&] { DateTime::FromCivil(f[0], f[1], f[2], f[3], f[4], f[5]); }),
              ErrorCode::kTypeMismatch)
        << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3] << ":" << f[4] << ":" << f[5];
  }
  EXPECT_EQ(ErrorOf([] { DateTime::FromCivil(2000, 2, 29); }), std::nullopt);
  EXPECT_EQ(DateTime::FromCivil(1900, 1, 1).ToSerial(), 2.0);
  // Before day zero the fraction still counts forward from midnight.
  EXPECT_EQ(DateTime::FromCivil(1899, 12, 29, 6).ToSerial(), -1.25);
  // Serials are read to the nearest second.
  EXPECT_EQ(DateTime::FromSerial(-1.25).ToString() + "|" +
                DateTime::FromSerial(0.5 + 0.4 / 86400).ToString() + "|" +
                DateTime::FromSerial(1 - 0.2 / 86400).ToString(),
            "1899-12-29 06:00:00|1899-12-30 12:00:00|1899-12-31 00:00:00");
  for (double bad : {3e6, -7e5, std::nan("")}) {
    EXPECT_EQ(ErrorOf([&] { DateTime::FromSerial(bad); }), ErrorCode::kOverflow) << bad;
  }
}

TEST(DateTimeTest, ParseAcceptsThePlatformForms) {
  std::string read;
  for (const char* text : {"2024-03-05 07:08:09", "  2024-3-5   7:8:9\t", "2024/12/31 23:59:59",
                           "2024-02-29", "1969/1/2", "13:45:01", "9:05"}) {
    read += DateTime::Parse(text).value_or(DateTime()).ToString() + "|";
  }
  EXPECT_EQ(read,
            "2024-03-05 07:08:09|2024-03-05 07:08:09|2024-12-31 23:59:59|2024-02-29 00:00:00|"
            "1969-01-02 00:00:00|1899-12-30 13:45:01|1899-12-30 09:05:00|");
  for (const char* text :
       {"", "2024", "24-03-05", "2024-03", "2024-03-05 07", "2024-03-05 7:08", "2024-03/05",
        "2024-13-01", "2023-02-29", "2024-003-05", "2024-03-05T07:08:09", "2024-03-05 24:00:00",
        "12:60", "12", "12:00:00 PM", "2024-03-05 07:08:09x", "-2024-03-05", "1:2:3:4"}) {
    EXPECT_FALSE(DateTime::Parse(text).has_value()) << text;
  }
}

TEST(DateTimeTest, DateDiffCountsBoundariesCrossed) {
  const DateTime late = DateTime::FromCivil(2024, 3, 5, 23, 59, 59);
  const DateTime a = DateTime::FromCivil(2024, 3, 5, 10, 0, 59);
  const DateTime old = DateTime::FromCivil(1960, 5, 5, 10, 0, 30);
  const struct {
    DateTime from, to;
    const char* days_hours_minutes_seconds;
  } cases[] = {
      {late, late.AddSeconds(1), "1 1 1 1 "},
      {late.AddSeconds(1), late, "-1 -1 -1 -1 "},
      {DateTime::FromCivil(2024, 3, 5), late, "0 23 1439 86399 "},
      {a, a.AddSeconds(1), "0 0 1 1 "},
      {a.AddSeconds(-59), a, "0 0 0 59 "},
      {a, a.AddSeconds(-60), "0 -1 -1 -60 "},
      // Before 1970 the containing minute and day are found by flooring.
      {old, old.AddSeconds(40), "0 0 1 40 "},
      {old, old.AddSeconds(29), "0 0 0 29 "},
      {DateTime::FromSecondsSinceEpoch(-1), DateTime::FromSecondsSinceEpoch(0), "1 1 1 1 "},
  };
  for (const auto& c : cases) {
    std::string counted;
    for (const char* interval : {"d", "H", "n", "S"}) {
      counted += std::to_string(DateDiff(interval, c.from, c.to)) + " ";
    }
    EXPECT_EQ(counted, c.days_hours_minutes_seconds) << c.from.ToString() << " " << c.to.ToString();
  }
  EXPECT_EQ(DateDiff("D", DateTime(), DateTime::FromCivil(2000, 1, 1, 23)), 36526);
  for (const char* bad : {"x", "", "dd", "m", "yyyy"}) {
    EXPECT_EQ(ErrorOf([&] { DateDiff(bad, a, a); }), ErrorCode::kInvalidProcedureCall) << bad;
  }
}

}  // namespace
}  // namespace tavolin
