// Copyright Tavolin developers.

#include "console/console_pages.h"

#include "console/console_html.h"

namespace tavolin::console {

namespace {

struct ConsolePage {
  std::string_view path;
  std::string_view title;
  std::optional<Outcome> (*act)(ConsoleVisit&);  // null: the page changes nothing
  std::string (*show)(ConsoleVisit&, const std::optional<Outcome>&);
};

constexpr ConsolePage kPages[] = {
    {"/admin/", "控制台", nullptr,
     [](ConsoleVisit& visit, const std::optional<Outcome>&) { return HomePage(visit); }},
    {"/admin/index.asp", "控制台", nullptr,
     [](ConsoleVisit& visit, const std::optional<Outcome>&) { return HomePage(visit); }},
    {"/admin/rooms.asp", "房间", RoomAction, RoomsPage},
    {"/admin/users.asp", "用户", UserAction, UsersPage},
    {"/admin/locks.asp", "地址封锁", LockAction, LocksPage},
    {"/admin/online.asp", "在线", OnlineAction, OnlinePage},
    {"/admin/settings.asp", "设置", SettingsAction, SettingsPage},
    {"/admin/robot.asp", "机器人回答", RobotAction, RobotPage},
    {"/admin/actions.asp", "动作", ActionsAction, ActionsPage},
    {"/admin/activity.asp", "活动", nullptr, ActivityPage},
};

const ConsolePage* FindPage(std::string_view path) {
  for (const ConsolePage& page : kPages) {
    if (page.path == path) return &page;
  }
  return nullptr;
}

}  // namespace

const std::string& ConsoleVisit::Value(std::string_view name) const {
  static const std::string kNone;
  const auto found = values.find(name);
  return found == values.end() ? kNone : found->second;
}

bool IsConsolePage(std::string_view path) { return FindPage(path) != nullptr; }

std::vector<std::string_view> ConsolePagePaths() {
  std::vector<std::string_view> paths;
  for (const ConsolePage& page : kPages) paths.push_back(page.path);
  return paths;
}

Outcome DoConsoleAction(ConsoleVisit& visit, std::string_view path) {
  const ConsolePage& page = *FindPage(path);
  std::optional<Outcome> outcome = page.act ? page.act(visit) : std::nullopt;
  return outcome ? *outcome : Outcome::Refused("不认识这个操作。");
}

ConsoleAnswer ServeConsolePage(ConsoleVisit& visit, std::string_view path) {
  const ConsolePage& page = *FindPage(path);
  ConsoleAnswer answer;
  if (visit.posted) {
    answer.outcome = DoConsoleAction(visit, path);
    if (!answer.outcome->done) answer.status = 400;
  }
  answer.html = ConsoleFrame(page.title, page.show(visit, answer.outcome), visit.token);
  return answer;
}

}  // namespace tavolin::console
