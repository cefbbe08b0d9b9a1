// Copyright Tavolin developers.

#include "console/robot_operations.h"

#include <optional>

#include "component/column_text.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "text/strings.h"

namespace tavolin::console {

namespace {

// The answer as stored, or the refusal.
std::optional<std::string> CheckAnswer(std::string_view text, std::string& answer) {
  answer = std::string(text::TrimBlanks(text));
  if (answer.empty()) return "回答不能为空。";
  if (!FitsLists(answer)) return "回答里不能有 $> <$ 和控制字符。";
  return std::nullopt;
}

std::optional<std::string> StoredAnswer(Connection& db, std::string_view id) {
  auto row = db.Execute("SELECT text_body FROM autoact WHERE id=?", {RowId(id)});
  if (row->eof()) return std::nullopt;
  return ColumnText(*row, "text_body");
}

// The robot draws from the new count at once.
void RecountAnswers(ConsoleContext& context) {
  context.app().Set(context.prefix() + "_autosay_count",
                    context.db().Execute("SELECT count(*) AS n FROM autoact")->Field("n"));
}

}  // namespace

std::vector<RobotAnswer> ListRobotAnswers(ConsoleContext& context) {
  std::vector<RobotAnswer> answers;
  for (auto row = context.db().Execute("SELECT id,text_body FROM autoact ORDER BY id"); !row->eof();
       row->MoveNext()) {
    answers.push_back({ColumnText(*row, "id"), ColumnText(*row, "text_body")});
  }
  return answers;
}

Outcome AddRobotAnswer(ConsoleContext& context, std::string_view text) {
  std::string answer;
  if (auto refusal = CheckAnswer(text, answer)) return Outcome::Refused(*refusal);
  Connection& db = context.db();
  db.Execute("INSERT INTO autoact (id,text_body) SELECT coalesce(max(id),0)+1,? FROM autoact",
             {Variant(answer)});
  const std::string id = ColumnText(*db.Execute("SELECT max(id) AS id FROM autoact"), "id");
  RecountAnswers(context);
  RecordChange(context, AuditArea::kRobotAnswers, "回答 " + id, "新加：" + answer);
  return Outcome::Done("第 " + id + " 个回答已经加上。");
}

Outcome EditRobotAnswer(ConsoleContext& context, std::string_view id, std::string_view text) {
  Connection& db = context.db();
  const std::optional<std::string> before = StoredAnswer(db, id);
  if (!before) return Outcome::Refused("没有这个回答。");
  std::string answer;
  if (auto refusal = CheckAnswer(text, answer)) return Outcome::Refused(*refusal);
  db.Execute("UPDATE autoact SET text_body=? WHERE id=?", {Variant(answer), RowId(id)});
  RecordChange(context, AuditArea::kRobotAnswers, "回答 " + std::string(id),
               "“" + *before + "”改为“" + answer + "”");
  return Outcome::Done("第 " + std::string(id) + " 个回答已经改好。");
}

Outcome DeleteRobotAnswer(ConsoleContext& context, std::string_view id) {
  Connection& db = context.db();
  const std::optional<std::string> before = StoredAnswer(db, id);
  if (!before) return Outcome::Refused("没有这个回答。");
  db.Execute("DELETE FROM autoact WHERE id=?", {RowId(id)});
  // The followers move up one in two steps, so no number is ever held twice.
  db.Execute("UPDATE autoact SET id=-id WHERE id>?", {RowId(id)});
  db.Execute("UPDATE autoact SET id=-id-1 WHERE id<0");
  RecountAnswers(context);
  RecordChange(context, AuditArea::kRobotAnswers, "回答 " + std::string(id), "删除：" + *before);
  return Outcome::Done("第 " + std::string(id) + " 个回答已经删除，后面的往前移了一个号。");
}

}  // namespace tavolin::console
