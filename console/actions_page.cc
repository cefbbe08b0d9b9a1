// Copyright Tavolin developers.
//
// The canned actions page: every action word with its three wordings, each
// editable and deletable, and a form to add one.

#include <optional>
#include <string>

#include "console/action_operations.h"
#include "console/console_html.h"
#include "console/console_pages.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kAction = "/admin/actions.asp";

CannedAction ReadForm(const ConsoleVisit& visit) {
  return {visit.Value("id"), visit.Value("name"), visit.Value("toall"), visit.Value("toself"),
          visit.Value("toother")};
}

std::string ActionInputs(const CannedAction& action) {
  return Input("动作名 /", "name", action.name) + Input("对大家", "toall", action.to_all) +
         Input("对自己", "toself", action.to_self) + Input("对别人", "toother", action.to_other);
}

}  // namespace

std::optional<Outcome> ActionsAction(ConsoleVisit& visit) {
  const std::string& what = visit.Value("do");
  if (what == "add") return AddAction(visit.context, ReadForm(visit));
  if (what == "edit") return EditAction(visit.context, ReadForm(visit));
  if (what == "delete") return DeleteAction(visit.context, visit.Value("id"));
  return std::nullopt;
}

std::string ActionsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  // A refused new action comes back as typed.
  const bool retyped = outcome && !outcome->done && visit.Value("do") == "add";
  std::string rows;
  for (const CannedAction& action : ListActions(visit.context)) {
    rows += "<tr><td>/" + text::HtmlEscape(action.name) + "</td><td>" +
            ActionForm(kAction, "edit", visit.token, Hidden("id", action.id) + ActionInputs(action),
                       "保存") +
            ActionForm(kAction, "delete", visit.token, Hidden("id", action.id), "删除") +
            "</td></tr>";
  }
  return OutcomeHtml(outcome) +
         "<p class='note'>说法里的 ## 处是发动作的人的名字。</p><div class='scroll'><table "
         "class='list' id='actions'><tr><th>动作</th><th>说法</th></tr>" +
         rows + "</table></div><h2>新动作</h2>" +
         ActionForm(kAction, "add", visit.token,
                    ActionInputs(retyped ? ReadForm(visit) : CannedAction{}), "加上");
}

}  // namespace tavolin::console
