// Copyright Tavolin developers.

#include "component/counter_store.h"

#include <string>

#include "component/schema.h"
#include "tavolin/database.h"

namespace tavolin {

void SaveVisitCounters(Application& application, std::string_view prefix, Env* env) {
  const std::string key_prefix(prefix);
  const Variant connection_string = application.Get(key_prefix + "_connstr");
  if (connection_string.is_empty()) return;
  std::unique_ptr<Connection> db;
  for (const char* alias : {"visitor", "hour24"}) {
    const Variant value = application.Get(key_prefix + "_" + alias);
    if (value.is_empty()) continue;
    if (!db) db = OpenConnection(connection_string.ToText(), env, ChatSchemaScript());
    db->Execute("UPDATE sysparam SET body=? WHERE alias=?", {Variant(value.ToText()), alias});
  }
}

}  // namespace tavolin
