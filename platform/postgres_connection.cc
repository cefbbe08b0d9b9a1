// Copyright Tavolin developers.

#include "platform/postgres_connection.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

#include "platform/ascii.h"
#include "platform/materialized_record_set.h"
#include "platform/postgres_dialect.h"
#include "platform/statement_clock.h"
#include "tavolin/date_time.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

[[noreturn]] void ThrowDatabase(const std::string& message) {
  throw CallError(ErrorCode::kDatabase, message);
}

// The number that serialises creating datediff() and the schema between
// servers opening one database at once.
constexpr const char* kCreateLock = "SELECT pg_advisory_xact_lock(7267150)";

// What stands for SQLite's "BEGIN IMMEDIATE", which takes the database's
// write lock at once so that write transactions run one after the other: a
// lock of the database's own, held until the transaction ends.
constexpr std::string_view kBeginImmediate = "BEGIN IMMEDIATE";
constexpr const char* kBeginWriting = "BEGIN; SELECT pg_advisory_xact_lock(7267151)";

// datediff(unit, d1, d2): the boundaries of the unit ('d' midnights, 'h'
// hours, 'n' minutes, 's' seconds) crossed from d1 to d2, negative when d2
// is earlier; NULL when any argument is NULL.
constexpr const char* kDateDiffFunction = R"sql(
CREATE OR REPLACE FUNCTION datediff(unit text, from_time timestamp, to_time timestamp)
RETURNS bigint LANGUAGE plpgsql IMMUTABLE STRICT AS $body$
DECLARE
  seconds bigint := CASE lower(unit) WHEN 'd' THEN 86400 WHEN 'h' THEN 3600
                    WHEN 'n' THEN 60 WHEN 's' THEN 1 END;
BEGIN
  IF seconds IS NULL THEN
    RAISE EXCEPTION 'datediff: unknown date interval ''%''', unit;
  END IF;
  RETURN floor(floor(extract(epoch FROM to_time)) / seconds)
       - floor(floor(extract(epoch FROM from_time)) / seconds);
END
$body$)sql";

// PostgreSQL's type numbers (pg_type.oid) of the columns read as numbers
// and dates; every other type is read as text.
enum TypeOid : Oid {
  kBool = 16,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kFloat4 = 700,
  kFloat8 = 701,
  kDate = 1082,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

// The text libpq sends for `value`, as tavolin/database.h binds it; nullopt
// for NULL.
std::optional<std::string> ParameterText(const Variant& value, size_t index) {
  switch (value.type()) {
    case Variant::Type::kEmpty:
      return std::string();
    case Variant::Type::kNull:
      return std::nullopt;
    case Variant::Type::kBoolean:
      return std::string(value.ToBoolean() ? "-1" : "0");
    case Variant::Type::kInteger:
    case Variant::Type::kLong:
      return std::to_string(value.ToLong());
    case Variant::Type::kDouble: {
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", value.ToDouble());
      return std::string(text);
    }
    case Variant::Type::kDate:
      return value.ToText();
    case Variant::Type::kString:
      return std::string(value.view());
    case Variant::Type::kArray:
      break;
  }
  ThrowDatabase("parameter " + std::to_string(index + 1) + " is an array, which has no SQL value");
}

Variant ColumnValue(Oid type, std::string text) {
  switch (type) {
    case kBool:
      return Variant(text == "t" ? 1 : 0);
    case kInt2:
    case kInt4:
    case kInt8: {
      int64_t value = 0;
      std::from_chars(text.data(), text.data() + text.size(), value);
      if (value >= std::numeric_limits<int32_t>::min() &&
          value <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int>(value));
      }
      return Variant(static_cast<double>(value));
    }
    case kFloat4:
    case kFloat8:
    case kNumeric:
      return Variant(std::strtod(text.c_str(), nullptr));
    case kDate:
    case kTimestamp:
    case kTimestampTz:
      if (std::optional<DateTime> date = DateTime::Parse(text)) return Variant(*date);
      break;
  }
  return Variant(std::move(text));
}

}  // namespace

bool IsPostgresConnectionString(std::string_view connection_string) {
  return connection_string.starts_with("postgresql://") ||
         connection_string.starts_with("postgres://");
}

std::unique_ptr<PostgresConnection> PostgresConnection::Open(const std::string& connection_string,
                                                             Env* env,
                                                             std::string_view create_script) {
  if (env == nullptr) ThrowDatabase("a database connection needs a clock (Env) for now()");
  // Owned from here on, so that every failure below closes the session.
  std::unique_ptr<PostgresConnection> connection(
      new PostgresConnection(PQconnectdb(connection_string.c_str()), env));
  if (connection->connection_ == nullptr) ThrowDatabase("out of memory connecting to PostgreSQL");
  if (PQstatus(connection->connection_) != CONNECTION_OK) {
    connection->Fail("cannot connect to PostgreSQL");
  }
  connection->Configure();
  connection->Prepare(create_script);
  return connection;
}

PostgresConnection::~PostgresConnection() { PQfinish(connection_); }

bool PostgresConnection::Reusable() const {
  return PQstatus(connection_) == CONNECTION_OK && PQtransactionStatus(connection_) == PQTRANS_IDLE;
}

