// Copyright Tavolin developers.
//
// Friend requests: addfriend.asp asks a user to become a friend and lists the
// requests waiting for the visitor; agreefriend.asp answers one of them, by a
// posted form only. Only the user a request is addressed to may answer it:
// yes puts each name into the other's friends list; either answer deletes
// the request.

#include <optional>
#include <string>
#include <variant>

#include "component/column_text.h"
#include "component/list_record.h"
#include "sitepages/friends_list.h"
#include "sitepages/input_limits.h"
#include "sitepages/registered_users.h"
#include "sitepages/site_html.h"
#include "sitepages/site_pages.h"
#include "sitepages/site_visit.h"
#include "sitepages/transaction.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

Outcome AskFriend(SiteVisit& visit) {
  if (auto refusal = visit.TooFast(kFriendRequestsPerMinute)) return *refusal;
  const auto addressee = FindAddressee(visit.db(), visit.Form("towho"));
  if (const auto* refusal = std::get_if<Outcome>(&addressee)) return *refusal;
  const std::string& towho = std::get<std::string>(addressee);
  if (text::EqualsIgnoringAsciiCase(towho, visit.name())) {
    return Outcome::Refused("不能向自己申请好友。");
  }
  if (HasWord(ColumnText(*visit.UserRow(), "friends"), towho)) {
    return Outcome::Refused(towho + "已经是你的好友了。");
  }
  const Variant who(visit.name());
  if (!visit.db().Execute("select ID from friendrq where who=? and towho=?", {who, towho})->eof()) {
    return Outcome::Refused("你已经向" + towho + "发出过好友申请了，请等对方回答。");
  }
  if (!visit.db().Execute("select ID from friendrq where who=? and towho=?", {towho, who})->eof()) {
    return Outcome::Refused(towho + "已经向你发出了好友申请，在下面回答就行了。");
  }
  visit.db().Execute("insert into friendrq (who,towho,sub_time) values (?,?,?)",
                     {who, Variant(towho), Variant(visit.Now())});
  return Outcome::Done("好友申请已经发给" + towho + "，对方下次进入聊天室时会看到。");
}

// A waiting request (a row of friendrq) with the buttons that answer it.
std::string AnswerForm(const SiteVisit& visit, RecordSet& request) {
  return visit.PostForm("agreefriend.asp") + "<p>" +
         text::HtmlEscape(text::TrimBlanks(ColumnText(request, "who"))) +
         " 想和你做好友 <input type='hidden' name='ID' value='" + request.Field("ID").ToText() +
         "'><button name='answer' value='yes'>同意</button> "
         "<button name='answer' value='no'>不同意</button></p></form>";
}

std::string RequestsWaiting(SiteVisit& visit) {
  std::string list;
  for (auto rows = visit.db().Execute("select * from friendrq where towho=? order by ID",
                                      {Variant(visit.name())});
       !rows->eof(); rows->MoveNext()) {
    list += AnswerForm(visit, *rows);
  }
  return list.empty() ? "<p class='hint'>没有等你回答的好友申请。</p>" : list;
}

Outcome NotYours() { return Outcome::Refused("没有给你的这个好友申请。"); }

// The request of the page's ID addressed to the visitor, with its answer
// buttons: what an answer link shows until the visitor posts an answer.
std::string RequestToAnswer(SiteVisit& visit) {
  const std::optional<int32_t> id = WholeNumberInput(visit.Item("ID"));
  if (id) {
    auto request = visit.db().Execute("select * from friendrq where ID=? and towho=?",
                                      {Variant(*id), Variant(visit.name())});
    if (!request->eof()) return AnswerForm(visit, *request);
  }
  return OutcomeHtml(NotYours());
}

// What an answer came to, and whether it settles (deletes) the request: a
// full friends list keeps it, to be answered again once there is room.
struct Answered {
  Outcome outcome;
  bool settled;
};

