// Copyright Tavolin developers.
//
// The address locks page: the locks, adding one, removing one.

#include <optional>
#include <string>

#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/lock_operations.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {
constexpr std::string_view kAction = "/admin/locks.asp";
}  // namespace

std::optional<Outcome> LockAction(ConsoleVisit& visit) {
  const std::string& what = visit.Value("do");
  if (what == "add") {
    return AddLock(visit.context, visit.Value("address"), visit.Value("until"),
                   visit.Value("level"));
  }
  if (what == "remove") return RemoveLock(visit.context, visit.Value("id"));
  return std::nullopt;
}

std::string LocksPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  std::string rows;
  for (const AddressLockView& lock : ListLocks(visit.context)) {
    rows +=
        "<tr><td>" + text::HtmlEscape(lock.address) + "</td><td>" + text::HtmlEscape(lock.until) +
        "</td><td>" + text::HtmlEscape(lock.exempt_level) + "</td><td>" +
        ActionForm(kAction, "remove", visit.token, Hidden("id", lock.id), "解除") + "</td></tr>";
  }
  return OutcomeHtml(outcome) +
         "<p class='hint'>地址里含有封锁的文字就被封锁（10.1. 封锁 10.1.x.x）；新用户一律不能注册，"
         "级别低于免封级别的老用户不能进入。</p><div class='scroll'><table class='list' "
         "id='locks'><tr><th>地址</th><th>到</th><th>免封级别</th><th></th></tr>" +
         rows + "</table></div><h2>新封锁</h2>" +
         ActionForm(kAction, "add", visit.token,
                    Input("地址或开头", "address", "") +
                        Input("到", "until", "", "datetime-local") +
                        Input("免封级别", "level", "0", "number"),
                    "封锁");
}

}  // namespace tavolin::console
