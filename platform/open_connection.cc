// Copyright Tavolin developers.

#include <string_view>

#include "platform/postgres_connection.h"
#include "platform/sqlite_connection.h"
#include "tavolin/database.h"

namespace tavolin {

std::unique_ptr<Connection> OpenConnection(const std::string& connection_string, Env* env,
                                           std::string_view create_script) {
  if (IsPostgresConnectionString(connection_string)) {
    return PostgresConnection::Open(connection_string, env, create_script);
  }
  return SqliteConnection::Open(connection_string, env, create_script);
}

}  // namespace tavolin
