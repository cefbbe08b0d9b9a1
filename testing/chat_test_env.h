// Copyright Tavolin developers.
//
// What engine tests share: a database of their own that is removed when the
// test ends (whatever it asserted), a clock the test sets, and an Application
// pointed at that database.

#ifndef TAVOLIN_TESTING_CHAT_TEST_ENV_H_
#define TAVOLIN_TESTING_CHAT_TEST_ENV_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "testing/live_chat.h"

namespace tavolin::testing {

// A database file in the temporary folder, deleted with its journal files.
class TempDatabase {
 public:
  TempDatabase();
  ~TempDatabase();
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;

  const std::string& path() const { return path_; }
  std::string connection_string() const { return "sqlite:" + path_; }

 private:
  std::string path_;
};

// Column "v" of each row of `query` as text, joined by `separator`, NULLs left
// out: the tests' way of reading several rows alike on SQLite and PostgreSQL.
std::string JoinedValues(Connection& db, std::string_view query, std::string_view separator = ",",
                         const std::vector<Variant>& params = {});

// The chat database of one test, removed when the test ends: a SQLite file of
// its own, or, when TAVOLIN_TEST_DATABASE=postgres, a database on the test
// PostgreSQL server that holds the chat's schema and seed rows already.
class ChatDatabase {
 public:
  ChatDatabase();
  ~ChatDatabase();
  ChatDatabase(const ChatDatabase&) = delete;
  ChatDatabase& operator=(const ChatDatabase&) = delete;

  const std::string& connection_string() const { return connection_string_; }

 private:
  TempDatabase file_;
  std::string connection_string_;
};

// A chat on a fresh seeded database: the application holds "_connstr" under
// the given prefix; the clock starts at TestStartTime().
class ChatTestEnv {
 public:
  explicit ChatTestEnv(std::string prefix = "");

  Application& app() { return app_; }
  ManualClockEnv& clock() { return clock_; }
  // A new object with ConstStr set to the prefix, on this clock.
  std::unique_ptr<Corvane> NewObject();
  // A connection of the test's own, for arranging rows and checking them.
  Connection& db();
  void Exec(std::string_view command, const std::vector<Variant>& params = {}) {
    db().Execute(command, params);
  }
  std::string Joined(std::string_view query, std::string_view separator = ",") {
    return JoinedValues(db(), query, separator);
  }
  // Sets the sysparam row of `alias` to `body` (inserting it when missing).
  void SetParam(std::string_view alias, const Variant& body);
  // The application value of prefix + suffix.
  Variant Get(std::string_view suffix) const { return app_.Get(prefix_ + std::string(suffix)); }
  void Set(std::string_view suffix, Variant value) {
    app_.Set(prefix_ + std::string(suffix), std::move(value));
  }
  LiveLists lists() { return LiveLists(app_, prefix_); }

 private:
  ChatDatabase database_;
  ManualClockEnv clock_;
  Application app_;
  std::string prefix_;
  std::unique_ptr<Connection> db_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_CHAT_TEST_ENV_H_
