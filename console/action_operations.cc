// Copyright Tavolin developers.

#include "console/action_operations.h"

#include <optional>

#include "component/column_text.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "text/strings.h"

namespace tavolin::console {

namespace {

// The action as stored (name trimmed), or the refusal. The name is matched
// against the word a visitor types, up to the first blank, and shows in the
// chat line as it is.
std::optional<std::string> CheckAction(const CannedAction& typed, CannedAction& action) {
  action = typed;
  action.name = std::string(text::TrimBlanks(typed.name));
  if (action.name.empty()) return "动作名不能为空。";
  if (action.name.find(' ') != std::string::npos || !PlainName(action.name)) {
    return "动作名里不能有空格、' \" \\ < > 和 $> <$。";
  }
  for (const std::string* wording : {&action.to_all, &action.to_self, &action.to_other}) {
    if (text::TrimBlanks(*wording).empty()) return "对大家、对自己和对别人的三种说法都要写。";
    if (!FitsLists(*wording)) return "说法里不能有 $> <$ 和控制字符。";
  }
  return std::nullopt;
}

// The refusal when an action other than `id` has the name.
std::optional<std::string> NameTaken(Connection& db, const std::string& name, std::string_view id) {
  if (db.Execute("SELECT ID FROM action WHERE act_name=? AND ID<>?", {Variant(name), RowId(id)})
          ->eof()) {
    return std::nullopt;
  }
  return "已经有动作“" + name + "”了。";
}

std::optional<std::string> StoredName(Connection& db, std::string_view id) {
  auto row = db.Execute("SELECT act_name FROM action WHERE ID=?", {RowId(id)});
  if (row->eof()) return std::nullopt;
  return ColumnText(*row, "act_name");
}

std::vector<Variant> Columns(const CannedAction& action) {
  return {Variant(action.name), Variant(action.to_all), Variant(action.to_self),
          Variant(action.to_other)};
}

std::string Describe(const CannedAction& action) {
  return "对大家=" + action.to_all + " 对自己=" + action.to_self + " 对别人=" + action.to_other;
}

}  // namespace

std::vector<CannedAction> ListActions(ConsoleContext& context) {
  std::vector<CannedAction> actions;
  for (auto row = context.db().Execute("SELECT * FROM action ORDER BY act_name"); !row->eof();
       row->MoveNext()) {
    actions.push_back({ColumnText(*row, "ID"), ColumnText(*row, "act_name"),
                       ColumnText(*row, "toall"), ColumnText(*row, "toself"),
                       ColumnText(*row, "toother")});
  }
  return actions;
}

Outcome AddAction(ConsoleContext& context, const CannedAction& typed) {
  CannedAction action;
  if (auto refusal = CheckAction(typed, action)) return Outcome::Refused(*refusal);
  Connection& db = context.db();
  if (auto refusal = NameTaken(db, action.name, "")) return Outcome::Refused(*refusal);
  db.Execute("INSERT INTO action (act_name,toall,toself,toother) VALUES (?,?,?,?)",
             Columns(action));
  RecordChange(context, AuditArea::kActions, "/" + action.name, "新加 " + Describe(action));
  return Outcome::Done("动作 /" + action.name + " 已经加上。");
}

Outcome EditAction(ConsoleContext& context, const CannedAction& typed) {
  Connection& db = context.db();
  if (!StoredName(db, typed.id)) return Outcome::Refused("没有这个动作。");
  CannedAction action;
  if (auto refusal = CheckAction(typed, action)) return Outcome::Refused(*refusal);
  if (auto refusal = NameTaken(db, action.name, action.id)) return Outcome::Refused(*refusal);
  std::vector<Variant> values = Columns(action);
  values.push_back(Variant(action.id));
  db.Execute("UPDATE action SET act_name=?,toall=?,toself=?,toother=? WHERE ID=?", values);
  RecordChange(context, AuditArea::kActions, "/" + action.name, "修改 " + Describe(action));
  return Outcome::Done("动作 /" + action.name + " 已经改好。");
}

Outcome DeleteAction(ConsoleContext& context, std::string_view id) {
  Connection& db = context.db();
  const std::optional<std::string> name = StoredName(db, id);
  if (!name) return Outcome::Refused("没有这个动作。");
  db.Execute("DELETE FROM action WHERE ID=?", {RowId(id)});
  RecordChange(context, AuditArea::kActions, "/" + *name, "删除");
  return Outcome::Done("动作 /" + *name + " 已经删除。");
}

}  // namespace tavolin::console
