// Copyright Tavolin developers.

#include "bench/load/delivery_ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolin::load {
namespace {

// A chat answer delivering `numbers` (lines marked "m") and naming `newest`.
HttpAnswer Answer(const std::vector<int>& numbers, int newest) {
  std::string body;
  for (const int n : numbers) {
    body += "parent.addsay(" + std::to_string(newest) + ",'m" + std::to_string(n) +
            " from v0','v0','',0,'000000','000000',0,'12:00:00');";
  }
  return {200, body + "parent.ref(" + std::to_string(newest) + ");", ""};
}

// Catches a miscounted delivery (a line lost, seen twice or seen where it may
// not go), a post counted as stored without its line, a delay not taken from
// the post's answer, and a post's answer moving the poller's say id.
TEST(LedgerTest, CountsWhatReachedWhomAndHowSoon) {
  std::vector<Visitor> visitors(9);  // rooms by i % 4: v0, v4, v8 share one
  Ledger ledger(visitors, std::chrono::seconds(3), 1, "m");
  ledger.Plan(0, 0);  // public in v0's room
  ledger.Plan(1, 1);  // public in v1's room, its post fails
  ledger.Plan(2, 0);  // private from v0 to v4
  EXPECT_TRUE(ledger.TakeAnswer(0, 0, Answer({0}, 10), /*record=*/false));
  EXPECT_FALSE(ledger.TakeAnswer(1, 1, Answer({}, 11), /*record=*/false));
  EXPECT_TRUE(ledger.TakeAnswer(0, 2, Answer({2}, 12), /*record=*/false));
  EXPECT_EQ(visitors[0].last_say_id, 0);
  ledger.lines[0].answered = Clock::now() + std::chrono::hours(1);  // delivered before it
  ledger.lines[2].answered = Clock::now() - std::chrono::hours(1);

  const std::vector<std::pair<int, std::vector<int>>> polls = {
      {0, {0, 2}}, {4, {0, 2}}, {4, {2}}, {8, {2}}, {1, {0, 1}}};
  for (const auto& [visitor, numbers] : polls) {
    EXPECT_TRUE(ledger.TakeAnswer(visitor, -1, Answer(numbers, 20 + visitor)));
    EXPECT_EQ(visitors[visitor].last_say_id, 20 + visitor);
  }
  EXPECT_FALSE(ledger.TakeAnswer(5, -1, {200, "<html>", ""}));

  DeliveryCount count = Account(ledger);
  EXPECT_EQ(count.lines, 2u);
  EXPECT_EQ(count.deliveries, 4u);  // v0 and v4 got 0 and 2
  EXPECT_EQ(count.lost, 1u);        // v8 lacks 0; v5 lacks nothing stored
  EXPECT_EQ(count.duplicated, 1u);  // v4 got 2 twice
  EXPECT_EQ(count.leaked, 2u);      // 2 to v8, 0 to v1
  EXPECT_EQ(count.delay.PercentileMs(0.5), 0);
  EXPECT_GE(count.delay.PercentileMs(1.0), 3'600'000);
}

}  // namespace
}  // namespace tavolin::load
