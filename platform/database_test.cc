// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <thread>
#include <vector>

#include "platform/postgres_dialect.h"
#include "tavolin/connection_pool.h"
#include "tavolin/database.h"
#include "tavolin/error.h"
#include "testing/call_error.h"
#include "testing/chat_test_env.h"
#include "testing/postgres_cluster.h"

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

constexpr std::string_view kSqlite = "sqlite";

// Each case runs on a SQLite file and on a database of the test PostgreSQL server.
class DatabaseTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  void SetUp() override {
    if (GetParam() != kSqlite && testing::PostgresCasesOff()) GTEST_SKIP();
    target_ = NewTarget();
    db_ = OpenConnection(target_, &env_);
  }

  // The connection string of a new, empty database of the case's kind.
  std::string NewTarget() {
    if (GetParam() != kSqlite) return testing::NewPostgresDatabase();
    return files_.emplace_back().connection_string();
  }
  // Opens the case's database again with `script` as its create script, which gives the tables
  // each database's own column types.
  void Create(std::string_view script) { db_ = OpenConnection(target_, &env_, script); }

  ManualClockEnv env_{DateTime::FromCivil(2024, 3, 10, 14, 5, 9)};
  std::list<testing::TempDatabase> files_;
  std::string target_;
  std::unique_ptr<Connection> db_;
};

