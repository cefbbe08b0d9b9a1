// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A settings form that the page accepts.
std::map<std::string, std::string> Settings() {
  return {{"do", "settings"}, {"bgcolor", "#ffeedd"}, {"bc1", "123"},
          {"bc2", "#336699"}, {"n_color", "5"},       {"s_color", "17"},
          {"f_size", "3"},    {"l_height", "0"},      {"friends", ""}};
}

TEST_F(SitePagesTest, SettingsShowInTheNextChatPage) {
  Visitor("bob");
  const std::string bob_before = Get("bob", "/chat.asp");
  auto form = Settings();
  form["friends"] = " BOB  bob\r\n";
  form["username"] = "bob";  // a field the page does not take
  EXPECT_THAT(Post("ann", "/userset.asp?username=bob", form), HasSubstr("设置已经保存"));

  const std::string chat = Get("ann", "/chat.asp");
  EXPECT_THAT(chat, HasSubstr("var ckmc=5;var cksc=17;var self_color='#FFEEDD:#123:#336699'"));
  EXPECT_THAT(chat, HasSubstr("var LHeight='120'"));
  EXPECT_THAT(chat, HasSubstr("var friendlist='bob'"));
  EXPECT_THAT(chat, HasSubstr("var saysize=10.5"));
  EXPECT_THAT(Get("ann", "/userset.asp"), HasSubstr("name='bgcolor' value='#FFEEDD'"));
  // bob's own settings are his still.
  EXPECT_EQ(Get("bob", "/chat.asp"), bob_before);
}

TEST_F(SitePagesTest, SettingsRefuseWhatTheChatPageCannotCarry) {
  Visitor("bob");
  auto stored = [this] {
    auto row = db().Execute("select * from user where username='ann'");
    return row->Field("bgcolor").ToText() + "|" + row->Field("n_color").ToText() + "|" +
           row->Field("f_size").ToText() + "|" + row->Field("l_height").ToText() + "|" +
           row->Field("friends").ToText();
  };
  Visitor("ann");
  const std::string before = stored();
  std::string many;
  for (int i = 0; i < 51; ++i) many += "bob ";
  const struct {
    const char* field;
    std::string value;
    const char* refusal;
  } cases[] = {
      {"bgcolor", "#fff';alert(1);//", "背景颜色要写成#加三位或六位十六进制数字"},
      {"bc2", "", "窗口颜色二要写成"},
      {"n_color", "18", "名字颜色要在0到17之间。"},
      {"s_color", "-1", "发言颜色要在0到17之间。"},
      {"f_size", "1e1", "字体大小要在0到10之间。"},
      {"l_height", "21", "行距要在0到20之间。"},
      {"friends", "bob <b>x</b>", "没有这些用户：&lt;b&gt;x&lt;/b&gt;。"},
      {"friends", many, "你的好友名单最多50个名字。"},
  };
  for (const auto& c : cases) {
    auto form = Settings();
    form[c.field] = c.value;
    EXPECT_THAT(Post("ann", "/userset.asp", form), HasSubstr(c.refusal)) << c.field;
    EXPECT_EQ(stored(), before) << c.field;
  }
}

TEST_F(SitePagesTest, PasswordChangeNeedsTheOldOneAndHoldsAtTheNextLogin) {
  Visitor("ann");
  const std::string fresh = "it's<新>";
  const struct {
    std::string old_password, password, again;
    const char* answer;
  } cases[] = {
      {"wrong", "newpw1", "newpw1", "原来的密码不对，密码没有改。"},
      {"pwann", "newpw1", "newpw2", "两次输入的新密码不一样，密码没有改。"},
      {"pwann", "  ", "  ", "新密码不能是空的。"},
      {"pwann", std::string(16, 'p'), std::string(16, 'p'), "密码最多15个字，现在有16个字"},
      {"pwann", "ANN", "ANN", "新密码不能和名字一样。"},
      {"pwann", fresh, fresh, "密码已经改好了，下次登录请用新密码。"},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(Post("ann", "/userset.asp",
                     {{"do", "password"},
                      {"oldpass", c.old_password},
                      {"newpass", c.password},
                      {"newpass2", c.again}}),
                HasSubstr(c.answer))
        << c.password;
  }
  testing::HttpTestClient again(chat_.port());
  EXPECT_THAT(chat_.LoginWith(again, "ann", "pwann").Utf8Body(), HasSubstr("错误的密码"));
  EXPECT_THAT(chat_.LoginWith(again, "ann", fresh).Utf8Body(), HasSubstr("chat.asp"));
}

}  // namespace
}  // namespace tavolin
