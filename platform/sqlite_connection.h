// Copyright Tavolin developers.
//
// The SQLite implementation of the database access layer (tavolin/database.h).
//
// A query's rows are read in full while Execute runs and its statement is
// finalised before Execute returns, so no statement outlives the call and no
// read lock is held while the caller walks the rows. This is what lets several
// connections to one database work side by side from different threads.

#ifndef TAVOLIN_PLATFORM_SQLITE_CONNECTION_H_
#define TAVOLIN_PLATFORM_SQLITE_CONNECTION_H_

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/materialized_record_set.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "tavolin/variant.h"

namespace tavolin {

// One open SQLite database handle.
//
// Thread safety: a connection is used by one thread at a time (it holds no
// lock of its own). Several connections to one database may be used from
// different threads at once: file databases run in WAL mode with a busy
// timeout, and a statement refused because a shared-cache neighbour holds a
// table lock is retried until the same timeout.
class SqliteConnection : public Connection {
 public:
  // How long a command waits for another connection's lock before failing.
  static constexpr int kLockTimeoutMs = 5000;

  // Opens the database named by `connection_string` (see tavolin/database.h),
  // registers datediff() and now() on `env`, and runs `create_script` when
  // the database has no tables. Throws CallError (kDatabase) on any failure.
  static std::unique_ptr<SqliteConnection> Open(const std::string& connection_string, Env* env,
                                                std::string_view create_script);

  ~SqliteConnection() override;
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Runs exactly one SQL statement; a command text holding a second
  // statement is refused before anything runs.
  std::unique_ptr<RecordSet> Execute(std::string_view command,
                                     const std::vector<Variant>& params = {}) override;
  // True for a file database outside a transaction.
  bool Reusable() const override;

 private:
  // Takes ownership of `db`.
  explicit SqliteConnection(sqlite3* db) : db_(db) {}

  struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
  };
  using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

  // Sets the lock waiting and, for a database file, the WAL journal.
  void Configure();
  // Runs `script` in one transaction when the database holds no table yet.
  void CreateIfEmpty(std::string_view script);
  // Runs SQL text without parameters or results (pragmas, transaction
  // control, the create script). `retry_when_locked` only for text that can
  // safely run again after a table lock stopped it halfway.
  void RunScript(const std::string& sql, bool retry_when_locked);
  // Compiles the first statement of `sql`; null when `sql` holds only blanks,
  // ";" and comments. `tail` receives where the next statement would begin.
  Statement Prepare(std::string_view sql, const char** tail);
  // Throws CallError (kDatabase) with `what` and the handle's last message.
  [[noreturn]] void Fail(std::string_view what) const;

  sqlite3* db_;
};

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_SQLITE_CONNECTION_H_
