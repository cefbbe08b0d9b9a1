// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "entry/login_test_support.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;
template <size_t N>
using Rows = std::vector<std::array<std::string, N>>;

constexpr char kSame[] = "错误：用户名与密码相同！";
constexpr char kIllegal[] = "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>";
constexpr char kBreaksScript[] = "错误：用户名不能含有单引号、双引号、反斜杠或小于号！";
constexpr char kFull[] = "对不起：聊天室已经满员了！";

// A setting ("-" deletes its row), the names that log in one after the
// other, their password, and the answer to the last of them.
TEST(AdmissionTest, RulesAndTheirMessagesInOrder) {
  const std::string enabled = "_'\\\"<";  // what the script rule overrides
  const Rows<5> cases = {
      {"", "", "", "", kSame},
      {"", "", " ann ", "ann", kSame},
      {"", "", "", "pw", "错误：用户名为空！"},
      {"", "", "a", "pw", "错误：用户名长度不能太短至少2个字符！"},
      {"", "", "张", "pw", ""},  // a hanzi counts two
      {"", "", "a_b!", "pw", kIllegal},
      {"", "", "客服01", "pw", kIllegal},  // a filtered word
      {"usernameenable", "", "ann_b", "pw", kIllegal},
      {"", "", "Tom_2", "pw", ""},  // "_" is allowed; the rule sees small letters
      {"usernameenable", enabled, "o'ne", "pw", kBreaksScript},
      {"usernameenable", enabled, "a\\b", "pw", kBreaksScript},
      {"usernameenable", enabled, "a\"b", "pw", kBreaksScript},
      {"usernameenable", enabled, "</b", "pw", kBreaksScript},
      {"maxnamelength", "3", "张三", "pw", ""},
      {"maxnamelength", "3", "张三李四", "pw", "错误：用户名长度不能长于10个英文字符或3个汉字！"},
      {"maxnamelength", "5", "abcdefghijkl", "pw", ""},  // cut to ten first
      {"maxnamelength", "-", "ab", "pw", "错误：用户名长度不能长于10个英文字符或个汉字！"},
      // One more than the maximum gets in; without a maximum only one.
      {"maxpeople", "2", "ann,bob,cat,dan", "pw", kFull},
      {"maxpeople", "-", "ann,bob", "pw", kFull},
      {"maxpeople", "100000", "ann", "pw", ""}};
  for (const auto& [alias, body, names, password, expected] : cases) {
    LoginChat chat;
    if (body == "-") chat.Exec("DELETE FROM sysparam WHERE alias = ?", {Variant(alias)});
    if (body != "-" && !alias.empty()) chat.SetParam(alias, body);
    chat.Load();
    std::string answer, name;
    for (std::string_view each :
         names.empty() ? std::vector<std::string_view>{""} : text::Split(names, ",")) {
      name = std::string(each).substr(0, 10);
      answer = chat.LogIn(LoginForm(std::string(each), password));
    }
    EXPECT_EQ(answer, expected) << name;
    // A refused name is nowhere; an admitted one stands as typed.
    EXPECT_EQ(chat.UserColumn(name, "username").ToText(), answer.empty() ? name : "") << name;
  }
  // A proxy is refused only with both headers and the switch on.
  LoginChat chat;
  chat.SetParam("disableproxy", "1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "pw").Via("p")) +
                chat.LogIn(LoginForm("bob", "pw").Forwarded("10.1.1.1")),
            "");
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("p").Forwarded("x")), "管理员禁止通过代理登录！");
  chat.SetParam("disableproxy", "0");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("p").Forwarded("x")), "");
}

