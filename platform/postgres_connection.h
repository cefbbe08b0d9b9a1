// Copyright Tavolin developers.
//
// The PostgreSQL implementation of the database access layer
// (tavolin/database.h), over libpq.
//
// The chat's commands are written in the dialect the SQLite side speaks and
// translated before they are sent (platform/postgres_dialect.h). Parameters
// go as text of unknown type, so that the server takes the type the context
// asks for, as SQLite's loose typing does. Rows are read in full while
// Execute runs.

#ifndef TAVOLIN_PLATFORM_POSTGRES_CONNECTION_H_
#define TAVOLIN_PLATFORM_POSTGRES_CONNECTION_H_

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/database.h"
#include "tavolin/env.h"
#include "tavolin/variant.h"

namespace tavolin {

// True for "postgresql://..." and "postgres://..." connection strings.
bool IsPostgresConnectionString(std::string_view connection_string);

// One open PostgreSQL session.
//
// Thread safety: a connection is used by one thread at a time.
class PostgresConnection : public Connection {
 public:
  // Connects, makes sure datediff() exists and runs `create_script` when the
  // database holds no table yet, both under an advisory lock so that two
  // servers starting at once create them once. Throws CallError (kDatabase).
  static std::unique_ptr<PostgresConnection> Open(const std::string& connection_string, Env* env,
                                                  std::string_view create_script);

  ~PostgresConnection() override;
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;

  // A connection lost outside a transaction is reconnected and the command
  // sent once more; a second failure is a CallError (kDatabase).
  std::unique_ptr<RecordSet> Execute(std::string_view command,
                                     const std::vector<Variant>& params = {}) override;
  // True while connected and outside a transaction.
  bool Reusable() const override;

 private:
  PostgresConnection(PGconn* connection, Env* env) : connection_(connection), env_(env) {}

  struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
  };
  using Result = std::unique_ptr<PGresult, ResultDeleter>;

  // Sets the session's date format and time zone.
  void Configure();
  // Creates datediff() and runs the create script when they are missing.
  void Prepare(std::string_view create_script);
  // Runs SQL text without parameters (several statements allowed).
  void RunScript(const std::string& sql);
  // Sends the translated command once; null when the connection broke.
  Result Send(const std::string& sql, const std::vector<std::string>& texts,
              const std::vector<bool>& nulls);
  [[noreturn]] void Fail(std::string_view what) const;

  PGconn* connection_;
  Env* env_;
};

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_POSTGRES_CONNECTION_H_
