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

TEST(HourTableTest, CountingClearsTheHoursWithoutVisits) {
  const struct {
    int count, last, hour;
    const char* expected;
  } cases[] = {
      {0, 5, 5, "0,0,0,0,0,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5"},  // counted twice
      {7, 5, 6, "7,7,7,7,7,7,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,6"},
      {7, 5, 9, "7,7,7,7,7,7,0,0,0,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,9"},
      {7, 22, 1, "0,1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,0,1"},  // past midnight
      {7, 23, 0, "1,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,0"},
      {7, 10, 9, "0,0,0,0,0,0,0,0,0,1,7,0,0,0,0,0,0,0,0,0,0,0,0,0,9"},  // a day later
  };
  for (const auto& c : cases) {
    HourTable table(Table(c.count, c.last));
    table.Count(c.hour);
    if (c.count == 0) table.Count(c.hour);
    EXPECT_EQ(table.Text(), c.expected) << c.last << " " << c.hour;
    EXPECT_EQ(table.last_hour(), c.hour);
  }
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
