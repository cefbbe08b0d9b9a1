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
    for (const char* name : {"ann", "bob", "cat", "dan", "fay", "ivy"}) chat_.AddUser(name, "pw");
    chat_.Load();
  }
  // Logs `name` in and gives the notice line's text, or "" when the login
  // added the enter line alone.
  std::string Notices(const std::string& name) {
    const int32_t before = chat_.NewestSayId();
    EXPECT_EQ(chat_.LogIn(LoginForm(name, "pw")), "");
    const int32_t added = chat_.NewestSayId() - before;
    if (added == 1) return "";
    EXPECT_EQ(added, 2);
    const std::string line = chat_.RingColumn(5).ToText();
    const std::string tail = "','" + name + "','',1,'','',-5,";
    const size_t end = line.find(tail);
    EXPECT_NE(end, std::string::npos) << line;
    return end == std::string::npos ? line : line.substr(1, end - 1);
  }
  std::string HoursAgo(int hours) {
    return chat_.clock().Now().AddSeconds(-3600 * hours).ToString();
  }

  LoginChat chat_;
};

TEST_F(LoginNoticesTest, NothingWaitingGivesTheEnterLineAlone) {
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 0)", {HoursAgo(48)});
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('ann', ?, 1)", {HoursAgo(1)});
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('ann', ?)", {HoursAgo(48)});
  EXPECT_EQ(Notices("ann"), "");
}

TEST_F(LoginNoticesTest, CallsAndGuestbook) {
  // A call to everybody since the last visit.
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 1)", {HoursAgo(2)});
  EXPECT_EQ(Notices("bob"), kCallScript);
  chat_.Exec("DELETE FROM calls");
  // An unread call to the user, however old.
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('cat', ?, 0)", {HoursAgo(72)});
  EXPECT_EQ(Notices("cat"), kCallScript);
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('dan', ?)", {HoursAgo(2)});
  EXPECT_EQ(Notices("dan"),
            "【系统】dan:有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>");
  // The login moved out_time on: the same message is old news next time.
  chat_.clock().Advance(60);
  EXPECT_EQ(Notices("dan"), "");
}

TEST_F(LoginNoticesTest, FriendRequestsInOrderAndFriendsOnline) {
  chat_.Exec("INSERT INTO friendrq (ID, who, towho, sub_time) VALUES (7, ' gus ', 'fay', ?)",
             {HoursAgo(1)});
  chat_.Exec("INSERT INTO friendrq (ID, who, towho, sub_time) VALUES (9, 'hal', 'fay', ?)",
             {HoursAgo(1)});
  auto request = [](const std::string& who, const std::string& id) {
    return "【系统】" + who + "向你发出好友申请，你是[<a href=\\'agreefriend.asp?ID=" + id +
           "&answer=yes\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' "
           "target=newsay>同意</a>]还是[<a href=\\'agreefriend.asp?ID=" +
           id +
           "&answer=no\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' "
           "target=newsay>不同意</a>]？<br>";
  };
  EXPECT_EQ(Notices("fay"), request("gus", "7") + request("hal", "9"));

  // A friend listed twice is shown twice; friends not online are left out.
  chat_.Exec("UPDATE user SET friends = ' bob zed bob ' WHERE username = 'ivy'");
  EXPECT_EQ(Notices("ivy"), "");  // bob is not online yet
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw")), "");
  const std::string bob =
      "<font class=a color=#880088 onclick=javascript:parent.chuser(\\'bob\\') >bob</font>，";
  EXPECT_EQ(Notices("ivy"), "【系统】在线好友：" + bob + bob + "快快与好友联系吧！<br>");
}

}  // namespace
}  // namespace tavolin