void PostgresConnection::Configure() {
  // Dates are read and written as "YYYY-MM-DD HH:MM:SS" in the chat's own
  // time, whatever the server's defaults; notices are not printed.
  RunScript("SET DateStyle = 'ISO, YMD'; SET TimeZone = 'UTC'; SET client_min_messages = warning");
}

void PostgresConnection::Prepare(std::string_view create_script) {
  // Whether datediff() exists and whether the database holds a table.
  const auto look = [this] {
    auto found = Execute(
        "SELECT to_regprocedure('datediff(text,timestamp,timestamp)') IS NOT NULL AS f, "
        "(SELECT count(*) FROM information_schema.tables "
        "WHERE table_schema = current_schema()) AS n");
    return std::pair(found->Field("f").ToLong() != 0, found->Field("n").ToLong() > 0);
  };
  const auto done = [&](std::pair<bool, bool> found) {
    return found.first && (create_script.empty() || found.second);
  };
  if (done(look())) return;
  RunScript("BEGIN");
  try {
    RunScript(kCreateLock);
    // Looked at again under the lock: another server may have done it.
    const auto [has_datediff, has_tables] = look();
    if (!has_datediff) RunScript(kDateDiffFunction);
    if (!create_script.empty() && !has_tables) {
      RunScript(TranslateCreateScript(create_script, env_->Now().ToString()));
    }
    RunScript("COMMIT");
  } catch (...) {
    PQclear(PQexec(connection_, "ROLLBACK"));
    throw;
  }
}

void PostgresConnection::RunScript(const std::string& sql) {
  Result result(PQexec(connection_, sql.c_str()));
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    ThrowDatabase("database error: " + std::string(PQresultErrorMessage(result.get())) +
                  " (in: " + sql.substr(0, 200) + ")");
  }
}

PostgresConnection::Result PostgresConnection::Send(const std::string& sql,
                                                    const std::vector<std::string>& texts,
                                                    const std::vector<bool>& nulls) {
  std::vector<const char*> values(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) values[i] = nulls[i] ? nullptr : texts[i].c_str();
  // Types left to the server (0): it takes the one the context asks for.
  Result result(PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                             values.data(), nullptr, nullptr, 0));
  if (PQstatus(connection_) == CONNECTION_BAD) return nullptr;
  return result;
}

std::unique_ptr<RecordSet> PostgresConnection::Execute(std::string_view command,
                                                       const std::vector<Variant>& params) {
  const StatementClock clock;
  if (params.empty() && EqualsIgnoreAsciiCase(command, kBeginImmediate)) {
    RunScript(kBeginWriting);
    return std::make_unique<MaterializedRecordSet>(std::vector<std::string>{},
                                                   std::vector<MaterializedRecordSet::Row>{});
  }
  int placeholders = 0;
  const std::string sql = TranslateCommand(command, env_->Now().ToString(), &placeholders);
  if (static_cast<size_t>(placeholders) != params.size()) {
    ThrowDatabase("'" + std::string(command) + "' takes " + std::to_string(placeholders) +
                  " parameters, " + std::to_string(params.size()) + " given");
  }
  std::vector<std::string> texts(params.size());
  std::vector<bool> nulls(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    std::optional<std::string> text = ParameterText(params[i], i);
    nulls[i] = !text;
    if (text) texts[i] = std::move(*text);
  }

  // A transaction dies with its connection: only a command outside one is
  // sent again on a new connection. A connection already lost is in none.
  const PGTransactionStatusType before = PQtransactionStatus(connection_);
  const bool in_transaction = before == PQTRANS_INTRANS || before == PQTRANS_INERROR;
  Result result = Send(sql, texts, nulls);
  if (!result && !in_transaction) {
    PQreset(connection_);
    if (PQstatus(connection_) == CONNECTION_OK) {
      Configure();
      result = Send(sql, texts, nulls);
    }
  }
  if (!result) Fail("lost the connection to PostgreSQL running '" + std::string(command) + "'");

  const ExecStatusType status = PQresultStatus(result.get());
  if (status == PGRES_EMPTY_QUERY) ThrowDatabase("empty database command");
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    ThrowDatabase("database error: '" + std::string(command) +
                  "' failed: " + PQresultErrorMessage(result.get()));
  }
  const int column_count = PQnfields(result.get());
  std::vector<std::string> columns;
  for (int i = 0; i < column_count; ++i) columns.emplace_back(PQfname(result.get(), i));
  std::vector<MaterializedRecordSet::Row> rows(PQntuples(result.get()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    rows[r].reserve(column_count);
    for (int i = 0; i < column_count; ++i) {
      if (PQgetisnull(result.get(), r, i)) {
        rows[r].push_back(Variant::Null());
      } else {
        rows[r].push_back(ColumnValue(
            PQftype(result.get(), i),
            std::string(PQgetvalue(result.get(), r, i), PQgetlength(result.get(), r, i))));
      }
    }
  }
  return std::make_unique<MaterializedRecordSet>(std::move(columns), std::move(rows));
}

void PostgresConnection::Fail(std::string_view what) const {
  ThrowDatabase("database error: " + std::string(what) + ": " +
                (connection_ == nullptr ? "" : PQerrorMessage(connection_)));
}

}  // namespace tavolin
