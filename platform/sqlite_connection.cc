// Copyright Tavolin developers.

#include "platform/sqlite_connection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

#include "platform/ascii.h"
#include "platform/sqlite_functions.h"
#include "platform/statement_clock.h"
#include "tavolin/date_time.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

[[noreturn]] void ThrowDatabase(const std::string& message) {
  throw CallError(ErrorCode::kDatabase, message);
}

// A table lock held by another connection of the same shared cache. SQLite's
// busy timeout does not wait for these, so the caller retries.
bool IsTableLocked(int rc) { return (rc & 0xff) == SQLITE_LOCKED; }

// Paces the retries of a statement refused by a table lock and ends them
// after SqliteConnection::kLockTimeoutMs.
class LockWait {
 public:
  LockWait()
      : deadline_(std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(SqliteConnection::kLockTimeoutMs)) {}

  // Sleeps a little; false once the time is up.
  bool Again() {
    if (std::chrono::steady_clock::now() >= deadline_) return false;
    std::this_thread::sleep_for(pause_);
    pause_ = std::min(pause_ * 2, std::chrono::microseconds(20000));
    return true;
  }

 private:
  std::chrono::steady_clock::time_point deadline_;
  std::chrono::microseconds pause_{200};
};

// The SQLite file name or URI of a connection string.
std::string DatabaseName(const std::string& connection_string) {
  constexpr std::string_view kScheme = "sqlite:";
  if (connection_string.size() <= kScheme.size() ||
      connection_string.compare(0, kScheme.size(), kScheme) != 0) {
    ThrowDatabase("unsupported connection string '" + connection_string +
                  "': expected sqlite:PATH, sqlite::memory: or sqlite:file:NAME?mode=memory");
  }
  return connection_string.substr(kScheme.size());
}

// Binds `value` to parameter `index` (from 1) as tavolin/database.h lays
// down. Texts are bound without copying: the caller's Variants outlive the
// statement.
int Bind(sqlite3_stmt* statement, int index, const Variant& value) {
  switch (value.type()) {
    case Variant::Type::kEmpty:
      return sqlite3_bind_text(statement, index, "", 0, SQLITE_STATIC);
    case Variant::Type::kNull:
      return sqlite3_bind_null(statement, index);
    case Variant::Type::kBoolean:
      return sqlite3_bind_int(statement, index, value.ToBoolean() ? -1 : 0);
    case Variant::Type::kInteger:
    case Variant::Type::kLong:
      return sqlite3_bind_int(statement, index, value.ToLong());
    case Variant::Type::kDouble:
      return sqlite3_bind_double(statement, index, value.ToDouble());
    case Variant::Type::kDate: {
      const std::string text = value.ToText();
      return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    }
    case Variant::Type::kString: {
      const std::string_view text = value.view();
      return sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_STATIC);
    }
    case Variant::Type::kArray:
      break;
  }
  ThrowDatabase("parameter " + std::to_string(index) + " is an array, which has no SQL value");
}

// Date-time columns are recognised by their declared type (DATETIME, DATE,
// TIME, TIMESTAMP); SQLite itself stores their values as text.
bool IsDateColumn(const char* declared_type) {
  if (declared_type == nullptr) return false;
  const std::string type = AsciiLower(declared_type);
  return type.find("date") != std::string::npos || type.find("time") != std::string::npos;
}

Variant ColumnValue(sqlite3_stmt* statement, int column, bool date_column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER: {
      const int64_t value = sqlite3_column_int64(statement, column);
      if (value >= std::numeric_limits<int32_t>::min() &&
          value <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int>(value));
      }
      return Variant(static_cast<double>(value));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(statement, column));
    default: {  // TEXT, and BLOB read as its bytes
      const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, column));
      std::string text(data == nullptr ? "" : data, sqlite3_column_bytes(statement, column));
      if (date_column) {
        if (std::optional<DateTime> date = DateTime::Parse(text)) return Variant(*date);
      }
      return Variant(std::move(text));
    }
  }
}

}  // namespace

