// Copyright Tavolin developers.

#include "housekeeping/hour_table.h"

#include <gtest/gtest.h>

#include <string>

#include "tavolin/error.h"

namespace tavolin {
namespace {

// Hours 0 to 23 all holding `count`, and `last` as the last hour.
std::string Table(int count, int last) {
  std::string text;
  for (int i = 0; i < 24; ++i) text += std::to_string(count) + ",";
  return text + std::to_string(last);
}

TEST(HourTableTest, SameHourAddsToItsCount) {
  HourTable table(Table(0, 5));
  table.Count(5);
  table.Count(5);
  EXPECT_EQ(table.Text(), "0,0,0,0,0,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5");
}

TEST(HourTableTest, NewHourClearsTheHoursWithoutVisits) {
  HourTable next(Table(7, 5));
  next.Count(6);  // nothing passed in between
  EXPECT_EQ(next.Text(), "7,7,7,7,7,7,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,6");

  HourTable skipped(Table(7, 5));
  skipped.Count(9);
  EXPECT_EQ(skipped.Text(), "7,7,7,7,7,7,0,0,0,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,9");
  EXPECT_EQ(skipped.last_hour(), 9);

  HourTable midnight(Table(7, 22));
  midnight.Count(1);
  EXPECT_EQ(midnight.Text(), "0,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,0,1");

  HourTable from_last_hour(Table(7, 23));
  from_last_hour.Count(0);
  EXPECT_EQ(from_last_hour.Text(), "1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,0");

  HourTable back_to_earlier(Table(7, 10));  // a day later, an hour earlier
  back_to_earlier.Count(9);
  EXPECT_EQ(back_to_earlier.Text(), "0,0,0,0,0,0,0,0,0,1,7,0,0,0,0,0,0,0,0,0,0,0,0,0,9");
}

TEST(HourTableTest, MalformedTablesAreErrors) {
  EXPECT_THROW(HourTable("0,0,0"), CallError);
  EXPECT_THROW(HourTable(""), CallError);
  EXPECT_THROW(HourTable(Table(0, 0) + "x"), CallError);  // last hour "0x"
  HourTable bad_count("0,0,0,0,0,x,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5");
  EXPECT_THROW(bad_count.Count(5), CallError);
  HourTable negative_last(Table(0, -3));
  EXPECT_THROW(negative_last.Count(4), CallError);  // element -2 does not exist
}

}  // namespace
}  // namespace tavolin
