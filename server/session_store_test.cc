// Copyright Tavolin developers.

#include "server/session_store.h"

#include <gtest/gtest.h>

#include <set>

namespace tavolin::server {
namespace {

TEST(SessionStoreTest, SessionsLiveWhileUsedAndIdleOnesEnd) {
  auto now = std::chrono::steady_clock::time_point{};
  SessionStore store(std::chrono::minutes(20), [&now] { return now; });
  auto [id, session] = store.Create();
  session->Set("myname", Variant("ann"));
  EXPECT_EQ(store.Find(id)->Get("myname").ToText(), "ann");
  EXPECT_EQ(store.Find("not-an-id"), nullptr);
  std::set<std::string> ids = {id};
  for (int i = 0; i < 199; ++i) ids.insert(store.Create().first);
  EXPECT_EQ(ids.size(), 200U);
  // Use restarts the idle time; twenty idle minutes and one second end it.
  for (auto idle : {std::chrono::minutes(19), std::chrono::minutes(20)}) {
    now += idle;
    EXPECT_NE(store.Find(id), nullptr);
  }
  now += std::chrono::minutes(20) + std::chrono::seconds(1);
  EXPECT_EQ(store.Find(id), nullptr);
  const std::string last = store.Create().first;  // and sweeps the idle ones
  EXPECT_EQ(store.size(), 1U);
  store.End(last);
  EXPECT_EQ(store.Find(last), nullptr);
}

}  // namespace
}  // namespace tavolin::server
