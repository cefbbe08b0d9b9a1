// Copyright Tavolin developers.

#include "console/console_context.h"

#include "component/schema.h"

namespace tavolin::console {

Connection& ConsoleContext::db() {
  if (!db_) db_ = OpenConnection(Setting("_connstr").ToText(), env_, ChatSchemaScript());
  return *db_;
}

std::unique_ptr<Corvane> ConsoleContext::NewObject() const {
  auto object = std::make_unique<Corvane>(env_);
  object->SetConstStr(Variant(prefix_));
  return object;
}

}  // namespace tavolin::console
