// Copyright Tavolin developers.

#include "tavolin/connection_pool.h"

#include <gtest/gtest.h>

#include <string>

#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

// A temporary table belongs to its connection: seeing it again shows that
// the pool handed the same connection out again.
bool SeesTemporaryTable(Connection& db) {
  return db.Execute("SELECT count(*) AS n FROM sqlite_temp_master WHERE name = 'mark'")
             ->Field("n")
             .ToLong() == 1;
}

TEST(ConnectionPoolTest, ReusesOnlyConnectionsThatCanServeAnotherCaller) {
  testing::TempDatabase file;
  ManualClockEnv clock(DateTime::FromCivil(2026, 3, 4, 10, 0, 0));
  Application application;
  ConnectionPool& pool = *ConnectionPoolOf(application);
  EXPECT_EQ(&pool, ConnectionPoolOf(application).get());
  const std::string path = file.connection_string();

  // A file connection that is let go comes back to the next caller.
  pool.Open(path, &clock, "")->Execute("CREATE TEMP TABLE mark (x)");
  {
    auto again = pool.Open(path, &clock, "");
    EXPECT_TRUE(SeesTemporaryTable(*again));
    // Two callers at once get two connections.
    EXPECT_FALSE(SeesTemporaryTable(*pool.Open(path, &clock, "")));
    // One left inside a transaction is closed, not handed on.
    again->Execute("BEGIN");
  }
  EXPECT_FALSE(SeesTemporaryTable(*pool.Open(path, &clock, "")));

  // Another clock is another pool entry; a memory database is never kept.
  ManualClockEnv other_clock(clock.Now());
  pool.Open(path, &clock, "")->Execute("CREATE TEMP TABLE mark (x)");
  EXPECT_FALSE(SeesTemporaryTable(*pool.Open(path, &other_clock, "")));
  pool.Open("sqlite::memory:", &clock, "")->Execute("CREATE TABLE kept (x)");
  EXPECT_THROW(pool.Open("sqlite::memory:", &clock, "")->Execute("SELECT * FROM kept"), CallError);
}

}  // namespace
}  // namespace tavolin