// Puts each of the two into the other's friends list.
// REQUIRES: a transaction is open on the visit's connection.
Answered Befriend(SiteVisit& visit, const std::string& requester) {
  Connection& db = visit.db();
  std::string their_name;
  std::string their_friends;
  {
    auto row = db.Execute("select username, friends from user where username=?", {requester});
    if (row->eof()) return {Outcome::Refused(requester + "的帐号已经不存在了。"), true};
    their_name = ColumnText(*row, "username");
    their_friends = ColumnText(*row, "friends");
  }
  const auto mine = WithFriend(ColumnText(*visit.UserRow(), "friends"), their_name);
  if (!mine) return {FriendsListFull("你的"), false};
  const auto theirs = WithFriend(their_friends, visit.name());
  if (!theirs) return {FriendsListFull(their_name + "的"), false};
  db.Execute("update user set friends=? where username=?", {*mine, Variant(visit.name())});
  db.Execute("update user set friends=? where username=?", {*theirs, their_name});
  // A request the other way is answered by this one too.
  db.Execute("delete from friendrq where who=? and towho=?", {Variant(visit.name()), their_name});
  return {Outcome::Done("你和" + their_name + "成为好友了。"), true};
}

Outcome Answer(SiteVisit& visit) {
  const std::string answer = visit.Item("answer");
  if (answer != "yes" && answer != "no") {
    return Outcome::Refused("请回答同意（yes）还是不同意（no）。");
  }
  const std::optional<int32_t> id = WholeNumberInput(visit.Item("ID"));
  if (!id) return NotYours();

  Transaction transaction(visit.db());
  std::string requester;
  {
    auto request = visit.db().Execute("select who from friendrq where ID=? and towho=?",
                                      {Variant(*id), Variant(visit.name())});
    if (request->eof()) return NotYours();
    requester = text::TrimBlanks(ColumnText(*request, "who"));
  }
  const Answered answered =
      answer == "yes" ? Befriend(visit, requester)
                      : Answered{Outcome::Done("你没有同意" + requester + "的好友申请。"), true};
  if (!answered.settled) return answered.outcome;
  visit.db().Execute("delete from friendrq where ID=?", {Variant(*id)});
  transaction.Commit();
  return answered.outcome;
}

// The answer as a system line of the chat window, when the page is loaded
// into one of its frames (the request links of the login notice load it into
// a hidden one).
std::string ChatLine(Corvane& object, const Outcome& outcome) {
  return "<script>if(parent!=window&&parent.addsay){parent.addsay(-1,'" +
         text::ScriptStringEscape(text::HtmlEscape(outcome.message)) +
         "','','',0,'990066','',-2,'" + object.GetTimeStr().ToText() + "','');}</script>";
}

}  // namespace

std::optional<PageContent> FriendRequestPage(const SiteHost& host) {
  SiteVisit visit(host);
  if (!visit.in_chat()) return std::nullopt;
  std::optional<Outcome> outcome;
  if (visit.posted()) outcome = AskFriend(visit);
  return PageContent{"好友申请", PageHead("好友申请") + OutcomeHtml(outcome) +
                                     "<h2>等你回答的申请</h2>" + RequestsWaiting(visit) +
                                     "<h2>申请加好友</h2>" + visit.PostForm("addfriend.asp") +
                                     "<p>向 " + visit.AddresseeInput() +
                                     " <button type='submit'>发出申请</button></p></form>"};
}

std::optional<PageContent> FriendAnswerPage(const SiteHost& host) {
  SiteVisit visit(host);
  if (!visit.in_chat()) return std::nullopt;
  if (!visit.posted())
    return PageContent{"好友申请", PageHead("好友申请") + RequestToAnswer(visit)};
  const Outcome outcome = Answer(visit);
  return PageContent{
      "好友申请", PageHead("好友申请") + OutcomeHtml(outcome) + ChatLine(visit.object(), outcome)};
}

}  // namespace tavolin
