// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kSameAsPassword[] = "错误：用户名与密码相同！";

TEST(AdmissionTest, MessagesInTheirOrder) {
  LoginChat chat;
  chat.Load();
  // The same-as-password rule comes before the empty-name rule.
  EXPECT_EQ(chat.LogIn(LoginForm("", "")), kSameAsPassword);
  EXPECT_EQ(chat.LogIn(LoginForm("   ", "")), kSameAsPassword);
  EXPECT_EQ(chat.LogIn(LoginForm(" ann ", "ann")), kSameAsPassword);
  EXPECT_EQ(chat.LogIn(LoginForm("", "pw")), "错误：用户名为空！");
  EXPECT_EQ(chat.LogIn(LoginForm("a", "pw")), "错误：用户名长度不能太短至少2个字符！");
  EXPECT_EQ(chat.LogIn(LoginForm("a_b!", "pw")),
            "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>");
  EXPECT_EQ(chat.LogIn(LoginForm("客服01", "pw")),
            "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>");
  EXPECT_EQ(chat.Users(), "");
}

TEST(AdmissionTest, NameLengthCountsHanziTwice) {
  LoginChat chat;
  chat.SetParam("namelength", "4");
  chat.SetParam("maxnamelength", "3");
  chat.Load();
  EXPECT_EQ(chat.LogIn("张a"), "错误：用户名长度不能太短至少4个字符！");
  EXPECT_EQ(chat.LogIn("张三"), "");
  EXPECT_EQ(chat.LogIn("张三李四"), "错误：用户名长度不能长于10个英文字符或3个汉字！");
  EXPECT_EQ(chat.LogIn("abcdef"), "");
  // Twelve letters are cut to ten before any rule.
  chat.SetParam("maxnamelength", "5");
  chat.Load();
  EXPECT_EQ(chat.LogIn("abcdefghijkl"), "");
  EXPECT_EQ(chat.UserColumn("abcdefghij", "username").ToText(), "abcdefghij");
}

TEST(AdmissionTest, MissingLengthLimits) {
  LoginChat chat;
  chat.Exec("DELETE FROM sysparam WHERE alias IN ('namelength', 'maxnamelength')");
  chat.Load();
  // No upper limit refuses every name as too long; no lower limit refuses none.
  EXPECT_EQ(chat.LogIn("a"), "错误：用户名长度不能长于10个英文字符或个汉字！");
}

TEST(AdmissionTest, CharacterRuleOnTheNameInSmallLetters) {
  LoginChat chat;
  chat.Load();
  EXPECT_EQ(chat.LogIn("Tom_2"), "");  // "_" is allowed by the seeded configuration
  EXPECT_EQ(chat.UserColumn("tom_2", "username").ToText(), "Tom_2");
  EXPECT_EQ(chat.UserField("Tom_2", user_field::kRoom), "1");
  EXPECT_NE(chat.LogIn("张，三"), "");

  chat.SetParam("usernameenable", "");
  chat.Load();
  EXPECT_EQ(chat.LogIn("ann_b"), "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>");
}

TEST(AdmissionTest, ProxyRefusedOnlyWithBothHeaders) {
  LoginChat chat;
  chat.SetParam("disableproxy", "1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "pw").Via("1.1 proxy")), "");
  EXPECT_EQ(chat.LogIn(LoginForm("bob", "pw").Forwarded("10.1.1.1")), "");
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("1.1 proxy").Forwarded("x")),
            "管理员禁止通过代理登录！");
  chat.SetParam("disableproxy", "0");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("1.1 proxy").Forwarded("x")), "");
}

TEST(AdmissionTest, CapacityLetsOneMoreThanTheMaximumIn) {
  LoginChat chat;
  chat.SetParam("maxpeople", "2");
  chat.SetParam("newusernum", "10");
  chat.Load();
  EXPECT_EQ(chat.LogIn("ann"), "");
  EXPECT_EQ(chat.LogIn("bob"), "");
  EXPECT_EQ(chat.LogIn("cat"), "");
  EXPECT_EQ(chat.LogIn("dan"), "对不起：聊天室已经满员了！");

  // Without the value only the first visitor gets in.
  LoginChat unlimited;
  unlimited.Exec("DELETE FROM sysparam WHERE alias = 'maxpeople'");
  unlimited.Load();
  EXPECT_EQ(unlimited.LogIn("eve"), "");
  EXPECT_EQ(unlimited.LogIn("fay"), "对不起：聊天室已经满员了！");

  // A capacity past the 16-bit range is a capacity, not an overflow.
  LoginChat large;
  large.SetParam("maxpeople", "100000");
  large.Load();
  EXPECT_EQ(large.LogIn("gus"), "");
}

}  // namespace
}  // namespace tavolin
