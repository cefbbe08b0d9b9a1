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

TEST(RegistrationTest, NewUserRowAndWelcomeNotice) {
  LoginChat chat;
  chat.SetParam("facecolorstr", "#111 #222 #333");
  chat.SetParam("backgroudcolorstr", "#AAA #BBB");
  chat.SetParam("newusernum", "10");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "secret").Sex("1").Address("10.2.3.4")), "");
  EXPECT_EQ(chat.UserColumn("ann", "passwd").ToText(), "j3aGOn>:YXe>");
  EXPECT_EQ(chat.UserColumn("ann", "bgcolor").ToText(), "#AAA:#111:#222");
  EXPECT_EQ(chat.UserColumn("ann", "headface").ToLong(), 1010);
  EXPECT_EQ(chat.UserColumn("ann", "user_level").ToLong(), 1);
  EXPECT_EQ(chat.UserColumn("ann", "first_ip").ToText(), "10.2.3.4");
  EXPECT_EQ(chat.UserColumn("ann", "log_time").ToDate(), chat.clock().Now());
  for (const char* colour : {"n_color", "s_color"}) {
    const int32_t number = chat.UserColumn("ann", colour).ToLong();
    EXPECT_TRUE(number >= 0 && number <= 17) << colour;
  }
  // Sex 1 only for "1".
  for (const auto& [name, sex, stored] : std::vector<std::tuple<std::string, std::string, int>>{
           {"bob", "2", 0}, {"cat", "", 0}, {"ann", "1", 1}}) {
    if (name != "ann") EXPECT_EQ(chat.LogIn(LoginForm(name, "pw").Sex(sex)), "");
    EXPECT_EQ(chat.UserColumn(name, "sex").ToLong(), stored) << name;
    EXPECT_EQ(chat.UserField(name, user_field::kSex), std::to_string(stored)) << name;
  }
  // The password is repeated as sent (not trimmed, not cut to 15), escaped so
  // that it shows as typed and cannot end the script string or element.
  const std::vector<std::pair<std::string, std::string>> passwords = {
      {" abcdefghijklmnopq", " abcdefghijklmnopq"},
      {"it's\\ok", "it&#39;s\\\\ok"},
      {"</script><b>&", "&lt;/script&gt;&lt;b&gt;&amp;"}};
  for (const auto& [password, shown] : passwords) {
    const std::string name = "u" + std::to_string(chat.NewestSayId());
    EXPECT_EQ(chat.LogIn(LoginForm(name, password)), "");
    EXPECT_EQ(chat.RingColumn(5).ToText(),
              "'【系统】" + name + ":欢迎光临！请记牢您的密码[" + shown +
                  "]，点[<a href=userset.asp target=list onclick=\\'parent.listflag=0\\'>设置"
                  "</a>]可以修改和设置您的个人信息！<br>','" +
                  name + "','',1,'','',-5,'10:00:00',");
  }
}

TEST(RegistrationTest, RefusedOrFailedRegistrationsLeaveNoRow) {
  LoginChat chat;
  chat.SetParam("newusernum", "2");
  chat.Load();
  EXPECT_EQ(chat.LogIn("ann"), "");
  EXPECT_EQ(chat.LogIn("bob"), "");
  EXPECT_EQ(chat.LogIn("cat"), kTooManyNewUsers);  // per address, for ten minutes
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Address("10.5.5.5")), "");
  chat.clock().Advance(10 * 60);
  EXPECT_EQ(chat.LogIn("dan"), "");
  chat.SetParam("disablenewuser", "1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("eve", "pw").Address("10.6.6.6")),
            "对不起：管理员禁止新用户注册！");
  chat.SetParam("disablenewuser", "0");
  chat.SetParam("facecolorstr", "#111");  // too few colours: an error before the insert
  chat.Load();
  EXPECT_THROW(chat.LogIn(LoginForm("fay", "pw").Address("10.6.6.6")), CallError);
  for (const char* name : {"eve", "fay"}) EXPECT_TRUE(chat.UserColumn(name, "username").is_empty());

  // Without a limit nobody registers; users with a row still log in.
  LoginChat closed;
  closed.Exec("DELETE FROM sysparam WHERE alias = 'newusernum'");
  closed.AddUser("old", "pw");
  closed.Load();
  EXPECT_EQ(closed.LogIn("new"), kTooManyNewUsers);
  EXPECT_EQ(closed.LogIn("old"), "");
}

}  // namespace
}  // namespace tavolin
