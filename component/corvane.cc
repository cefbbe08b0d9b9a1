// Copyright Tavolin developers.
//
// The object's life: construction, the database connection it opens on first
// use, and its version.

#include "tavolin/corvane.h"

#include <string>

#include "component/live_state.h"
#include "component/schema.h"
#include "tavolin/connection_pool.h"
#include "tavolin/error.h"

namespace tavolin {

Corvane::Corvane(Env* env) : env_(env) {}

Corvane::~Corvane() = default;

Connection& Corvane::Database(Application& application) {
  if (!database_) {
    const Variant connection_string = application.Get(Key("_connstr"));
    if (connection_string.is_empty() || connection_string.is_null()) {
      throw CallError(ErrorCode::kDatabase,
                      "no database connection string under " + Key("_connstr"));
    }
    database_ =
        ConnectionPoolOf(application)->Open(connection_string.ToText(), env_, ChatSchemaScript());
  }
  return *database_;
}

LiveState& Corvane::Live(Application& application) {
  if (!live_ || live_prefix_ != const_str_) {
    live_ = LiveStateOf(application, const_str_);
    live_prefix_ = const_str_;
  }
  return *live_;
}

Variant Corvane::GetVer() {
  return Variant(std::to_string(TAVOLIN_VERSION_MAJOR) + "." +
                 std::to_string(TAVOLIN_VERSION_MINOR) + "." +
                 std::to_string(TAVOLIN_VERSION_PATCH));
}

}  // namespace tavolin
