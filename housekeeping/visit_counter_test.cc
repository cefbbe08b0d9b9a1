// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "housekeeping/housekeeping_testing.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;
using testing::CountOf;
using testing::DaysAgo;

constexpr char kSeededHours[] = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0";

// Hours 0 to 23 all holding `count`, and `last` as the last hour.
std::string Hours(int count, int last) {
  std::string text;
  for (int i = 0; i < 24; ++i) text += std::to_string(count) + ",";
  return text + std::to_string(last);
}

class VisitCounterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    object_ = chat_.NewObject();
    object_->InitGlobal(chat_.app());
  }

  // A counted login on 2026-03-`day` at `hour`:`minute`.
  void Visit(int day, int hour, int minute) {
    chat_.clock().Set(DateTime::FromCivil(2026, 3, day, hour, minute, 0));
    HousekeepingTestPeer::TallyVisit(*object_, chat_.app(), chat_.clock().Now());
  }

  std::string Stored(const std::string& alias) {
    return chat_.db()
        .Execute("SELECT body FROM sysparam WHERE alias=?", {alias})
        ->Field("body")
        .ToText();
  }
  void AddOldCall() {
    chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat_, 30)});
  }
  int32_t Calls() { return CountOf(chat_, "SELECT count(*) AS n FROM calls"); }

  ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_;
};

TEST_F(VisitCounterTest, SameHourCountsInApplicationStateOnlyANewHourStores) {
  chat_.Set("_hour24", Variant(Hours(0, 5)));
  chat_.Set("_visitor", Variant("41"));
  Visit(4, 5, 30);
  EXPECT_EQ(chat_.Get("_hour24").ToText(), "0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5");
  EXPECT_EQ(chat_.Get("_visitor").ToText(), "42");
  EXPECT_EQ(Stored("hour24"), kSeededHours);
  EXPECT_EQ(Stored("visitor"), "0");

  // A new hour, here across midnight, stores both counters.
  chat_.Set("_hour24", Variant(Hours(3, 22)));
  chat_.Set("_visitor", Variant());  // absent counts as 0
  Visit(5, 1, 10);
  const std::string after_midnight = "0,1,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1";
  EXPECT_EQ(chat_.Get("_hour24").ToText(), after_midnight);
  EXPECT_EQ(Stored("hour24"), after_midnight);
  EXPECT_EQ(Stored("visitor"), "1");

  // The next visits of that hour stay in application state.
  Visit(5, 1, 50);
  EXPECT_EQ(chat_.Get("_hour24").ToText(), "0,2,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,0,1");
  EXPECT_EQ(chat_.Get("_visitor").ToText(), "2");
  EXPECT_EQ(Stored("hour24"), after_midnight);
  EXPECT_EQ(Stored("visitor"), "1");
}

TEST_F(VisitCounterTest, DailyCleanupRunsOnTheFirstVisitOfHour14Only) {
  chat_.Set("_hour24", Variant(Hours(0, 13)));
  AddOldCall();
  Visit(4, 13, 59);
  EXPECT_EQ(Calls(), 1);
  Visit(4, 14, 2);
  EXPECT_EQ(Calls(), 0);
  EXPECT_EQ(Stored("hour24").substr(Stored("hour24").rfind(',')), ",14");

  AddOldCall();
  Visit(4, 14, 30);
  EXPECT_EQ(Calls(), 1);
  // A visit at 14 on the next day, with none counted since, is the same hour.
  Visit(5, 14, 30);
  EXPECT_EQ(Calls(), 1);
  EXPECT_EQ(chat_.Get("_hour24").ToText(), "0,0,0,0,0,0,0,0,0,0,0,0,0,1,3,0,0,0,0,0,0,0,0,0,14");
}

TEST_F(VisitCounterTest, FailuresLeaveTheCountersUnstored) {
  chat_.Set("_hour24", Variant(Hours(0, 13)));
  chat_.Set("_friendtimeout", Variant("seven"));
  EXPECT_THROW(Visit(4, 14, 2), CallError);
  EXPECT_EQ(chat_.Get("_visitor").ToText(), "1");  // counted before the cleanup
  EXPECT_EQ(chat_.Get("_hour24").ToText(), Hours(0, 13));
  EXPECT_EQ(Stored("hour24"), kSeededHours);
  EXPECT_EQ(Stored("visitor"), "0");

  // Malformed counters are errors; the total is counted first.
  chat_.Set("_hour24", Variant("0,0,0"));
  EXPECT_THROW(Visit(4, 10, 0), CallError);
  EXPECT_EQ(chat_.Get("_visitor").ToText(), "2");

  chat_.Set("_hour24", Variant(Hours(0, 10)));
  chat_.Set("_visitor", Variant("many"));
  EXPECT_THROW(Visit(4, 10, 5), CallError);
  EXPECT_EQ(chat_.Get("_hour24").ToText(), Hours(0, 10));
}

}  // namespace
}  // namespace tavolin
