// Copyright Tavolin developers.

#include "server/session_store.h"

#include <gtest/gtest.h>

#include <set>

namespace tavolin::server {
namespace {

TEST(SessionStoreTest, SessionsLiveWhileUsedAndEnd) {
  auto now = std::chrono::steady_clock::time_point{};
  SessionStore store(std::chrono::minutes(20), [&now] { return now; });
  auto [id, session] = store.Create();
  EXPECT_EQ(id.size(), 32U);
  session->Set("myname", Variant("ann"));
  EXPECT_EQ(store.Find(id)->Get("myname").ToText(), "ann");
  EXPECT_EQ(store.Find("not-an-id"), nullptr);

  // Use restarts the idle time; twenty idle minutes and one second end it.
  now += std::chrono::minutes(19);
  EXPECT_NE(store.Find(id), nullptr);
  now += std::chrono::minutes(20);
  EXPECT_NE(store.Find(id), nullptr);
  now += std::chrono::minutes(20) + std::chrono::seconds(1);
  EXPECT_EQ(store.Find(id), nullptr);

  auto [second, unused] = store.Create();
  store.End(second);
  EXPECT_EQ(store.Find(second), nullptr);
}

TEST(SessionStoreTest, IdentifiersAreDistinctAndIdleOnesAreSwept) {
  auto now = std::chrono::steady_clock::time_point{};
  SessionStore store(std::chrono::minutes(20), [&now] { return now; });
  std::set<std::string> ids;
  for (int i = 0; i < 200; ++i) ids.insert(store.Create().first);
  EXPECT_EQ(ids.size(), 200U);
  EXPECT_EQ(store.size(), 200U);
  now += std::chrono::hours(1);
  store.Create();
  EXPECT_EQ(store.size(), 1U);
}

}  // namespace
}  // namespace tavolin::server
