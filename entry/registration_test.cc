// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kTooManyNewUsers[] = "对不起：您暂时不能注册新用户，请等几分钟再试！";

TEST(RegistrationTest, NewUserRow) {
  LoginChat chat;
  chat.SetParam("facecolorstr", "#111 #222 #333");
  chat.SetParam("backgroudcolorstr", "#AAA #BBB");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "secret").Sex("1").Address("10.2.3.4")), "");

  Variant typed("secret");
  EXPECT_EQ(chat.UserColumn("ann", "passwd").ToText(), chat.NewObject()->trpass(typed).ToText());
  EXPECT_EQ(chat.UserColumn("ann", "sex").ToLong(), 1);
  EXPECT_EQ(chat.UserColumn("ann", "bgcolor").ToText(), "#AAA:#111:#222");
  EXPECT_EQ(chat.UserColumn("ann", "headface").ToLong(), 1010);
  EXPECT_EQ(chat.UserColumn("ann", "user_level").ToLong(), 1);
  EXPECT_EQ(chat.UserColumn("ann", "first_ip").ToText(), "10.2.3.4");
  EXPECT_EQ(chat.UserColumn("ann", "log_time").ToDate(), chat.clock().Now());
  for (const char* colour : {"n_color", "s_color"}) {
    const int32_t number = chat.UserColumn("ann", colour).ToLong();
    EXPECT_GE(number, 0) << colour;
    EXPECT_LE(number, 17) << colour;
  }
  EXPECT_EQ(chat.UserField("ann", user_field::kSex), "1");

  // Any other value of the sex field, or none, is 0.
  EXPECT_EQ(chat.LogIn(LoginForm("bob", "pw").Sex("2")), "");
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw")), "");
  EXPECT_EQ(chat.UserColumn("bob", "sex").ToLong(), 0);
  EXPECT_EQ(chat.UserColumn("cat", "sex").ToLong(), 0);
}

TEST(RegistrationTest, TooFewColoursEndTheCallBeforeTheInsert) {
  LoginChat chat;
  chat.SetParam("facecolorstr", "#111");
  chat.Load();
  EXPECT_THROW(chat.LogIn("ann"), CallError);
  EXPECT_TRUE(chat.UserColumn("ann", "username").is_empty());
  EXPECT_EQ(chat.Users(), "");
}

TEST(RegistrationTest, NewUserLimitPerAddressAndSwitch) {
  LoginChat chat;
  chat.SetParam("newusernum", "2");
  chat.Load();
  EXPECT_EQ(chat.LogIn("ann"), "");
  EXPECT_EQ(chat.LogIn("bob"), "");
  EXPECT_EQ(chat.LogIn("cat"), kTooManyNewUsers);
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Address("10.5.5.5")), "");
  chat.clock().Advance(10 * 60);
  EXPECT_EQ(chat.LogIn("dan"), "");

  chat.SetParam("disablenewuser", "1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("eve", "pw").Address("10.6.6.6")),
            "对不起：管理员禁止新用户注册！");

  // Without a limit nobody registers; users with a row still log in.
  LoginChat closed;
  closed.Exec("DELETE FROM sysparam WHERE alias = 'newusernum'");
  closed.AddUser("old", "pw");
  closed.Load();
  EXPECT_EQ(closed.LogIn("new"), kTooManyNewUsers);
  EXPECT_EQ(closed.LogIn("old"), "");
}

TEST(RegistrationTest, WelcomeNoticeRepeatsThePasswordEscaped) {
  LoginChat chat;
  chat.Load();
  // A quote and a backslash in the password must not end the script string.
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "it's\\ok")), "");
  const std::string notice = chat.RingColumn(5).ToText();
  EXPECT_TRUE(notice.starts_with(
      "'【系统】ann:欢迎光临！请记牢您的密码[it\\'s\\\\ok]，点[<a href=userset.asp target=list "
      "onclick=\\'parent.listflag=0\\'>设置</a>]可以修改和设置您的个人信息！<br>','ann','',1,'',''"
      ",-5,"))
      << notice;
  // The password as sent, not trimmed and not cut to 15 characters.
  EXPECT_EQ(chat.LogIn(LoginForm("bob", " abcdefghijklmnopq")), "");
  EXPECT_TRUE(text::Contains(chat.RingColumn(5).ToText(), "[ abcdefghijklmnopq]"));
}

}  // namespace
}  // namespace tavolin
