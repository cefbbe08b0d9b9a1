// Copyright Tavolin developers.

#include "sitepages/registered_users.h"

#include "component/column_text.h"
#include "sitepages/input_limits.h"

namespace tavolin {

std::optional<std::string> RegisteredName(Connection& db, std::string_view name) {
  if (name.empty()) return std::nullopt;
  auto row = db.Execute("select username from user where username=?", {Variant(name)});
  if (row->eof()) return std::nullopt;
  return ColumnText(*row, "username");
}

std::variant<std::string, Outcome> FindAddressee(Connection& db, std::string_view typed) {
  const std::string name = TrimmedInput(typed);
  if (name.empty()) return Outcome::Refused("请写上对方的名字。");
  if (auto refusal = TooLong(name, kMaxNameChars, "名字")) return *refusal;
  if (auto stored = RegisteredName(db, name)) return *stored;
  return Outcome::Refused("没有叫“" + name + "”的用户。");
}

}  // namespace tavolin
