// Copyright Tavolin developers.
//
// The notices a returning user gets with the login, in one private line:
// calls waiting, new guestbook messages, friend requests with their answer
// links, and the friends who are online. The texts travel inside a
// single-quoted script string, hence the "\'" and "<\script>" in them.

#include <string>

#include "component/column_text.h"
#include "component/live_state.h"
#include "conversation/script_values.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The answer link of a friend request.
std::string AnswerLink(const std::string& id, std::string_view answer, std::string_view label) {
  return "[<a href=\\'agreefriend.asp?ID=" + id + "&answer=" + std::string(answer) +
         "\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' target=newsay>" +
         std::string(label) + "</a>]";
}

}  // namespace

std::string Corvane::LoginNotices(Application& application, const std::string& name,
                                  const Variant& last_out, const std::string& friends) {
  Connection& db = Database(application);
  std::string notices;

  // Calls to everybody since the last visit, or unread calls to this user.
  if (!db.Execute("select * from calls where (towho='大家' and datediff('s',calltime,?)<0) or "
                  "(towho=? and read=0) order by ID desc",
                  {last_out, Variant(name)})
           ->eof()) {
    notices +=
        "<\\script>window.open(\\'getcall.asp\\',\\'\\',\\'width=550,height=300,scrollbars=1\\');"
        "</\\script>";
  }

  if (!db.Execute("select * from guestbook where towho=? and datediff('s',post_time,?)<0",
                  {Variant(name), last_out})
           ->eof()) {
    notices +=
        "【系统】" + name + ":有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>";
  }

  for (auto requests =
           db.Execute("select * from friendrq where towho=? order by ID", {Variant(name)});
       !requests->eof(); requests->MoveNext()) {
    const std::string id = ColumnText(*requests, "ID");
    notices += "【系统】" + ShownInScript(text::TrimBlanks(ColumnText(*requests, "who"))) +
               "向你发出好友申请，你是" + AnswerLink(id, "yes", "同意") + "还是" +
               AnswerLink(id, "no", "不同意") + "？<br>";
  }

  // Each listed friend who has a record in the user list, as often as listed.
  std::string online;
  LiveState& live = Live(application);
  ApplicationLock lock(application);
  if (!friends.empty()) {
    for (std::string_view friend_name : text::Split(text::TrimBlanks(friends), " ")) {
      if (!live.HasUser(friend_name)) continue;
      const std::string f(friend_name);
      online += "<font class=a color=#880088 onclick=javascript:parent.chuser(\\'" + f + "\\') >" +
                f + "</font>，";
    }
  }
  if (!online.empty()) notices += "【系统】在线好友：" + online + "快快与好友联系吧！<br>";
  return notices;
}

}  // namespace tavolin
