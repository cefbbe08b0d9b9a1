// Copyright Tavolin developers.
//
// The console's pages under /admin/: the home page, rooms, users, address
// locks, who is online, settings, robot answers, canned actions and activity. A GET shows; a POST
// (one that has passed the password and the anti-forgery check) does the one action its field "do"
// names through the operations, then shows the page with the outcome.

#ifndef TAVOLIN_CONSOLE_CONSOLE_PAGES_H_
#define TAVOLIN_CONSOLE_CONSOLE_PAGES_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct ConsoleVisit {
  ConsoleContext& context;
  bool posted = false;
  std::map<std::string, std::string, std::less<>> values;  // query and form fields, UTF-8
  std::string token;                                       // for the page's forms

  // The field's value, "" when absent.
  const std::string& Value(std::string_view name) const;
};

struct ConsoleAnswer {
  int status = 200;
  std::string html;
  std::optional<Outcome> outcome;  // of a POST
};

// Whether `path` (lower case, decoded) is one of the console's pages.
bool IsConsolePage(std::string_view path);
// The paths of the console's pages.
std::vector<std::string_view> ConsolePagePaths();
// Does the action of the POST `visit` on the page at `path`: a refusal for
// a page without actions or an unknown "do". REQUIRES: IsConsolePage(path).
Outcome DoConsoleAction(ConsoleVisit& visit, std::string_view path);
// REQUIRES: IsConsolePage(path).
ConsoleAnswer ServeConsolePage(ConsoleVisit& visit, std::string_view path);

// The pages' bodies, each with the outcome of the action just done.
std::string HomePage(ConsoleVisit& visit);
std::string RoomsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string UsersPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string LocksPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string OnlinePage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string SettingsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string RobotPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string ActionsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);
std::string ActivityPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome);

// The actions of the posted forms; nothing for an unknown "do".
std::optional<Outcome> RoomAction(ConsoleVisit& visit);
std::optional<Outcome> UserAction(ConsoleVisit& visit);
std::optional<Outcome> LockAction(ConsoleVisit& visit);
std::optional<Outcome> OnlineAction(ConsoleVisit& visit);
std::optional<Outcome> SettingsAction(ConsoleVisit& visit);
std::optional<Outcome> RobotAction(ConsoleVisit& visit);
std::optional<Outcome> ActionsAction(ConsoleVisit& visit);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_CONSOLE_PAGES_H_
