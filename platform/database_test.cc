// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tavolin/connection_pool.h"
#include "tavolin/database.h"
#include "tavolin/error.h"
#include "testing/call_error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ErrorOf;
using Columns = std::vector<std::string_view>;

// The remaining rows, each column as "Type:text;" and each row ended by "|".
std::string Rows(RecordSet& rows, const Columns& columns = {"v"}) {
  static const char* const kTypes[] = {"Empty", "Null",   "Boolean", "Integer",
                                       "Long",  "Double", "Date",    "String"};
  std::string seen;
  for (; !rows.eof(); rows.MoveNext(), seen += "|") {
    for (std::string_view column : columns) {
      const Variant value = rows.Field(column);
      seen += kTypes[static_cast<int>(value.type())] +
              (":" + (value.is_null() ? "" : value.ToText()) + ";");
    }
  }
  return seen;
}

std::string Query(Connection& db, std::string_view query, const std::vector<Variant>& params = {},
                  const Columns& columns = {"v"}) {
  return Rows(*db.Execute(query, params), columns);
}

class DatabaseTest : public ::testing::Test {
 protected:
  ManualClockEnv env_{DateTime::FromCivil(2024, 3, 10, 14, 5, 9)};
  std::unique_ptr<Connection> db_ = OpenConnection("sqlite::memory:", &env_);
  testing::TempDatabase file_;
};

TEST_F(DatabaseTest, BindsParametersAndConvertsColumnsByTheirType) {
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, n INTEGER, r REAL, s TEXT, d DATETIME, x)");
  db_->Execute("INSERT INTO t (n, r, s, d, x) VALUES (?, ?, ?, ?, ?)",
               {int16_t{7}, 2.5, "O'Brien; DROP TABLE t", DateTime::FromCivil(2024, 1, 2, 3, 4, 5),
                Variant::Null()});
  db_->Execute("INSERT INTO t (n, r, s, d, x) VALUES (?, ?, ?, ?, 3000000000)",
               {true, Variant(), "not a date", "2024-1-2"});
  db_->Execute("INSERT INTO t (n, d) VALUES (?, ?)", {false, "garbage"});
  // True binds as -1, Empty as ""; beyond 32 bits is a Double; a date column's non-date stays text.
  EXPECT_EQ(Query(*db_, "SELECT * FROM t ORDER BY ID", {}, {"id", "N", "r", "S", "d", "x"}),
            "Long:1;Long:7;Double:2.5;String:O'Brien; DROP TABLE t;Date:2024-01-02 03:04:05;Null:;|"
            "Long:2;Long:-1;String:;String:not a date;Date:2024-01-02 00:00:00;Double:3000000000;|"
            "Long:3;Long:0;Null:;Null:;String:garbage;Null:;|");
  EXPECT_EQ(Query(*db_, "SELECT count(*) AS total, max(n) AS m, 1.5 * 2 AS p FROM t", {},
                  {"TOTAL", "m", "p"}),
            "Long:3;Long:7;Double:3;|");
}

TEST_F(DatabaseTest, RecordSetWalksForwardOnceAndOutlivesItsConnection) {
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT)");
  std::unique_ptr<RecordSet> empty = db_->Execute("SELECT name FROM t");
  EXPECT_TRUE(empty->eof() && empty->bof());
  EXPECT_EQ(ErrorOf([&] { empty->Field("name"); }), ErrorCode::kDatabase);
  EXPECT_TRUE(db_->Execute("INSERT INTO t (name) VALUES ('a'), ('b'), ('c')")->eof());
  std::unique_ptr<RecordSet> rows = db_->Execute("SELECT name FROM t ORDER BY ID DESC"),
                             closed = db_->Execute("SELECT name FROM t"),
                             kept = db_->Execute("SELECT name FROM t ORDER BY ID");
  EXPECT_EQ(Rows(*rows, {"name"}), "String:c;|String:b;|String:a;|");
  closed->Close();
  db_.reset();
  EXPECT_TRUE(!rows->bof() && closed->eof() && kept->Field("name").view() == "a");
  EXPECT_THROW(rows->MoveNext(), CallError);
  EXPECT_THROW(closed->Field("name"), CallError);
}

