// Copyright Tavolin developers.
//
// getcall.asp: calls. The login notice opens this page when calls wait: calls
// to the visitor not yet read, and calls to everybody. A call to the visitor
// is marked read once shown; a call to everybody is shown to each user once,
// remembered by its number in the user's calls_seen (the login itself moves
// out_time to the login time, so "since the last visit" cannot be asked of
// out_time any more by the time this page loads). Calls to everybody from
// before a user registered, and the visitor's own, are not shown.

#include <algorithm>
#include <optional>
#include <string>
#include <variant>

#include "component/column_text.h"
#include "component/page_text.h"
#include "sitepages/input_limits.h"
#include "sitepages/registered_users.h"
#include "sitepages/site_html.h"
#include "sitepages/site_pages.h"
#include "sitepages/site_visit.h"
#include "text/html_text.h"

namespace tavolin {

namespace {

Outcome SendCall(SiteVisit& visit) {
  if (auto refusal = visit.TooFast(kCallsPerMinute)) return *refusal;
  std::string towho = TrimmedInput(visit.Form("towho"));
  if (towho == page::kEverybody) {
    if (!visit.Allowed(kCallsToAllPerHour)) {
      return Outcome::Refused("每小时最多只能传呼大家" +
                              std::to_string(visit.MostAllowed(kCallsToAllPerHour)) +
                              "次，请稍后再试。");
    }
  } else {
    const auto addressee = FindAddressee(visit.db(), towho);
    if (const auto* refusal = std::get_if<Outcome>(&addressee)) return *refusal;
    towho = std::get<std::string>(addressee);
  }
  const std::string body = TrimmedInput(visit.Form("body"));
  if (body.empty()) return Outcome::Refused("传呼的话不能是空的。");
  if (auto refusal = TooLong(body, kMaxCallChars, "传呼的话")) return *refusal;
  visit.db().Execute("insert into calls (towho,who,body,calltime,read) values (?,?,?,?,0)",
                     {Variant(towho), Variant(visit.name()), Variant(body), Variant(visit.Now())});
  return Outcome::Done("已经传呼" + towho + "了。");
}

// The newest calls waiting (at most a page), newest first, marked as shown;
// older calls to the visitor wait for the next visit of the page. Calls to
// everybody are remembered by the newest shown, so older ones past the page
// are passed over.
std::string WaitingCalls(SiteVisit& visit) {
  int32_t seen = 0;
  Variant registered{DateTime()};
  {
    auto user = visit.UserRow();
    const Variant calls_seen = user->Field("calls_seen");
    if (!calls_seen.is_null()) seen = calls_seen.ToLong();
    if (const Variant log_time = user->Field("log_time"); !log_time.is_null()) {
      registered = log_time;
    }
  }
  const Variant name(visit.name());
  std::string list;
  int32_t newest_to_me = 0;
  int32_t oldest_to_me = 0;
  int32_t newest_to_all = seen;
  int32_t shown = 0;
  bool more = false;
  for (auto rows = visit.db().Execute(
           "select * from calls where (towho=? and ID>? and who<>? and "
           "datediff('s',calltime,?)<0) or (towho=? and read=0) order by ID desc limit ?",
           {Variant(page::kEverybody), Variant(seen), name, registered, name,
            Variant(kRowsPerPage + 1)});
       !rows->eof(); rows->MoveNext()) {
    if (++shown > kRowsPerPage) {
      more = true;
      break;
    }
    const int32_t id = rows->Field("ID").ToLong();
    const std::string towho = ColumnText(*rows, "towho");
    int32_t& newest = towho == page::kEverybody ? newest_to_all : newest_to_me;
    newest = std::max(newest, id);
    if (towho != page::kEverybody) oldest_to_me = id;
    list += "<p><span class='note'>" + text::HtmlEscape(ColumnText(*rows, "calltime")) + " " +
            text::HtmlEscape(ColumnText(*rows, "who")) + " 传呼" + text::HtmlEscape(towho) +
            "：</span><br>" + MultilineHtml(ColumnText(*rows, "body")) + "</p>";
  }
  // Only what was shown: a call that came in meanwhile has a higher number.
  if (newest_to_me > 0) {
    visit.db().Execute("update calls set read=1 where towho=? and read=0 and ID>=? and ID<=?",
                       {name, Variant(oldest_to_me), Variant(newest_to_me)});
  }
  if (newest_to_all > seen) {
    visit.db().Execute("update user set calls_seen=? where username=?",
                       {Variant(newest_to_all), name});
  }
  if (list.empty()) return "<p class='hint'>没有新的传呼。</p>";
  if (more) list += "<p class='hint'>还有更早的传呼，再打开本页就能看到。</p>";
  return list;
}

}  // namespace

std::optional<PageContent> CallsPage(const SiteHost& host) {
  SiteVisit visit(host);
  if (!visit.in_chat()) return std::nullopt;
  std::optional<Outcome> outcome;
  if (visit.posted()) outcome = SendCall(visit);

  const std::string max = std::to_string(kMaxCallChars);
  return PageContent{
      "传呼", PageHead("传呼") + OutcomeHtml(outcome) + "<h2>给你的传呼</h2>" +
                  WaitingCalls(visit) + "<h2>传呼别人</h2>" + visit.PostForm("getcall.asp") +
                  "<p>传呼 " + visit.AddresseeInput() +
                  "（写“大家”传呼所有人）</p><p><input name='body' size='50' maxlength='" + max +
                  "'></p><p class='hint'>最多" + max +
                  "个字。</p><button type='submit'>传呼</button></form>"};
}

}  // namespace tavolin