INSTANTIATE_TEST_SUITE_P(Databases, DatabaseTest, ::testing::Values(kSqlite, "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(DatabaseTest, BindsParametersAndConvertsColumnsByTheirType) {
  Create(
      "CREATE TABLE t (ID INTEGER PRIMARY KEY, n INTEGER, r REAL, s TEXT, d DATETIME, x BIGINT)");
  db_->Execute("INSERT INTO t (n, r, s, d, x) VALUES (?, ?, ?, ?, ?)",
               {int16_t{7}, 2.5, "O'Brien; DROP TABLE t", DateTime::FromCivil(2024, 1, 2, 3, 4, 5),
                Variant::Null()});
  db_->Execute("INSERT INTO t (n, s, d, x) VALUES (?, ?, ?, 3000000000)",
               {true, Variant(), "2024-1-2"});
  db_->Execute("INSERT INTO t (n) VALUES (?)", {false});
  // True binds as -1, Empty as ""; beyond 32 bits is a Double.
  EXPECT_EQ(Query(*db_, "SELECT * FROM t ORDER BY ID", {}, {"id", "N", "r", "S", "d", "x"}),
            "Long:1;Long:7;Double:2.5;String:O'Brien; DROP TABLE t;Date:2024-01-02 03:04:05;Null:;|"
            "Long:2;Long:-1;Null:;String:;Date:2024-01-02 00:00:00;Double:3000000000;|"
            "Long:3;Long:0;Null:;Null:;Null:;Null:;|");
  EXPECT_EQ(Query(*db_, "SELECT count(*) AS total, max(n) AS m, 1.5 * 2 AS p FROM t", {},
                  {"TOTAL", "m", "p"}),
            "Long:3;Long:7;Double:3;|");
  // A date column given a non-date: SQLite keeps the text, PostgreSQL refuses it.
  const auto garbage = [&] {
    db_->Execute("INSERT INTO t (d) VALUES (?)", {"garbage"});
    return Query(*db_, "SELECT d AS v FROM t WHERE n IS NULL");
  };
  if (GetParam() == kSqlite) {
    EXPECT_EQ(garbage(), "String:garbage;|");
  } else {
    EXPECT_EQ(ErrorOf(garbage), ErrorCode::kDatabase);
  }
}

TEST_P(DatabaseTest, RecordSetWalksForwardOnceAndOutlivesItsConnection) {
  Create("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT)");
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

TEST_P(DatabaseTest, BadConnectionStringsAndCommandsFailAndChangeNothing) {
  for (const std::string bad :
       {"", "sqlite:", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb", "odbc:chat",
        "sqlite:/no/such/directory/chat.db", "postgresql://postgres@127.0.0.1:1/none"}) {
    EXPECT_EQ(ErrorOf([&] { OpenConnection(bad, &env_); }), ErrorCode::kDatabase) << bad;
  }
  Create("CREATE TABLE t (ID INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)");
  db_->Execute("INSERT INTO t (name) VALUES ('tom')");
  for (const char* command :
       {"", "SELEC name FROM t", "SELECT name FROM missing", "SELECT name, ? FROM t",
        "INSERT INTO t (name) VALUES ('ann'); DELETE FROM t",
        "SELECT datediff('d', 'not a date', '2024-01-01')",
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

// The same cases on both databases: boundaries crossed, not whole units elapsed.
TEST_P(DatabaseTest, DateDiffCountsBoundariesAndNowReadsTheClock) {
  const std::pair<std::vector<Variant>, const char*> cases[] = {
      {{"d", "2024/3/10", "2024-03-01 12:00:00"}, "Long:-9;|"},
      {{"D", DateTime::FromCivil(2024, 1, 1), "2024-02-01"}, "Long:31;|"},
      {{"d", "2024-01-01 23:59:59", "2024-01-02 00:00:00"}, "Long:1;|"},
      {{"d", "2024-01-01 00:00:00", "2024-01-01 23:59:59"}, "Long:0;|"},
      {{"d", "1969-12-31 23:00:00", "1970-01-01 01:00:00"}, "Long:1;|"},
      {{"h", "2024-01-01 23:59:59", "2024-01-02"}, "Long:1;|"},
      {{"H", "2024-01-01 10:00:00", "2024-01-01 10:59:59"}, "Long:0;|"},
      {{"n", "2024-01-01 10:00:59", "2024-01-01 10:01:00"}, "Long:1;|"},
      {{"n", "2024-01-01 10:01:00", "2024-01-01 10:00:59"}, "Long:-1;|"},
      {{"s", "2024-02-28 23:59:50", "2024-03-01 00:00:10"}, "Long:86420;|"},
      {{"d", "2023-12-31 12:00:00", "2024-12-31 12:00:00"}, "Long:366;|"},
      {{"d", Variant::Null(), "2024-01-01"}, "Null:;|"},
      {{"d", "2024-01-01", Variant::Null()}, "Null:;|"},
  };
  for (const auto& [params, expected] : cases) {
    EXPECT_EQ(Query(*db_, "SELECT datediff(?, ?, ?) AS v", params), expected) << params[0].ToText();
  }
  // The upper-case spelling the chat's commands use, over a column and now().
  Create("CREATE TABLE calls (ID INTEGER PRIMARY KEY, calltime DATETIME)");
  db_->Execute(
      "INSERT INTO calls (calltime) VALUES ('2024-03-01 10:00:00'), ('2024-03-09 23:00:00'), "
      "(NULL)");
  db_->Execute("DELETE FROM calls WHERE DATEDIFF('d',calltime,now())>7");
  EXPECT_EQ(Query(*db_, "SELECT count(*) AS v FROM calls"), "Long:2;|");
  EXPECT_EQ(Query(*db_, "SELECT now() AS v"), "String:2024-03-10 14:05:09;|");
  env_.Advance(3600 * 24 + 1);
  EXPECT_EQ(Query(*db_, "SELECT 'at ' || NOW ( ) AS v"), "String:at 2024-03-11 14:05:10;|");
}

TEST_P(DatabaseTest, CreateScriptRunsOnceAndAllOrNothing) {
  const std::string
      target = NewTarget(),
      script =
          "CREATE TABLE room (ID INTEGER PRIMARY KEY, room_name TEXT);\n"
          "INSERT INTO room (ID, room_name) VALUES (1, '大厅'), (2, 'now: ' || now());\n";
  OpenConnection(target, &env_, script);
  std::unique_ptr<Connection> again = OpenConnection(target, &env_, script);
  EXPECT_EQ(Query(*again, "SELECT room_name AS v FROM room ORDER BY ID"),
            "String:大厅;|String:now: 2024-03-10 14:05:09;|");
  // A script that fails leaves no half-made schema for the next open to find.
  const std::string broken = NewTarget();
  EXPECT_THROW(
      OpenConnection(broken, &env_,
                     "CREATE TABLE a (ID INTEGER PRIMARY KEY); CREATE TABLE a (x INTEGER)"),
      CallError);
  std::unique_ptr<Connection> fixed =
      OpenConnection(broken, &env_, "CREATE TABLE b (ID INTEGER PRIMARY KEY)");
  EXPECT_EQ(Query(*fixed, "SELECT count(*) AS v FROM b"), "Long:0;|");
  EXPECT_EQ(ErrorOf([&] { fixed->Execute("SELECT * FROM a"); }), ErrorCode::kDatabase);
}

// Threads with a connection each open a new database at once: the create script runs once, no
// write is lost (nor a count read and raised in a write transaction), no command fails on
// another's lock. On SQLite, a shared memory database too.
TEST_P(DatabaseTest, ConcurrentConnectionsCreateOnceAndLoseNothing) {
  std::vector<std::string> targets = {NewTarget()};
  if (GetParam() == kSqlite)
    targets.push_back("sqlite:file:tavolin_threads?mode=memory&cache=shared");
  for (const std::string& target : targets) {
    // Holds the memory database open; creates nothing.
    std::unique_ptr<Connection> keeper = OpenConnection(target, &env_);
    const char* script =
        "CREATE TABLE t (ID INTEGER PRIMARY KEY, worker INTEGER); CREATE TABLE c (n INTEGER); "
        "INSERT INTO c VALUES (0)";
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
            db->Execute("BEGIN IMMEDIATE");
            const int32_t n = db->Execute("SELECT n FROM c")->Field("n").ToLong();
            db->Execute("UPDATE c SET n = ?", {n + 1});
            db->Execute("COMMIT");
          }
        } catch (const CallError& e) {
          failures[w] = e.what();
        }
      });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures, std::vector<std::string>(4)) << target;
    EXPECT_EQ(Query(*keeper, "SELECT count(*) AS v FROM t"), "Long:160;|");
    EXPECT_EQ(Query(*keeper, "SELECT n AS v FROM c"), "Long:160;|");
  }
}

