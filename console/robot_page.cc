// Copyright Tavolin developers.
//
// The robot answers page: every answer with its number, each editable and
// deletable, and a form to add one.

#include <optional>
#include <string>

#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/robot_operations.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kAction = "/admin/robot.asp";

}  // namespace

std::optional<Outcome> RobotAction(ConsoleVisit& visit) {
  const std::string& what = visit.Value("do");
  if (what == "add") return AddRobotAnswer(visit.context, visit.Value("text"));
  if (what == "edit") return EditRobotAnswer(visit.context, visit.Value("id"), visit.Value("text"));
  if (what == "delete") return DeleteRobotAnswer(visit.context, visit.Value("id"));
  return std::nullopt;
}

std::string RobotPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  const std::vector<RobotAnswer> answers = ListRobotAnswers(visit.context);
  std::string rows;
  for (const RobotAnswer& answer : answers) {
    rows += "<tr><td>" + text::HtmlEscape(answer.id) + "</td><td>" +
            ActionForm(kAction, "edit", visit.token,
                       Hidden("id", answer.id) + Input("", "text", answer.text), "保存") +
            ActionForm(kAction, "delete", visit.token, Hidden("id", answer.id), "删除") +
            "</td></tr>";
  }
  return OutcomeHtml(outcome) + "<p class='note'>房间的机器人从 <b id='answer-count'>" +
         std::to_string(answers.size()) +
         "</b> 个回答里随便挑一个。</p><div class='scroll'><table class='list' "
         "id='answers'><tr><th>号</th><th>回答</th></tr>" +
         rows + "</table></div><h2>新回答</h2>" +
         ActionForm(kAction, "add", visit.token, Input("回答", "text", ""), "加上");
}

}  // namespace tavolin::console