std::unique_ptr<SqliteConnection> SqliteConnection::Open(const std::string& connection_string,
                                                         Env* env, std::string_view create_script) {
  if (env == nullptr) ThrowDatabase("a database connection needs a clock (Env) for now()");
  const std::string name = DatabaseName(connection_string);
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(
      name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
  // Owned from here on, so that every failure below closes the handle.
  std::unique_ptr<SqliteConnection> connection(new SqliteConnection(db));
  if (rc != SQLITE_OK) connection->Fail("cannot open '" + connection_string + "'");
  connection->Configure();
  if (RegisterChatFunctions(db, env) != SQLITE_OK) {
    connection->Fail("cannot register datediff() and now()");
  }
  connection->CreateIfEmpty(create_script);
  return connection;
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

bool SqliteConnection::Reusable() const {
  // A memory database lives as long as its connections: kept open for reuse
  // it would outlive its last user. A connection inside a transaction would
  // hand the transaction on.
  const char* file = sqlite3_db_filename(db_, "main");
  return file != nullptr && *file != '\0' && sqlite3_get_autocommit(db_) != 0;
}

namespace {

// Waits for another connection's write lock in short, growing steps: SQLite's
// own timeout sleeps a whole millisecond first and soon tens of them, longer
// than the writes of a login take, so two threads writing at once would each
// lose far more time asleep than waiting. Gives up after kLockTimeoutMs.
int WaitForLock(void*, int attempts) {
  constexpr int kDoublings = 8;  // 50 us doubled up to 12.8 ms
  constexpr int kLongestUs = 50 << kDoublings;
  constexpr int kAttempts = kDoublings + SqliteConnection::kLockTimeoutMs * 1000 / kLongestUs;
  if (attempts >= kAttempts) return 0;
  std::this_thread::sleep_for(std::chrono::microseconds(50 << std::min(attempts, kDoublings)));
  return 1;
}

}  // namespace

void SqliteConnection::Configure() {
  sqlite3_busy_handler(db_, WaitForLock, nullptr);
  // In-memory databases have no file name; only files get a journal mode in
  // which readers and a writer do not block each other.
  const char* file = sqlite3_db_filename(db_, "main");
  if (file != nullptr && *file != '\0') {
    RunScript("PRAGMA journal_mode=WAL", true);
    RunScript("PRAGMA synchronous=NORMAL", true);
  }
}

void SqliteConnection::CreateIfEmpty(std::string_view script) {
  if (script.empty()) return;
  const auto has_tables = [this] {
    return Execute("SELECT count(*) AS n FROM sqlite_master WHERE type = 'table'")
               ->Field("n")
               .ToLong() > 0;
  };
  if (has_tables()) return;
  // The write lock is taken before looking again, so that of two connections
  // opening a new database at once only one runs the script.
  RunScript("BEGIN IMMEDIATE", true);
  try {
    if (!has_tables()) RunScript(std::string(script), false);
    RunScript("COMMIT", true);
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void SqliteConnection::RunScript(const std::string& sql, bool retry_when_locked) {
  LockWait wait;
  for (;;) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message == nullptr ? sqlite3_errstr(rc) : message;
    sqlite3_free(message);
    if (rc == SQLITE_OK) return;
    if (retry_when_locked && IsTableLocked(rc) && wait.Again()) continue;
    ThrowDatabase("database error: " + text + " (in: " + sql.substr(0, 200) + ")");
  }
}

SqliteConnection::Statement SqliteConnection::Prepare(std::string_view sql, const char** tail) {
  if (sql.empty()) return nullptr;
  LockWait wait;
  for (;;) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, tail);
    Statement statement(raw);
    if (rc == SQLITE_OK) return statement;
    if (IsTableLocked(rc) && wait.Again()) continue;
    Fail(std::string("cannot prepare '") + std::string(sql) + "'");
  }
}

std::unique_ptr<RecordSet> SqliteConnection::Execute(std::string_view command,
                                                     const std::vector<Variant>& params) {
  const StatementClock clock;
  const char* tail = nullptr;
  Statement statement = Prepare(command, &tail);
  if (!statement) ThrowDatabase("empty database command");
  // Whatever follows the first statement must be blank, ";" or comments:
  // one command is one statement, and none of a refused command runs.
  const std::string_view rest(tail, command.data() + command.size() - tail);
  if (Prepare(rest, nullptr) != nullptr) {
    ThrowDatabase("more than one statement in '" + std::string(command) + "'");
  }

  const int expected = sqlite3_bind_parameter_count(statement.get());
  if (static_cast<size_t>(expected) != params.size()) {
    ThrowDatabase("'" + std::string(command) + "' takes " + std::to_string(expected) +
                  " parameters, " + std::to_string(params.size()) + " given");
  }
  for (int i = 0; i < expected; ++i) {
    if (Bind(statement.get(), i + 1, params[i]) != SQLITE_OK) {
      Fail("cannot bind parameter " + std::to_string(i + 1));
    }
  }

  const int column_count = sqlite3_column_count(statement.get());
  std::vector<std::string> columns;
  std::vector<bool> date_columns;
  for (int i = 0; i < column_count; ++i) {
    const char* name = sqlite3_column_name(statement.get(), i);
    columns.emplace_back(name == nullptr ? "" : name);
    date_columns.push_back(IsDateColumn(sqlite3_column_decltype(statement.get(), i)));
  }

  std::vector<MaterializedRecordSet::Row> rows;
  LockWait wait;
  for (;;) {
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_DONE) break;
    if (rc == SQLITE_ROW) {
      MaterializedRecordSet::Row& row = rows.emplace_back();
      row.reserve(column_count);
      for (int i = 0; i < column_count; ++i) {
        row.push_back(ColumnValue(statement.get(), i, date_columns[i]));
      }
      continue;
    }
    // A statement stopped by a table lock has changed nothing: run it anew.
    if (IsTableLocked(rc) && wait.Again()) {
      sqlite3_reset(statement.get());
      rows.clear();
      continue;
    }
    Fail("'" + std::string(command) + "' failed");
  }
  return std::make_unique<MaterializedRecordSet>(std::move(columns), std::move(rows));
}

void SqliteConnection::Fail(std::string_view what) const {
  ThrowDatabase("database error: " + std::string(what) + ": " + sqlite3_errmsg(db_));
}

}  // namespace tavolin
