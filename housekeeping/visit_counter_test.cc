// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "housekeeping/hour_table.h"
#include "housekeeping/housekeeping_testing.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::DaysAgo;

// Hours 0 to 23 all holding `count`, and `last` as the last hour.
std::string Hours(int count, int last) {
  std::string text;
  for (int i = 0; i < 24; ++i) text += std::to_string(count) + ",";
  return text + std::to_string(last);
}

TEST(HourTableTest, CountingClearsTheHoursWithoutVisitsAndRefusesMalformedTables) {
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
    HourTable table(Hours(c.count, c.last));
    table.Count(c.hour);
    if (c.count == 0) table.Count(c.hour);
    EXPECT_EQ(table.Text(), c.expected) << c.last << " " << c.hour;
    EXPECT_EQ(table.last_hour(), c.hour);
  }
  for (const std::string& bad : {std::string("0,0,0"), std::string(), Hours(0, 0) + "x"}) {
    EXPECT_THROW(HourTable{bad}, CallError) << bad;
  }
  // A count that is no number; a last hour whose element -2 does not exist.
  for (const std::string& bad : {"0,0,0,0,0,x" + Hours(0, 5).substr(11), Hours(0, -3)}) {
    HourTable table(bad);
    EXPECT_THROW(table.Count(5), CallError) << bad;
  }
}

class VisitCounterTest : public ::testing::Test {
 protected:
  void SetUp() override { object_->InitGlobal(chat_.app()); }

  // A counted login on 2026-03-`day` at `hour`:`minute`.
  void Visit(int day, int hour, int minute) {
    chat_.clock().Set(DateTime::FromCivil(2026, 3, day, hour, minute, 0));
    HousekeepingTestPeer::TallyVisit(*object_, chat_.app(), chat_.clock().Now());
  }
  // The two counters in application state, then as stored.
  std::string Counters() {
    std::string stored;
    for (const char* alias : {"hour24", "visitor"}) {
      stored += " " + chat_.db()
                          .Execute("SELECT body FROM sysparam WHERE alias=?", {alias})
                          ->Field("body")
                          .ToText();
    }
    return chat_.Get("_hour24").ToText() + " " + chat_.Get("_visitor").ToText() + " |" + stored;
  }
  void AddOldCall() {
    chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat_, 30)});
  }
  int32_t Calls() { return testing::CountOf(chat_, "SELECT count(*) AS n FROM calls"); }

  testing::ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
};

TEST_F(VisitCounterTest, SameHourCountsInApplicationStateOnlyANewHourStores) {
  const std::string seeded = " | " + Hours(0, 0) + " 0";
  chat_.Set("_hour24", Variant(Hours(0, 5)));
  chat_.Set("_visitor", Variant("41"));
  Visit(4, 5, 30);
  EXPECT_EQ(Counters(), "0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5 42" + seeded);

  // A new hour, here across midnight, stores both counters; absent counts as 0.
  chat_.Set("_hour24", Variant(Hours(3, 22)));
  chat_.Set("_visitor", Variant());
  Visit(5, 1, 10);
  const std::string stored = "0,1,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1 1";
  EXPECT_EQ(Counters(), stored + " | " + stored);
  // The next visits of that hour stay in application state.
  Visit(5, 1, 50);
  EXPECT_EQ(Counters(), "0,2,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1 2 | " + stored);
}

TEST_F(VisitCounterTest, DailyCleanupRunsOnTheFirstVisitOfHour14Only) {
  chat_.Set("_hour24", Variant(Hours(0, 13)));
  AddOldCall();
  Visit(4, 13, 59);
  EXPECT_EQ(Calls(), 1);
  Visit(4, 14, 2);
  EXPECT_EQ(Calls(), 0);
  AddOldCall();
  Visit(4, 14, 30);
  // A visit at 14 on the next day, with none counted since, is the same hour.
  Visit(5, 14, 30);
  EXPECT_EQ(Calls(), 1);
}

TEST_F(VisitCounterTest, FailuresLeaveTheCountersUnstored) {
  const std::string seeded = " | " + Hours(0, 0) + " 0";
  chat_.Set("_hour24", Variant(Hours(0, 13)));
  chat_.Set("_friendtimeout", Variant("seven"));
  EXPECT_THROW(Visit(4, 14, 2), CallError);
  EXPECT_EQ(Counters(), Hours(0, 13) + " 1" + seeded);  // counted before the cleanup

  // Malformed counters are errors; the total is counted first.
  chat_.Set("_hour24", Variant("0,0,0"));
  EXPECT_THROW(Visit(4, 10, 0), CallError);
  EXPECT_EQ(Counters(), "0,0,0 2" + seeded);
  chat_.Set("_hour24", Variant(Hours(0, 10)));
  chat_.Set("_visitor", Variant("many"));
  EXPECT_THROW(Visit(4, 10, 5), CallError);
  EXPECT_EQ(Counters(), Hours(0, 10) + " many" + seeded);
}

}  // namespace
}  // namespace tavolin
