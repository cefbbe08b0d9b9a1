// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

// A settings form that the page accepts.
std::map<std::string, std::string> Settings() {
  return {{"do", "settings"}, {"bgcolor", "#ffeedd"}, {"bc1", "123"},
          {"bc2", "#336699"}, {"n_color", "5"},       {"s_color", "17"},
          {"f_size", "3"},    {"l_height", "0"},      {"friends", ""}};
}

TEST_F(SitePagesTest, SettingsShowInTheNextChatPageOfTheirOwnerOnly) {
  const std::string bob_before = Get("bob", "/chat.asp");
  auto form = Settings();
  form["friends"] = " BOB  bob\r\n";
  form["username"] = "bob";  // a field the page does not take
  ExpectAnswers({
      {"ann", "/userset.asp?username=bob", form, "设置已经保存"},
      {"ann", "/chat.asp", {}, "var ckmc=5;var cksc=17;var self_color='#FFEEDD:#123:#336699'"},
      {"ann", "/chat.asp", {}, "var LHeight='120'"},
      {"ann", "/chat.asp", {}, "var friendlist='bob'"},
      {"ann", "/chat.asp", {}, "var saysize=10.5"},
      {"ann", "/userset.asp", {}, "name='bgcolor' value='#FFEEDD'"},
  });
  EXPECT_EQ(Get("bob", "/chat.asp"), bob_before);
}

TEST_F(SitePagesTest, SettingsRefuseWhatTheChatPageCannotCarry) {
  Visitor("bob");
  auto stored = [this] {
    auto row = db().Execute("select * from user where username='ann'");
    std::string values;
    for (const char* field : {"bgcolor", "n_color", "f_size", "l_height", "friends"}) {
      values += row->Field(field).ToText() + "|";
    }
    return values;
  };
  Visitor("ann");
  const std::string before = stored();
  std::string many;
  for (int i = 0; i < 51; ++i) many += "bob ";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"bgcolor", "#fff';alert(1);//", "背景颜色要写成#加三位或六位十六进制数字"},
      {"bc2", "", "窗口颜色二要写成"},
      {"n_color", "18", "名字颜色要在0到17之间。"},
      {"s_color", "-1", "发言颜色要在0到17之间。"},
      {"f_size", "1e1", "字体大小要在0到10之间。"},
      {"l_height", "21", "行距要在0到20之间。"},
      // Unknown names escaped, each cut at the longest a name can be.
      {"friends", "bob <b>x</b> " + std::string(30, 'z'),
       "没有这些用户：&lt;b&gt;x&lt;/b&gt; " + std::string(20, 'z') + "…。"},
      {"friends", many, "你的好友名单最多50个名字。"},
  };
  for (const auto& [field, value, refusal] : cases) {
    auto form = Settings();
    form[field] = value;
    ExpectAnswers({{"ann", "/userset.asp", form, refusal}});
    EXPECT_EQ(stored(), before) << field;
  }
}

TEST_F(SitePagesTest, PasswordChangeNeedsTheOldOneAndHoldsAtTheNextLogin) {
  const std::string fresh = "it's<新>", long_one(16, 'p');
  auto form = [](const std::string& old_password, const std::string& password,
                 const std::string& again) -> std::map<std::string, std::string> {
    return {
        {"do", "password"}, {"oldpass", old_password}, {"newpass", password}, {"newpass2", again}};
  };
  ExpectAnswers({
      {"ann", "/userset.asp", form("wrong", "newpw1", "newpw1"), "原来的密码不对，密码没有改。"},
      {"ann", "/userset.asp", form("pwann", "newpw1", "newpw2"),
       "两次输入的新密码不一样，密码没有改。"},
      {"ann", "/userset.asp", form("pwann", "  ", "  "), "新密码不能是空的。"},
      {"ann", "/userset.asp", form("pwann", long_one, long_one), "密码最多15个字，现在有16个字"},
      {"ann", "/userset.asp", form("pwann", "ANN", "ANN"), "新密码不能和名字一样。"},
      {"ann", "/userset.asp", form("pwann", fresh, fresh), "密码已经改好了，下次登录请用新密码。"},
  });
  testing::HttpTestClient again(chat_.port());
  EXPECT_NE(chat_.LoginWith(again, "ann", "pwann").Utf8Body().find("错误的密码"),
            std::string::npos);
  EXPECT_NE(chat_.LoginWith(again, "ann", fresh).Utf8Body().find("chat.asp"), std::string::npos);
}

}  // namespace
}  // namespace tavolin