TEST_F(DatabaseTest, BadConnectionStringsAndCommandsFailAndChangeNothing) {
  for (const std::string bad : {"", "sqlite:", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb",
                                "odbc:chat", "sqlite:/no/such/directory/chat.db"}) {
    EXPECT_EQ(ErrorOf([&] { OpenConnection(bad, &env_); }), ErrorCode::kDatabase) << bad;
  }
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)");
  db_->Execute("INSERT INTO t (name) VALUES ('tom')");
  for (const char* command :
       {"", "SELEC name FROM t", "SELECT name FROM missing", "SELECT name, ? FROM t",
        "INSERT INTO t (name) VALUES ('ann'); DELETE FROM t",
        "SELECT datediff('d', 'yesterday', '2024-01-01')",
        "SELECT datediff('q', '2024-01-01', '2024-01-01')"}) {
    EXPECT_EQ(ErrorOf([&] { db_->Execute(command); }), ErrorCode::kDatabase) << command;
  }
  // An array, a taken name, a Null, a value too many.
  for (const std::vector<Variant>& params : std::vector<std::vector<Variant>>{
           {VariantArray(0, 1)}, {"tom"}, {Variant::Null()}, {"ann", "bob"}}) {
    EXPECT_EQ(ErrorOf([&] { db_->Execute("INSERT INTO t (name) VALUES (?)", params); }),
              ErrorCode::kDatabase);
  }
  db_->Execute("INSERT INTO t (name) VALUES ('ann'); -- done");  // a comment is no statement
  EXPECT_EQ(Query(*db_, "SELECT name AS v FROM t ORDER BY ID"), "String:tom;|String:ann;|");
}

TEST_F(DatabaseTest, DateDiffTakesDateTextsAndNullsAndNowReadsTheClock) {
  const std::pair<std::vector<Variant>, const char*> cases[] = {
      {{"d", "2024/3/10", "2024-03-01 12:00:00"}, "Long:-9;|"},
      {{"D", DateTime::FromCivil(2024, 1, 1), "2024-02-01"}, "Long:31;|"},
      {{"h", "2024-01-01 23:59:59", "2024-01-02"}, "Long:1;|"},
      {{"d", Variant::Null(), "2024-01-01"}, "Null:;|"},
      {{"d", "2024-01-01", Variant::Null()}, "Null:;|"},
  };
  for (const auto& [params, expected] : cases) {
    EXPECT_EQ(Query(*db_, "SELECT datediff(?, ?, ?) AS v", params), expected);
  }
  // The upper-case spelling the chat's commands use, over a column and now().
  db_->Execute("CREATE TABLE calls (ID INTEGER PRIMARY KEY, calltime DATETIME)");
  db_->Execute(
      "INSERT INTO calls (calltime) VALUES ('2024-03-01 10:00:00'), ('2024-03-09 23:00:00'), "
      "(NULL)");
  db_->Execute("DELETE FROM calls WHERE DATEDIFF('d',calltime,now())>7");
  EXPECT_EQ(Query(*db_, "SELECT count(*) AS v FROM calls"), "Long:2;|");
  EXPECT_EQ(Query(*db_, "SELECT now() AS v"), "String:2024-03-10 14:05:09;|");
  env_.Advance(3600 * 24 + 1);
  EXPECT_EQ(Query(*db_, "SELECT NOW() AS v"), "String:2024-03-11 14:05:10;|");
}

