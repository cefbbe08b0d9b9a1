// Copyright Tavolin developers.

#include "console/console_context.h"

#include "component/schema.h"
#include "tavolin/connection_pool.h"

namespace tavolin::console {

Connection& ConsoleContext::db() {
  if (!db_) {
    db_ = ConnectionPoolOf(app_)->Open(Setting("_connstr").ToText(), env_, ChatSchemaScript());
  }
  return *db_;
}

std::unique_ptr<Corvane> ConsoleContext::NewObject() const {
  auto object = std::make_unique<Corvane>(env_);
  object->SetConstStr(Variant(prefix_));
  return object;
}

}  // namespace tavolin::console
