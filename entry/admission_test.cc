// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "entry/login_test_support.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kSameAsPassword[] = "错误：用户名与密码相同！";
constexpr char kIllegal[] = "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>";
constexpr char kBreaksScript[] = "错误：用户名不能含有单引号、双引号、反斜杠或小于号！";

struct Case {
  std::map<std::string, std::string> params;  // sysparam rows; "-" deletes the row
  std::vector<LoginForm> logins;
  std::string last_answer;  // the answer to the last login
};

TEST(AdmissionTest, RulesAndTheirMessagesInOrder) {
  const std::vector<Case> cases = {
      {{}, {LoginForm("", "")}, kSameAsPassword},
      {{}, {LoginForm(" ann ", "ann")}, kSameAsPassword},
      {{}, {LoginForm("", "pw")}, "错误：用户名为空！"},
      {{}, {LoginForm("a", "pw")}, "错误：用户名长度不能太短至少2个字符！"},
      {{}, {LoginForm("a_b!", "pw")}, kIllegal},
      {{}, {LoginForm("客服01", "pw")}, kIllegal},
      {{}, {LoginForm("张，三", "pw")}, kIllegal},
      {{{"usernameenable", ""}}, {LoginForm("ann_b", "pw")}, kIllegal},
      {{}, {LoginForm("Tom_2", "pw")}, ""},  // "_" allowed, the rule sees small letters
      // Characters that would end a script string or element, whatever is allowed.
      {{{"usernameenable", "_'\\\"<"}}, {LoginForm("o'ne", "pw")}, kBreaksScript},
      {{{"usernameenable", "_'\\\"<"}}, {LoginForm("a\\b", "pw")}, kBreaksScript},
      {{{"usernameenable", "_'\\\"<"}}, {LoginForm("a\"b", "pw")}, kBreaksScript},
      {{{"usernameenable", "_'\\\"<"}}, {LoginForm("</b", "pw")}, kBreaksScript},
      // A hanzi counts two; twelve letters are cut to ten first.
      {{{"namelength", "4"}, {"maxnamelength", "3"}},
       {LoginForm("张a", "pw")},
       "错误：用户名长度不能太短至少4个字符！"},
      {{{"namelength", "4"}, {"maxnamelength", "3"}}, {LoginForm("张三", "pw")}, ""},
      {{{"namelength", "4"}, {"maxnamelength", "3"}},
       {LoginForm("张三李四", "pw")},
       "错误：用户名长度不能长于10个英文字符或3个汉字！"},
      {{{"maxnamelength", "5"}}, {LoginForm("abcdefghijkl", "pw")}, ""},
      {{{"maxnamelength", "-"}},
       {LoginForm("ab", "pw")},
       "错误：用户名长度不能长于10个英文字符或个汉字！"},
      // A proxy is refused only with both headers and the switch on.
      {{{"disableproxy", "1"}}, {LoginForm("ann", "pw").Via("1.1 p")}, ""},
      {{{"disableproxy", "1"}}, {LoginForm("ann", "pw").Forwarded("10.1.1.1")}, ""},
      {{{"disableproxy", "1"}},
       {LoginForm("ann", "pw").Via("p").Forwarded("x")},
       "管理员禁止通过代理登录！"},
      {{{"disableproxy", "0"}}, {LoginForm("ann", "pw").Via("p").Forwarded("x")}, ""},
      // One more than the maximum gets in; without a maximum only one.
      {{{"maxpeople", "2"}, {"newusernum", "9"}},
       {LoginForm("ann", "p"), LoginForm("bob", "p"), LoginForm("cat", "p"), LoginForm("dan", "p")},
       "对不起：聊天室已经满员了！"},
      {{{"maxpeople", "-"}},
       {LoginForm("ann", "p"), LoginForm("bob", "p")},
       "对不起：聊天室已经满员了！"},
      {{{"maxpeople", "100000"}}, {LoginForm("ann", "p")}, ""}};
  for (const Case& c : cases) {
    LoginChat chat;
    for (const auto& [alias, body] : c.params) {
      if (body == "-") {
        chat.Exec("DELETE FROM sysparam WHERE alias = ?", {Variant(alias)});
      } else {
        chat.SetParam(alias, body);
      }
    }
    chat.Load();
    std::string answer;
    for (const LoginForm& form : c.logins) answer = chat.LogIn(form);
    const std::string name = c.logins.back().name;
    EXPECT_EQ(answer, c.last_answer) << name;
    // A refused name is nowhere; an admitted one stands as typed, cut to ten.
    EXPECT_EQ(chat.UserColumn(name.substr(0, 10), "username").ToText(),
              answer.empty() ? name.substr(0, 10) : "")
        << name;
  }
}

}  // namespace
}  // namespace tavolin
