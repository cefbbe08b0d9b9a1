// Copyright Tavolin developers.
//
// guest.asp: the guestbook. A visitor reads only the messages left for the
// own name and leaves messages for any registered user; the login notice
// tells a user of messages newer than the last visit.

#include <optional>
#include <string>
#include <variant>

#include "component/column_text.h"
#include "sitepages/input_limits.h"
#include "sitepages/registered_users.h"
#include "sitepages/site_html.h"
#include "sitepages/site_pages.h"
#include "sitepages/site_visit.h"
#include "text/html_text.h"

namespace tavolin {

namespace {

Outcome LeaveMessage(SiteVisit& visit) {
  if (auto refusal = visit.TooFast(kMessagesPerMinute)) return *refusal;
  const auto addressee = FindAddressee(visit.db(), visit.Form("towho"));
  if (const auto* refusal = std::get_if<Outcome>(&addressee)) return *refusal;
  const std::string& towho = std::get<std::string>(addressee);
  const std::string body = TrimmedInput(visit.Form("body"));
  if (body.empty()) return Outcome::Refused("留言不能是空的。");
  if (auto refusal = TooLong(body, kMaxMessageChars, "留言")) return *refusal;
  visit.db().Execute("insert into guestbook (towho,who,body,post_time) values (?,?,?,?)",
                     {Variant(towho), Variant(visit.name()), Variant(body), Variant(visit.Now())});
  return Outcome::Done("留言已经留给" + towho + "了。");
}

std::string PageLink(int32_t page, std::string_view label) {
  return "<a href='guest.asp?page=" + std::to_string(page) + "'>" + std::string(label) + "</a> ";
}

// One page of the messages left for the visitor, newest first, with links to
// the pages around it.
std::string MessagesFor(SiteVisit& visit) {
  const int32_t page = PageNumber(visit.Item("page"));
  std::string list;
  int32_t shown = 0;
  bool more = false;
  // One row past the page tells whether an older page follows.
  for (auto rows = visit.db().Execute(
           "select * from guestbook where towho=? order by post_time desc, ID desc "
           "limit ? offset ?",
           {Variant(visit.name()), Variant(kRowsPerPage + 1), Variant((page - 1) * kRowsPerPage)});
       !rows->eof(); rows->MoveNext()) {
    if (++shown > kRowsPerPage) {
      more = true;
      break;
    }
    list += "<p><span class='note'>" + text::HtmlEscape(ColumnText(*rows, "post_time")) + " " +
            text::HtmlEscape(ColumnText(*rows, "who")) + " 留言：</span><br>" +
            MultilineHtml(ColumnText(*rows, "body")) + "</p>";
  }
  if (list.empty()) list = "<p class='hint'>还没有人给你留言。</p>";
  if (page > 1 || more) {
    list += "<p>";
    if (page > 1) list += PageLink(page - 1, "较新的留言");
    if (more) list += PageLink(page + 1, "更早的留言");
    list += "</p>";
  }
  return list;
}

}  // namespace

std::optional<PageContent> GuestbookPage(const SiteHost& host) {
  SiteVisit visit(host);
  if (!visit.in_chat()) return std::nullopt;
  std::optional<Outcome> outcome;
  if (visit.posted()) outcome = LeaveMessage(visit);

  const std::string max = std::to_string(kMaxMessageChars);
  return PageContent{"留言簿", PageHead("留言簿") + OutcomeHtml(outcome) + "<h2>给你的留言</h2>" +
                                   MessagesFor(visit) + "<h2>给别人留言</h2>" +
                                   visit.PostForm("guest.asp") + "<p>给 " + visit.AddresseeInput() +
                                   "</p><p><textarea name='body' rows='5' cols='50' maxlength='" +
                                   max + "'></textarea></p><p class='hint'>最多" + max +
                                   "个字。</p><button type='submit'>留言</button></form>"};
}

}  // namespace tavolin