TEST(AdmissionTest, RoomChoiceFallsBackToTheFirstRoomAndOwnersPassItsRules) {
  LoginChat chat;
  chat.SetParam("newusernum", "20");
  chat.Exec("UPDATE room SET room_owner = 'Boss', room_auto = 'Robo' WHERE ID = 4");
  chat.Load();
  // Name, room asked for, room entered or the refusal.
  const Rows<3> cases = {{"ann", "3", "3"},
                         {"bob", "abc", "1"},
                         {"cat", "99", "1"},
                         {"dan", "2.6", "3"},
                         {"robo", "4", "您的名字和房间机器人同名被拒绝进入！"}};
  for (const auto& [name, asked, room] : cases) {
    const std::string answer = chat.LogIn(LoginForm(name, "pw").Room(asked));
    EXPECT_EQ(answer.empty() ? chat.UserField(name, user_field::kRoom) : answer, room) << asked;
  }
  // Level limit, then closed door; the owner passes both; refused, no row.
  const Rows<4> rules = {{"3", "0", "eve", "您要去的房间有级别限制，您不能直接登陆！"},
                         {"3", "0", "boss", ""},
                         {"1", "0", "eve", "您要去的房间的门已经关上了！"},
                         {"1", "1", "eve", ""}};
  for (const auto& [level, door, name, answer] : rules) {
    chat.Exec("UPDATE room SET permit_level = ?, door_open = ? WHERE ID = 4",
              {Variant(level), Variant(door)});
    chat.Load();
    EXPECT_EQ(chat.LogIn(LoginForm(name, "pw").Room("4")), answer) << name;
    EXPECT_EQ(chat.UserColumn(name, "username").is_empty(), !answer.empty()) << name;
  }
  EXPECT_TRUE(chat.UserColumn("robo", "username").is_empty());
  chat.Exec("DELETE FROM room WHERE ID = 1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("fay", "pw").Room("abc")), "");  // the first room is now 2
  EXPECT_EQ(chat.UserField("fay", user_field::kRoom), "2");
  chat.Exec("DELETE FROM room");
  chat.Load();
  EXPECT_THROW(chat.LogIn("gus"), CallError);
}

// Filter list, allowed characters, name, and "1" when refused: filter words
// in the same letter case anywhere (an empty word occurs in every name), then
// digits, small letters and hanzi (also of the GBK extension) pass; space and
// full stop never do; symbol rows and what the code page lacks are refused.
TEST(NameRulesTest, FilterWordsCharactersAndLength) {
  const Rows<4> cases = {{"", "", "abc123", "0"},
                         {"boss,Bad", "", "xbossx", "1"},
                         {"boss,Bad", "", "xbadx", "0"},
                         {"boss,,bad", "", "abc", "1"},
                         {"", "", "Abc", "1"},
                         {"", "", "a_b", "1"},
                         {"", "_", "a_b", "0"},
                         {"", "", "a~b", "1"},
                         {"", " _ . ", "a b", "1"},
                         {"", " _ . ", "a.b", "1"},
                         {"", "", "张三丰", "0"},
                         {"", "", "丂", "0"},
                         {"", "", "张，三", "1"},
                         {"", "", "张★", "1"},
                         {"", "", "①", "1"},
                         {"", "", "é", "1"}};
  for (const auto& [filter, enabled, name, refused] : cases) {
    Corvane object;
    object.SetFilterStr(Variant(filter));
    Variant u(name), allowed(enabled);
    EXPECT_EQ(object.Chuser(u, allowed).ToBoolean(), refused == "1") << name;
    if (enabled == " _ . ") EXPECT_EQ(allowed.ToText(), "_");  // what is really allowed
  }
  Variant mixed("张三abc");
  EXPECT_EQ(Corvane().len_ch(mixed).ToLong(), 7);
}

// Values of the generator's sequence worked out independently: a double-byte
// character continues the sequence, quotes are dropped, and the passwords
// scrambled before on the same object change nothing.
TEST(NameRulesTest, PasswordsScrambleAsStoredPasswordsWere) {
  const Rows<2> cases = {{"abc123", ">:h7%Kn*(=C+"},
                         {"secret", "j3aGOn>:YXe>"},
                         {"密码1", "-e>V_"},
                         {"张三lee", ">:,,}g2o\\R"},
                         {"", ""},
                         {"abc123", ">:h7%Kn*(=C+"}};
  Corvane used;
  for (const auto& [password, scrambled] : cases) {
    Variant typed("  " + password + " ");
    EXPECT_EQ(used.trpass(typed).ToText(), scrambled) << password;
    EXPECT_EQ(typed.ToText(), password);  // trimmed in place
  }
}

}  // namespace
}  // namespace tavolin
