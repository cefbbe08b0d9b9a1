// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "housekeeping/hour_table.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/housekeeping_chat.h"

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
    EXPECT_EQ(table.Text() + " " + std::to_string(table.last_hour()),
              c.expected + (" " + std::to_string(c.hour)));
  }
  for (const std::string& bad : {std::string("0,0,0"), std::string(), Hours(0, 0) + "x"}) {
    EXPECT_THROW(HourTable{bad}, CallError) << bad;
  }
  // A count that is no number; a last hour whose element -2 does not exist.
  for (const std::string& bad : {"0,0,0,0,0,x" + Hours(0, 5).substr(11), Hours(0, -3)}) {
    EXPECT_THROW(HourTable(bad).Count(5), CallError) << bad;
  }
}

class VisitCounterTest : public ::testing::Test {
 protected:
  void SetUp() override { object_->InitGlobal(chat_.app()); }

  // A counted login on 2026-03-`day` at `hour`:`minute`; then "error" if it failed, the two
  // counters in application state, then as stored, then the number of calls left.
  std::string Visit(int day, int hour, int minute) {
    chat_.clock().Set(DateTime::FromCivil(2026, 3, day, hour, minute, 0));
    std::string seen;
    try {
      HousekeepingTestPeer::TallyVisit(*object_, chat_.app(), chat_.clock().Now());
    } catch (const CallError&) {
      seen = "error ";
    }
    seen += chat_.Get("_hour24").ToText() + " " + chat_.Get("_visitor").ToText() + " |";
    for (const char* alias : {"hour24", "visitor"}) {
      seen += " " + chat_.db()
                        .Execute("SELECT body FROM sysparam WHERE alias=?", {alias})
                        ->Field("body")
                        .ToText();
    }
    return seen + " | " +
           std::to_string(testing::CountOf(chat_, "SELECT count(*) AS n FROM calls"));
  }
  void Set(const std::string& hours, const Variant& visitor) {
    chat_.Set("_hour24", Variant(hours));
    chat_.Set("_visitor", visitor);
  }

  testing::ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
  const std::string seeded_ = " | " + Hours(0, 0) + " 0 | 0";
};

TEST_F(VisitCounterTest, SameHourCountsInApplicationStateOnlyANewHourStores) {
  Set(Hours(0, 5), "41");
  EXPECT_EQ(Visit(4, 5, 30), "0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5 42" + seeded_);
  // A new hour, here across midnight, stores both counters; absent counts as 0.
  Set(Hours(3, 22), Variant());
  const std::string stored = "0,1,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1 1";
  EXPECT_EQ(Visit(5, 1, 10), stored + " | " + stored + " | 0");
  // The next visits of that hour stay in application state.
  EXPECT_EQ(Visit(5, 1, 50),
            "0,2,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1 2 | " + stored + " | 0");
}

TEST_F(VisitCounterTest, DailyCleanupRunsOnTheFirstVisitOfHour14Only) {
  // The calls left after each visit "day, hour, minute", an old call added first where marked.
  std::string calls;
  chat_.Set("_hour24", Variant(Hours(0, 13)));
  for (const auto& [day, hour, minute, add_call] :
       {std::tuple{4, 13, 59, true}, {4, 14, 2, false}, {4, 14, 30, true}, {5, 14, 30, false}}) {
    if (add_call) {
      chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat_, 30)});
    }
    calls += Visit(day, hour, minute).back();
  }
  // A visit at 14 on the next day, with none counted since, is the same hour.
  EXPECT_EQ(calls, "1011");
}

TEST_F(VisitCounterTest, FailuresLeaveTheCountersUnstored) {
  Set(Hours(0, 13), Variant());
  chat_.Set("_friendtimeout", Variant("seven"));
  EXPECT_EQ(Visit(4, 14, 2),
            "error " + Hours(0, 13) + " 1" + seeded_);  // counted before the cleanup
  // Malformed counters are errors; the total is counted first.
  Set("0,0,0", "1");
  EXPECT_EQ(Visit(4, 10, 0), "error 0,0,0 2" + seeded_);
  Set(Hours(0, 10), "many");
  EXPECT_EQ(Visit(4, 10, 5), "error " + Hours(0, 10) + " many" + seeded_);
}

}  // namespace
}  // namespace tavolin