TEST_F(DatabaseTest, CreateScriptRunsOnceAndAllOrNothing) {
  const std::string script =
      "CREATE TABLE room (ID INTEGER PRIMARY KEY, room_name TEXT);\n"
      "INSERT INTO room (room_name) VALUES ('大厅'), ('now: ' || now());\n";
  OpenConnection(file_.connection_string(), &env_, script);
  std::unique_ptr<Connection> again = OpenConnection(file_.connection_string(), &env_, script);
  EXPECT_EQ(Query(*again, "SELECT room_name AS v FROM room") +
                Query(*again, "SELECT journal_mode AS v FROM pragma_journal_mode"),
            "String:大厅;|String:now: 2024-03-10 14:05:09;|String:wal;|");
  // A script that fails leaves no half-made schema for the next open to find.
  testing::TempDatabase broken;
  EXPECT_THROW(OpenConnection(broken.connection_string(), &env_,
                              "CREATE TABLE a (ID INTEGER PRIMARY KEY); CREATE TABLE a (x)"),
               CallError);
  std::unique_ptr<Connection> fixed =
      OpenConnection(broken.connection_string(), &env_, "CREATE TABLE b (ID INTEGER PRIMARY KEY)");
  EXPECT_EQ(Query(*fixed, "SELECT group_concat(name) AS v FROM sqlite_master"), "String:b;|");
}

// Threads with a connection each, on a file and on a shared memory database: no write is lost,
// no command fails on another's lock, and the shared memory database is one for all.
TEST_F(DatabaseTest, ConcurrentConnectionsToAFileAndToSharedMemory) {
  for (const std::string& target :
       {file_.connection_string(),
        std::string("sqlite:file:tavolin_threads?mode=memory&cache=shared")}) {
    const char* script = "CREATE TABLE t (ID INTEGER PRIMARY KEY, worker INTEGER)";
    std::unique_ptr<Connection> keeper = OpenConnection(target, &env_, script);
    std::vector<std::string> failures(4);
    std::vector<std::thread> threads;
    for (int w = 0; w < 4; ++w) {
      threads.emplace_back([&, w] {
        try {
          std::unique_ptr<Connection> db = OpenConnection(target, &env_, script);
          for (int i = 1; i <= 40; ++i) {
            db->Execute("INSERT INTO t (worker) VALUES (?)", {w});
            auto mine = db->Execute("SELECT count(*) AS c FROM t WHERE worker = ?", {w});
            if (mine->Field("c").ToLong() != i) failures[w] = "lost a row";
          }
        } catch (const CallError& e) {
          failures[w] = e.what();
        }
      });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures, std::vector<std::string>(4)) << target;
    EXPECT_EQ(Query(*keeper, "SELECT count(*) AS v FROM t"), "Long:160;|");
  }
}

TEST_F(DatabaseTest, PoolReusesOnlyConnectionsThatCanServeAnotherCaller) {
  Application application;
  ConnectionPool& pool = *ConnectionPoolOf(application);
  EXPECT_EQ(&pool, ConnectionPoolOf(application).get());
  const std::string path = file_.connection_string();
  // A temporary table belongs to its connection: seeing it shows the same connection came back.
  const auto open_sees_mark = [&](ManualClockEnv* clock) {
    return Query(*pool.Open(path, clock, ""),
                 "SELECT count(*) AS v FROM sqlite_temp_master WHERE name = 'mark'") == "Long:1;|";
  };
  pool.Open(path, &env_, "")->Execute("CREATE TEMP TABLE mark (x)");
  {
    auto again = pool.Open(path, &env_, "");  // a connection let go comes back
    EXPECT_EQ(Query(*again, "SELECT count(*) AS v FROM sqlite_temp_master"), "Long:1;|");
    EXPECT_FALSE(open_sees_mark(&env_));  // two callers at once get two connections
    again->Execute("BEGIN");              // one left inside a transaction is not handed on
  }
  EXPECT_FALSE(open_sees_mark(&env_));
  // Another clock is another pool entry; a memory database is never kept.
  ManualClockEnv other_clock(env_.Now());
  pool.Open(path, &env_, "")->Execute("CREATE TEMP TABLE mark (x)");
  EXPECT_FALSE(open_sees_mark(&other_clock));
  EXPECT_TRUE(open_sees_mark(&env_));
  pool.Open("sqlite::memory:", &env_, "")->Execute("CREATE TABLE kept (x)");
  EXPECT_THROW(pool.Open("sqlite::memory:", &env_, "")->Execute("SELECT * FROM kept"), CallError);
}

}  // namespace
}  // namespace tavolin
