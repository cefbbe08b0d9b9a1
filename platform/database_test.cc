// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tavolin/database.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second) {
  return DateTime::FromCivil(year, month, day, hour, minute, second);
}

// Runs `command` and expects a CallError of kind kDatabase.
void ExpectDatabaseError(Connection& db, std::string_view command,
                         const std::vector<Variant>& params = {}) {
  try {
    db.Execute(command, params);
    ADD_FAILURE() << "no error for: " << command;
  } catch (const CallError& e) {
    EXPECT_EQ(e.code(), ErrorCode::kDatabase) << command;
  }
}

// The single value of a one-row, one-column query.
Variant Scalar(Connection& db, std::string_view query, const std::vector<Variant>& params = {}) {
  std::unique_ptr<RecordSet> rows = db.Execute(query, params);
  EXPECT_FALSE(rows->eof()) << query;
  return rows->Field("v");
}

int Count(Connection& db, std::string_view table) {
  return Scalar(db, "SELECT count(*) AS v FROM " + std::string(table)).ToLong();
}

class DatabaseTest : public ::testing::Test {
 protected:
  ManualClockEnv env_{At(2024, 3, 10, 14, 5, 9)};
  std::unique_ptr<Connection> db_ = OpenConnection("sqlite::memory:", &env_);
};

TEST_F(DatabaseTest, RefusesUnknownConnectionStrings) {
  for (const std::string bad :
       {"", "sqlite:", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=chat.mdb", "odbc:chat",
        "sqlite:/no/such/directory/chat.db"}) {
    try {
      OpenConnection(bad, &env_);
      ADD_FAILURE() << "opened: " << bad;
    } catch (const CallError& e) {
      EXPECT_EQ(e.code(), ErrorCode::kDatabase) << bad;
    }
  }
}

TEST_F(DatabaseTest, BindsParametersAndConvertsColumns) {
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, n INTEGER, r REAL, s TEXT, d DATETIME, x)");
  db_->Execute("INSERT INTO t (n, r, s, d, x) VALUES (?, ?, ?, ?, ?)",
               {Variant(static_cast<int16_t>(7)), Variant(2.5), Variant("O'Brien; DROP TABLE t"),
                Variant(At(2024, 1, 2, 3, 4, 5)), Variant::Null()});
  db_->Execute("INSERT INTO t (n, r, s, d, x) VALUES (?, ?, ?, ?, 3000000000)",
               {Variant(true), Variant(), Variant("not a date"), Variant("2024-1-2")});
  db_->Execute("INSERT INTO t (n, d) VALUES (?, ?)", {Variant(false), Variant("garbage")});

  std::unique_ptr<RecordSet> rows = db_->Execute("SELECT * FROM t ORDER BY ID");
  ASSERT_FALSE(rows->bof());
  ASSERT_FALSE(rows->eof());
  EXPECT_EQ(rows->Field("id").type(), Variant::Type::kLong);
  EXPECT_EQ(rows->Field("N").type(), Variant::Type::kLong);
  EXPECT_EQ(rows->Field("n").ToLong(), 7);
  EXPECT_EQ(rows->Field("r").type(), Variant::Type::kDouble);
  EXPECT_EQ(rows->Field("r").ToDouble(), 2.5);
  EXPECT_EQ(rows->Field("S").view(), "O'Brien; DROP TABLE t");
  EXPECT_EQ(rows->Field("d").ToDate(), At(2024, 1, 2, 3, 4, 5));
  EXPECT_TRUE(rows->Field("x").is_null());

  rows->MoveNext();
  ASSERT_FALSE(rows->eof());
  EXPECT_EQ(rows->Field("n").ToLong(), -1);  // Boolean true
  EXPECT_EQ(rows->Field("r").view(), "");    // Empty binds as the empty text
  EXPECT_EQ(rows->Field("s").view(), "not a date");
  EXPECT_EQ(rows->Field("d").type(), Variant::Type::kDate);  // another Parse form
  EXPECT_EQ(rows->Field("d").ToDate(), At(2024, 1, 2, 0, 0, 0));
  // An integer beyond 32 bits comes back as a Double.
  EXPECT_EQ(rows->Field("x").type(), Variant::Type::kDouble);
  EXPECT_EQ(rows->Field("x").ToDouble(), 3000000000.0);

  rows->MoveNext();
  ASSERT_FALSE(rows->eof());
  EXPECT_EQ(rows->Field("n").ToLong(), 0);  // Boolean false
  // A date-time column holding text that is no date stays text.
  EXPECT_EQ(rows->Field("d").type(), Variant::Type::kString);
  EXPECT_EQ(rows->Field("d").view(), "garbage");

  rows->MoveNext();
  EXPECT_TRUE(rows->eof());
  EXPECT_FALSE(rows->bof());

  // Computed columns take the type of their value.
  std::unique_ptr<RecordSet> computed =
      db_->Execute("SELECT count(*) AS total, max(d) AS latest, 1.5 * 2 AS product FROM t");
  EXPECT_EQ(computed->Field("TOTAL").type(), Variant::Type::kLong);
  EXPECT_EQ(computed->Field("total").ToLong(), 3);
  EXPECT_EQ(computed->Field("latest").type(), Variant::Type::kString);
  EXPECT_EQ(computed->Field("product").type(), Variant::Type::kDouble);
}

