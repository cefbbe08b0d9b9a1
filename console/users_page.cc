// Copyright Tavolin developers.
//
// The users page: a search by name or address, and one user's row with the
// forms that change it.

#include <optional>
#include <string>

#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/user_operations.h"
#include "server/url_codec.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kAction = "/admin/users.asp";

std::string StandingText(const UserView& user) {
  if (user.standing == "5") return "踢出到 " + user.until;
  if (user.standing == "6") return "冻结到 " + user.until;
  if (user.standing == "7") return "永久冻结";
  return "";
}

std::string UserActions(ConsoleVisit& visit, const UserView& user) {
  const std::string who = Hidden("user", user.name);
  const auto form = [&](std::string_view what, std::string_view fields, std::string_view button) {
    return "<p>" + ActionForm(kAction, what, visit.token, who + std::string(fields), button) +
           "</p>";
  };
  return form("level", Input("级别", "level", user.level, "number"), "改级别") +
         form("temp_level",
              Input("临时级别（0 取消）", "level", user.temp_level, "number") +
                  Input("到（空着：不到期）", "until", "", "datetime-local"),
              "改临时级别") +
         form("kick", Input("踢出到", "until", "", "datetime-local"), "踢出") +
         form("freeze", Input("冻结到", "until", "", "datetime-local"), "冻结") +
         form("freeze_forever", "", "永久冻结") + form("lift", "", "解除踢出和冻结") +
         form("password", "", "重设密码") + form("delete", "", "删除用户");
}

}  // namespace

std::optional<Outcome> UserAction(ConsoleVisit& visit) {
  ConsoleContext& context = visit.context;
  const std::string& what = visit.Value("do");
  const std::string& name = visit.Value("user");
  if (what == "level") return SetLevel(context, name, visit.Value("level"));
  if (what == "temp_level") {
    return SetTemporaryLevel(context, name, visit.Value("level"), visit.Value("until"));
  }
  if (what == "kick") return SetStanding(context, name, Standing::kKicked, visit.Value("until"));
  if (what == "freeze") return SetStanding(context, name, Standing::kFrozen, visit.Value("until"));
  if (what == "freeze_forever") return SetStanding(context, name, Standing::kFrozenForEver, "");
  if (what == "lift") return SetStanding(context, name, Standing::kNone, "");
  if (what == "password") return ResetPassword(context, name);
  if (what == "delete") return DeleteUser(context, name);
  return std::nullopt;
}

std::string UsersPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  const std::string& name_prefix = visit.Value("q");
  const std::string& address_prefix = visit.Value("ip");
  std::string page = OutcomeHtml(outcome) +
                     "<form method='get' class='console' action='/admin/users.asp'>" +
                     Input("名字开头", "q", name_prefix) + Input("地址开头", "ip", address_prefix) +
                     "<button type='submit'>查找</button></form>";

  if (const std::string& shown = visit.Value("user"); !shown.empty()) {
    if (const std::optional<UserView> user = ShowUser(visit.context, shown)) {
      page +=
          "<h2>" + text::HtmlEscape(user->name) + (user->online ? "（在线）" : "") +
          "</h2><table class='list' id='user'>" + TextRow({"级别", user->level}) +
          TextRow({"临时级别", user->temp_level +
                                   (user->temp_until.empty() ? "" : "，到 " + user->temp_until)}) +
          TextRow({"状态", StandingText(*user)}) + TextRow({"注册地址", user->first_ip}) +
          TextRow({"最近地址", user->last_ip}) + TextRow({"来访次数", user->visits}) +
          TextRow({"注册时间", user->registered}) + TextRow({"最近登录", user->last_login}) +
          "</table>" + UserActions(visit, *user);
    }
  }
  if (name_prefix.empty() && address_prefix.empty()) return page;
  std::string rows;
  for (const UserView& user : FindUsers(visit.context, name_prefix, address_prefix)) {
    rows += "<tr><td><a href='/admin/users.asp?user=" +
            text::HtmlEscape(server::PercentEncode(user.name)) + "'>" +
            text::HtmlEscape(user.name) + "</a></td>" +
            TextRow({user.level, StandingText(user), user.last_ip, user.online ? "在线" : ""})
                .substr(4);
  }
  return page +
         "<div class='scroll'><table class='list' id='found'><tr><th>名字</th><th>级别</th>"
         "<th>状态</th><th>最近地址</th><th></th></tr>" +
         rows + "</table></div>";
}

}  // namespace tavolin::console
