// Copyright Tavolin developers.

#include "tavolin/date_time.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "tavolin/error.h"

namespace tavolin {
namespace {

std::optional<ErrorCode> ErrorOf(const std::function<void()>& action) {
  try {
    action();
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
  for (int64_t n = DateTime::FromCivil(1600, 1, 1).DayNumber(); year < 2401; ++n) {
    const DateTime date = DateTime::FromSecondsSinceEpoch(n * 86400 + 3723);
    ASSERT_EQ(date, DateTime::FromCivil(year, month, day, 1, 2, 3)) << n;
    ASSERT_EQ(date.year() * 10000 + date.month() * 100 + date.day(),
              year * 10000 + month * 100 + day);
    ASSERT_EQ(date.DayNumber(), n);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++day > length[month - 1]) {
      day = 1;
      if (++month > 12) month = 1, ++year;
    }
  }
}

TEST(DateTimeTest, FieldsTextAndSerialForms) {
  EXPECT_EQ(DateTime::FromCivil(1970, 1, 1).SecondsSinceEpoch(), 0);
  EXPECT_EQ(DateTime().ToString(), "1899-12-30 00:00:00");
  // One second before the epoch belongs to the previous day.
  const DateTime before = DateTime::FromSecondsSinceEpoch(-1);
  EXPECT_EQ(before.ToString(), "1969-12-31 23:59:59");
  EXPECT_EQ(before.hour() * 3600 + before.minute() * 60 + before.second(), 86399);
  EXPECT_EQ(before.DayNumber(), -1);
  const DateTime t = DateTime::FromCivil(2024, 2, 29, 7, 5, 9);
  EXPECT_EQ(t.AddSeconds(86400).ToString(), "2024-03-01 07:05:09");
  EXPECT_LT(t, t.AddSeconds(1));

  for (const auto& [y, m, d, h, n, s] : std::vector<std::array<int, 6>>{{1900, 2, 29, 0, 0, 0},
                                                                        {2023, 4, 31, 0, 0, 0},
                                                                        {2023, 13, 1, 0, 0, 0},
                                                                        {2023, 0, 1, 0, 0, 0},
                                                                        {2023, 1, 0, 0, 0, 0},
                                                                        {2023, 1, 1, 24, 0, 0},
                                                                        {2023, 1, 1, 0, 60, 0},
                                                                        {2023, 1, 1, 0, 0, 60},
                                                                        {2023, 1, 1, 0, 0, -1}}) {
    EXPECT_EQ(ErrorOf([&] { DateTime::FromCivil(y, m, d, h, n, s); }), ErrorCode::kTypeMismatch)
        << y << "-" << m << "-" << d << " " << h << ":" << n << ":" << s;
  }
  EXPECT_EQ(ErrorOf([] { DateTime::FromCivil(2000, 2, 29); }), std::nullopt);

  EXPECT_EQ(DateTime::FromCivil(1900, 1, 1).ToSerial(), 2.0);
  EXPECT_EQ(DateTime::FromCivil(2000, 1, 1, 18).ToSerial(), 36526.75);
  EXPECT_EQ(DateTime::FromSerial(36526.75), DateTime::FromCivil(2000, 1, 1, 18));
  // Before day zero the fraction still counts forward from midnight.
  EXPECT_EQ(DateTime::FromSerial(-1.25).ToString(), "1899-12-29 06:00:00");
  EXPECT_EQ(DateTime::FromCivil(1899, 12, 29, 6).ToSerial(), -1.25);
  // Serials are read to the nearest second.
  EXPECT_EQ(DateTime::FromSerial(0.5 + 0.4 / 86400).ToString(), "1899-12-30 12:00:00");
  EXPECT_EQ(DateTime::FromSerial(1 - 0.2 / 86400).ToString(), "1899-12-31 00:00:00");
  for (double bad : {3e6, -7e5, std::nan("")}) {
    EXPECT_EQ(ErrorOf([&] { DateTime::FromSerial(bad); }), ErrorCode::kOverflow) << bad;
  }
}

TEST(DateTimeTest, ParseAcceptsThePlatformForms) {
  const std::pair<const char*, const char*> accepted[] = {
      {"2024-03-05 07:08:09", "2024-03-05 07:08:09"},
      {"  2024-3-5   7:8:9\t", "2024-03-05 07:08:09"},
      {"2024/12/31 23:59:59", "2024-12-31 23:59:59"},
      {"2024-02-29", "2024-02-29 00:00:00"},
      {"1969/1/2", "1969-01-02 00:00:00"},
      {"13:45:01", "1899-12-30 13:45:01"},
      {"9:05", "1899-12-30 09:05:00"},
  };
  for (const auto& [text, expected] : accepted) {
    EXPECT_EQ(DateTime::Parse(text).value_or(DateTime()).ToString(), expected) << text;
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
  const DateTime morning = DateTime::FromCivil(2024, 3, 5, 0, 0, 0);
  const DateTime a = DateTime::FromCivil(2024, 3, 5, 10, 0, 59);
  const DateTime old = DateTime::FromCivil(1960, 5, 5, 10, 0, 30);
  const struct {
    const char* interval;
    DateTime from, to;
    int64_t expected;
  } cases[] = {
      {"d", late, late.AddSeconds(1), 1},
      {"D", late.AddSeconds(1), late, -1},
      {"h", late, late.AddSeconds(1), 1},
      {"n", late, late.AddSeconds(1), 1},
      {"s", late, late.AddSeconds(1), 1},
      {"d", morning, late, 0},
      {"H", morning, late, 23},
      {"N", morning, late, 1439},
      {"S", morning, late, 86399},
      {"n", a, a.AddSeconds(1), 1},
      {"n", a.AddSeconds(-59), a, 0},
      {"n", a, a.AddSeconds(-60), -1},
      // Before 1970 the containing minute and day are found by flooring.
      {"n", old, old.AddSeconds(40), 1},
      {"n", old, old.AddSeconds(29), 0},
      {"d", DateTime::FromSecondsSinceEpoch(-1), DateTime::FromSecondsSinceEpoch(0), 1},
      {"d", DateTime(), DateTime::FromCivil(2000, 1, 1, 23), 36526},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateDiff(c.interval, c.from, c.to), c.expected)
        << c.interval << " " << c.from.ToString() << " " << c.to.ToString();
  }
  for (const char* bad : {"x", "", "dd", "m", "yyyy"}) {
    EXPECT_EQ(ErrorOf([&] { DateDiff(bad, a, a); }), ErrorCode::kInvalidProcedureCall) << bad;
  }
}

}  // namespace
}  // namespace tavolin