TEST_F(DatabaseTest, RecordSetWalksForwardAndCloses) {
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT)");
  std::unique_ptr<RecordSet> empty = db_->Execute("SELECT name FROM t");
  EXPECT_TRUE(empty->eof());
  EXPECT_TRUE(empty->bof());
  EXPECT_THROW(empty->Field("name"), CallError);

  // Commands without rows give an empty record set.
  std::unique_ptr<RecordSet> insert = db_->Execute("INSERT INTO t (name) VALUES ('a')");
  EXPECT_TRUE(insert->eof());
  db_->Execute("INSERT INTO t (name) VALUES ('b')");
  db_->Execute("INSERT INTO t (name) VALUES ('c')");

  std::unique_ptr<RecordSet> rows = db_->Execute("SELECT name FROM t ORDER BY ID DESC");
  std::string seen;
  for (; !rows->eof(); rows->MoveNext()) seen += rows->Field("name").view();
  EXPECT_EQ(seen, "cba");
  EXPECT_THROW(rows->MoveNext(), CallError);

  std::unique_ptr<RecordSet> closed = db_->Execute("SELECT name FROM t");
  ASSERT_FALSE(closed->eof());
  closed->Close();
  EXPECT_TRUE(closed->eof());
  EXPECT_THROW(closed->Field("name"), CallError);

  // The rows stay readable after the connection is gone.
  std::unique_ptr<RecordSet> kept = db_->Execute("SELECT name FROM t ORDER BY ID");
  db_.reset();
  EXPECT_EQ(kept->Field("name").view(), "a");
}

TEST_F(DatabaseTest, BadCommandsFailAndChangeNothing) {
  db_->Execute("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)");
  db_->Execute("INSERT INTO t (name) VALUES (?)", {Variant("tom")});

  ExpectDatabaseError(*db_, "");
  ExpectDatabaseError(*db_, "SELEC name FROM t");
  ExpectDatabaseError(*db_, "SELECT name FROM missing");
  ExpectDatabaseError(*db_, "SELECT name, ? FROM t");             // a value missing
  ExpectDatabaseError(*db_, "SELECT name FROM t", {Variant(1)});  // a value too many
  ExpectDatabaseError(*db_, "INSERT INTO t (name) VALUES (?)", {Variant(VariantArray(0, 1))});
  ExpectDatabaseError(*db_, "INSERT INTO t (name) VALUES (?)", {Variant("tom")});
  ExpectDatabaseError(*db_, "INSERT INTO t (name) VALUES (?)", {Variant::Null()});
  ExpectDatabaseError(*db_, "INSERT INTO t (name) VALUES ('ann'); DELETE FROM t");
  EXPECT_EQ(Count(*db_, "t"), 1);
  EXPECT_EQ(Scalar(*db_, "SELECT name AS v FROM t").view(), "tom");

  // A trailing ";" or comment is no second statement.
  db_->Execute("INSERT INTO t (name) VALUES ('ann'); -- done");
  EXPECT_EQ(Count(*db_, "t"), 2);
}

