// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kCallScript[] =
    "<\\script>window.open(\\'getcall.asp\\',\\'\\',\\'width=550,height=300,scrollbars=1\\');"
    "</\\script>";

// Registered users (out_time a day ago) logging in to a loaded chat.
class LoginNoticesTest : public ::testing::Test {
 protected:
  LoginNoticesTest() {
    for (const char* name : {"ann", "bob", "cat", "Dan", "fay", "ivy"}) chat_.AddUser(name, "pw");
    chat_.Load();
  }
  // Logs in as typed and gives the notice line's text, or "" for none.
  std::string Notices(const std::string& typed) {
    const int32_t before = chat_.NewestSayId();
    EXPECT_EQ(chat_.LogIn(LoginForm(typed, "pw")), "");
    if (chat_.NewestSayId() - before == 1) return "";
    const std::string line = chat_.RingColumn(5).ToText();
    return line.substr(1, line.find("','") - 1);
  }
  Variant HoursAgo(int hours) { return chat_.clock().Now().AddSeconds(-3600 * hours).ToString(); }

  LoginChat chat_;
};

TEST_F(LoginNoticesTest, CallsAndGuestbookSinceTheLastVisit) {
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 0)", {HoursAgo(48)});
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('ann', ?, 1)", {HoursAgo(1)});
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('ann', ?)", {HoursAgo(48)});
  EXPECT_EQ(Notices("ann"), "");
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 1)", {HoursAgo(2)});
  EXPECT_EQ(Notices("bob"), kCallScript);
  chat_.Exec("DELETE FROM calls");
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('cat', ?, 0)", {HoursAgo(72)});
  EXPECT_EQ(Notices("cat"), kCallScript);  // unread, however old
  // The notice names the visitor as typed, though the record takes the
  // name as stored.
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('dan', ?)", {HoursAgo(2)});
  EXPECT_EQ(Notices("dan"),
            "【系统】dan:有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>");
  EXPECT_EQ(chat_.last_session().Get("myname").ToText(), "Dan");
  chat_.clock().Advance(60);
  EXPECT_EQ(Notices("dan"), "");  // the login moved out_time on
}

TEST_F(LoginNoticesTest, FriendRequestsInOrderAndFriendsOnline) {
  chat_.Exec(
      "INSERT INTO friendrq (ID, who, towho, sub_time) VALUES (7, ' gus ', 'fay', ?), "
      "(9, 'h''al', 'fay', ?)",
      {HoursAgo(1), HoursAgo(1)});
  auto request = [](const std::string& who, const std::string& id) {
    const std::string link =
        "\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' "
        "target=newsay>";
    return "【系统】" + who + "向你发出好友申请，你是[<a href=\\'agreefriend.asp?ID=" + id +
           "&answer=yes" + link + "同意</a>]还是[<a href=\\'agreefriend.asp?ID=" + id +
           "&answer=no" + link + "不同意</a>]？<br>";
  };
  // The requester's name is escaped for the script string it travels in.
  EXPECT_EQ(Notices("fay"), request("gus", "7") + request("h&#39;al", "9"));

  chat_.Exec("UPDATE user SET friends = ' bob zed bob ' WHERE username = 'ivy'");
  EXPECT_EQ(Notices("ivy"), "");  // bob is not online yet
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw")), "");
  const std::string bob =
      "<font class=a color=#880088 onclick=javascript:parent.chuser(\\'bob\\') >bob</font>，";
  EXPECT_EQ(Notices("ivy"), "【系统】在线好友：" + bob + bob + "快快与好友联系吧！<br>");
}

}  // namespace
}  // namespace tavolin