TEST(PostgresDialectTest, CommandsAndCreateScriptsAreTranslatedOutsideQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT a FROM t WHERE b = ? AND c = ?", "SELECT a FROM t WHERE b = $1 AND c = $2"},
      {"SELECT '?', \"?\", ? -- ?\n", "SELECT '?', \"?\", $1 -- ?\n"},
      {"SELECT 'it''s ?', ? /* ? */", "SELECT 'it''s ?', $1 /* ? */"},
      {"UPDATE user SET t=NOW() WHERE x<now ( )",
       "UPDATE \"user\" SET t='2024-03-10 14:05:09' WHERE x<'2024-03-10 14:05:09'"},
      {"SELECT now, username, u.user, 'now()', usern FROM USER u",
       "SELECT now, username, u.user, 'now()', usern FROM \"user\" u"},
      {"SELECT last_insert_rowid() AS id WHERE a like ? AND 'like' = likes",
       "SELECT lastval() AS id WHERE a ILIKE $1 AND 'like' = likes"},
  };
  for (const auto& [command, expected] : cases) {
    int placeholders = -1;
    EXPECT_EQ(TranslateCommand(command, "2024-03-10 14:05:09", &placeholders), expected);
  }
  const std::string script = TranslateCreateScript(
      "CREATE TABLE t (ID INTEGER PRIMARY KEY AUTOINCREMENT, n TEXT COLLATE NOCASE, d DATETIME, "
      "k INTEGER PRIMARY KEY);\nINSERT INTO t (n) VALUES ('DATETIME', now())",
      "2024-03-10 14:05:09");
  EXPECT_NE(script.find("CREATE TABLE t (ID SERIAL PRIMARY KEY, n CITEXT, d TIMESTAMP(0), "
                        "k SERIAL PRIMARY KEY);\nINSERT INTO t (n) VALUES ('DATETIME', "
                        "'2024-03-10 14:05:09')"),
            std::string::npos)
      << script;
}

TEST(ConnectionStringTest, PasswordsAreLeftOutOfLogs) {
  const std::pair<const char*, const char*> cases[] = {
      {"postgresql://chat:s3:c@r%40t@db:5432/chat", "postgresql://chat:***@db:5432/chat"},
      {"postgres://chat:pw@db/chat?sslmode=require", "postgres://chat:***@db/chat?sslmode=require"},
      {"postgresql://chat@db/chat", "postgresql://chat@db/chat"},
      {"postgresql://db/chat?user=a&password=x&sslmode=y&oldpassword=z",
       "postgresql://db/chat?user=a&password=***&sslmode=y&oldpassword=z"},
      {"postgresql://db:5432/chat", "postgresql://db:5432/chat"},
      {"postgresql:///chat?host=/run/x", "postgresql:///chat?host=/run/x"},
      {"sqlite:a:b@c.db", "sqlite:a:b@c.db"},
  };
  for (const auto& [given, logged] : cases) EXPECT_EQ(ConnectionStringForLog(given), logged);
}

// A session the server ended is opened again for the next command, unless a transaction died
// with it; a server that cannot be reached is a database error.
TEST(PostgresConnectionTest, LostConnectionIsOpenedAgainOnce) {
  if (testing::PostgresCasesOff()) GTEST_SKIP();
  const std::string target = testing::NewPostgresDatabase();
  ManualClockEnv env(DateTime::FromCivil(2024, 3, 10));
  std::unique_ptr<Connection> db = OpenConnection(target, &env),
                              killer = OpenConnection(target, &env);
  const auto kill = [&] {
    const Variant pid = db->Execute("SELECT pg_backend_pid() AS p")->Field("p");
    killer->Execute("SELECT pg_terminate_backend(?)", {pid});
  };
  kill();
  EXPECT_EQ(Query(*db, "SELECT 1 AS v"), "Long:1;|");
  db->Execute("BEGIN");
  kill();
  EXPECT_EQ(ErrorOf([&] { db->Execute("SELECT 1 AS v"); }), ErrorCode::kDatabase);
  EXPECT_FALSE(db->Reusable());
  EXPECT_EQ(Query(*db, "SELECT 2 AS v"), "Long:2;|");
  EXPECT_TRUE(db->Reusable());
}

TEST(ConnectionPoolTest, PoolReusesOnlyConnectionsThatCanServeAnotherCaller) {
  Application application;
  ConnectionPool& pool = *ConnectionPoolOf(application);
  EXPECT_EQ(&pool, ConnectionPoolOf(application).get());
  ManualClockEnv env_(DateTime::FromCivil(2024, 3, 10, 14, 5, 9));
  testing::TempDatabase file;
  const std::string path = file.connection_string();
  // A file database runs with a write-ahead log, so readers do not wait for a writer.
  EXPECT_EQ(Query(*pool.Open(path, &env_, ""), "SELECT journal_mode AS v FROM pragma_journal_mode"),
            "String:wal;|");
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