TEST_F(DatabaseTest, DateDiffCountsBoundariesAndNowReadsTheClock) {
  const auto diff = [this](const char* interval, Variant from, Variant to) {
    return Scalar(*db_, "SELECT datediff(?, ?, ?) AS v", {Variant(interval), from, to});
  };
  // One second across midnight crosses one day, one hour, one minute.
  EXPECT_EQ(diff("d", "2024-01-01 23:59:59", "2024-01-02 00:00:00").ToLong(), 1);
  EXPECT_EQ(diff("h", "2024-01-01 23:59:59", "2024-01-02 00:00:00").ToLong(), 1);
  EXPECT_EQ(diff("n", "2024-01-01 23:59:59", "2024-01-02 00:00:00").ToLong(), 1);
  EXPECT_EQ(diff("s", "2024-01-01 23:59:59", "2024-01-02 00:00:00").ToLong(), 1);
  // 23 hours within one day cross no midnight.
  EXPECT_EQ(diff("d", "2024-01-02 00:00:00", "2024-01-02 23:00:00").ToLong(), 0);
  EXPECT_EQ(diff("n", "2024-01-02 10:00:59", "2024-01-02 10:01:00").ToLong(), 1);
  EXPECT_EQ(diff("d", "2024/3/10", "2024-03-01 12:00:00").ToLong(), -9);
  EXPECT_EQ(diff("D", Variant(At(2024, 1, 1, 0, 0, 0)), "2024-02-01").ToLong(), 31);
  EXPECT_TRUE(diff("d", Variant::Null(), "2024-01-01").is_null());
  EXPECT_TRUE(diff("d", "2024-01-01", Variant::Null()).is_null());

  ExpectDatabaseError(*db_, "SELECT datediff('d', 'yesterday', '2024-01-01')");
  ExpectDatabaseError(*db_, "SELECT datediff('q', '2024-01-01', '2024-01-01')");

  // The upper-case spelling the chat's commands use, over a column and now().
  db_->Execute("CREATE TABLE calls (ID INTEGER PRIMARY KEY, calltime DATETIME)");
  db_->Execute("INSERT INTO calls (calltime) VALUES ('2024-03-01 10:00:00')");
  db_->Execute("INSERT INTO calls (calltime) VALUES ('2024-03-09 23:00:00')");
  db_->Execute("INSERT INTO calls (calltime) VALUES (NULL)");
  db_->Execute("DELETE FROM calls WHERE DATEDIFF('d',calltime,now())>7");
  EXPECT_EQ(Count(*db_, "calls"), 2);
  // now() reads the Env's clock.
  EXPECT_EQ(Scalar(*db_, "SELECT now() AS v").view(), "2024-03-10 14:05:09");
  env_.Advance(3600 * 24 + 1);
  EXPECT_EQ(Scalar(*db_, "SELECT NOW() AS v").view(), "2024-03-11 14:05:10");
}

TEST(DatabaseCreateTest, CreateScriptRunsOnceOnANewDatabase) {
  ManualClockEnv env(At(2024, 3, 10, 14, 5, 9));
  testing::TempDatabase file;
  const std::string script =
      "CREATE TABLE room (ID INTEGER PRIMARY KEY, room_name TEXT);\n"
      "INSERT INTO room (room_name) VALUES ('大厅');\n"
      "INSERT INTO room (room_name) VALUES ('now: ' || now());\n";
  {
    std::unique_ptr<Connection> db = OpenConnection(file.connection_string(), &env, script);
    EXPECT_EQ(Count(*db, "room"), 2);
    EXPECT_EQ(Scalar(*db, "SELECT room_name AS v FROM room WHERE ID = 2").view(),
              "now: 2024-03-10 14:05:09");
  }
  std::unique_ptr<Connection> again = OpenConnection(file.connection_string(), &env, script);
  EXPECT_EQ(Count(*again, "room"), 2);
  EXPECT_EQ(Scalar(*again, "SELECT journal_mode AS v FROM pragma_journal_mode").ToText(), "wal");

  // A script that fails leaves no half-made schema, so the next open with a
  // good script starts from nothing.
  testing::TempDatabase broken;
  EXPECT_THROW(OpenConnection(broken.connection_string(), &env,
                              "CREATE TABLE a (ID INTEGER PRIMARY KEY); CREATE TABLE a (x)"),
               CallError);
  std::unique_ptr<Connection> fixed =
      OpenConnection(broken.connection_string(), &env, "CREATE TABLE b (ID INTEGER PRIMARY KEY)");
  EXPECT_EQ(Scalar(*fixed, "SELECT group_concat(name) AS v FROM sqlite_master").view(), "b");
}

// Several threads, each with its own connection, write and read one database
// at once: no write is lost, no command fails on another's lock, and a shared
// memory database is one database for all of them.
void WriteFromThreads(const std::string& connection_string) {
  constexpr int kThreads = 4;
  constexpr int kRowsEach = 40;
  ManualClockEnv env(At(2024, 3, 10, 14, 5, 9));
  const char* script = "CREATE TABLE t (ID INTEGER PRIMARY KEY, worker INTEGER, n INTEGER)";
  std::unique_ptr<Connection> keeper = OpenConnection(connection_string, &env, script);
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int w = 0; w < kThreads; ++w) {
    threads.emplace_back([&, w] {
      try {
        std::unique_ptr<Connection> db = OpenConnection(connection_string, &env, script);
        for (int i = 0; i < kRowsEach; ++i) {
          db->Execute("INSERT INTO t (worker, n) VALUES (?, ?)", {Variant(w), Variant(i)});
          std::unique_ptr<RecordSet> mine =
              db->Execute("SELECT count(*) AS c FROM t WHERE worker = ?", {Variant(w)});
          if (mine->Field("c").ToLong() != i + 1) failures[w] = "lost a row";
        }
      } catch (const CallError& e) {
        failures[w] = e.what();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (const std::string& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(Count(*keeper, "t"), kThreads * kRowsEach);
}

TEST(DatabaseSharingTest, ConcurrentConnectionsToAFileAndToSharedMemory) {
  testing::TempDatabase file;
  WriteFromThreads(file.connection_string());
  WriteFromThreads("sqlite:file:tavolin_threads_test?mode=memory&cache=shared");
}

}  // namespace
}  // namespace tavolin
