// Copyright Tavolin developers.
//
// The site pages over the real server: the guestbook and the calls, which
// share their addressing and limits, the friend requests, the visitor's own
// settings, and what every one of them does for a browser not in the chat.

#include <gtest/gtest.h>

#include "component/column_text.h"
#include "sitepages/friends_list.h"
#include "sitepages/input_limits.h"
#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

TEST_F(SitePagesTest, MessageAndCallReachTheirAddresseeOnlyEscapedAndTheCallOnce) {
  Visitor("bob");
  Visitor("carl");
  chat_.clock().Advance(60);
  // A character GBK lacks is stored as itself and shown as a reference; a
  // reference typed stays text.
  const std::string hostile = "<script>alert('x')</script> \"引号\" O'Brien😀&#60;\r\n第二行";
  const std::string shown =
      "</span><br>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; "
      "&quot;引号&quot; O&#39;Brien&#128512;&amp;#60;<br>第二行</p>";
  ExpectAnswers(
      {{"ann", "/guest.asp", {{"towho", " BOB "}, {"body", hostile}}, "留言已经留给bob了。"},
       {"ann", "/getcall.asp", {{"towho", "Bob"}, {"body", hostile}}, "已经传呼bob了。"},
       {"bob", "/guest.asp", {}, "ann 留言：" + shown},
       {"carl", "/guest.asp?towho=bob", {}, "还没有人给你留言。"},
       {"carl", "/getcall.asp?towho=bob", {}, "没有新的传呼。"}});
  for (const char* table : {"guestbook", "calls"}) {
    auto row = db().Execute(std::string("select * from ") + table);
    EXPECT_EQ(ColumnText(*row, "body") + ColumnText(*row, "who") + ColumnText(*row, "towho"),
              hostile + "annbob");
  }
  // The call shows once.
  ExpectAnswers({{"bob", "/getcall.asp", {}, "ann 传呼bob：" + shown},
                 {"bob", "/getcall.asp", {}, "没有新的传呼。"}});
  EXPECT_EQ(Value("select count(*) as v from calls where read=1"), "1");
}

TEST_F(SitePagesTest, CallToEverybodyIsShownOnceToEachUserRegisteredBefore) {
  Visitor("bob");
  chat_.clock().Advance(1);
  ExpectAnswers(
      {{"ann", "/getcall.asp", {{"towho", "大家"}, {"body", "大家晚上好"}}, "已经传呼大家了。"},
       {"bob", "/getcall.asp", {}, "ann 传呼大家：</span><br>大家晚上好"}});
  chat_.clock().Advance(60);
  // Not again, nor to its caller, nor to a later user; and it stays unread.
  for (const char* who : {"bob", "ann", "dan"}) {
    EXPECT_EQ(Get(who, "/getcall.asp").find("大家晚上好"), std::string::npos) << who;
  }
  EXPECT_EQ(Value("select count(*) as v from calls where read=0"), "1");
}

TEST_F(SitePagesTest, MessagesAndCallsRefuseWhatTheyCannotStoreAndStrangers) {
  Visitor("bob");
  std::string longest;
  for (int i = 0; i < 500; ++i) longest += "好";
  auto form = [](const char* towho, const std::string& body) -> std::map<std::string, std::string> {
    return {{"towho", towho}, {"body", body}};
  };
  ExpectAnswers({
      {"ann", "/guest.asp", form("nobody", "hi"), "没有叫“nobody”的用户。"},
      {"ann", "/getcall.asp", form("nobody", "hi"), "没有叫“nobody”的用户。"},
      {"ann", "/getcall.asp", form("", "hi"), "请写上对方的名字。"},
      {"ann", "/getcall.asp", form("bbbbbbbbbbbbbbbbbbbbb", "hi"), "名字最多20个字"},
      {"ann", "/guest.asp", form("bob", " \r\n "), "留言不能是空的。"},
      {"ann", "/getcall.asp", form("bob", " "), "传呼的话不能是空的。"},
      {"ann", "/guest.asp", form("bob", longest + "!"),
       "留言最多500个字，现在有501个字，没有保存。"},
      {"ann", "/getcall.asp", form("bob", std::string(201, 'x')),
       "传呼的话最多200个字，现在有201个字"},
      {"ann", "/guest.asp?towho=bob&body=hi", {}, "还没有人给你留言。"},  // a posted form stores
  });
  // Every site page shows a browser that is not in the chat the not-in-chat page.
  testing::HttpTestClient stranger(chat_.port());
  const std::string not_in_chat = stranger.Get("/showerr.asp").Utf8Body();
  for (const char* page : {"/guest.asp", "/getcall.asp", "/addfriend.asp",
                           "/agreefriend.asp?ID=1&answer=yes", "/userset.asp"}) {
    EXPECT_EQ(
        stranger.Post(page, {{"towho", "bob"}, {"body", "hi"}, {"do", "password"}}).Utf8Body(),
        not_in_chat)
        << page;
  }
  EXPECT_EQ(Value("select (select count(*) from guestbook)+(select count(*) from calls)+"
                  "(select count(*) from friendrq) as v"),
            "0");
  ExpectAnswers({{"ann", "/guest.asp", form("bob", longest), "留言已经留给bob了。"}});
}

TEST_F(SitePagesTest, FriendRequestIsAnsweredByItsAddresseeOnly) {
  Visitor("bob");
  Visitor("carl");
  ExpectAnswers({{"ann", "/addfriend.asp", {{"towho", "BOB"}}, "好友申请已经发给bob"},
                 {"ann", "/addfriend.asp", {{"towho", "bob"}}, "你已经向bob发出过好友申请了"},
                 {"ann", "/addfriend.asp", {{"towho", "ann"}}, "不能向自己申请好友。"},
                 {"ann", "/addfriend.asp", {{"towho", "<b>x"}}, "没有叫“&lt;b&gt;x”的用户。"}});
  const std::string id = Value("select ID as v from friendrq");
  const std::string answer = "/agreefriend.asp?ID=" + id + "&answer=";
  const std::string offer =
      "ann 想和你做好友 [<a href='agreefriend.asp?ID=" + id + "&amp;answer=yes'>";
  const std::string asked = "ann已经向你发出了好友申请，在下面回答就行了。";
  const std::string not_yours = "没有给你的这个好友申请。";
  ExpectAnswers({
      {"bob", "/addfriend.asp", {}, offer},
      {"carl", "/addfriend.asp", {}, "没有等你回答的好友申请。"},
      {"bob", "/addfriend.asp", {{"towho", "ann"}}, asked},
      // Neither the other user nor a doubtful answer settles it.
      {"carl", answer + "yes", {}, not_yours},
      {"carl", answer + "no", {}, not_yours},
      {"bob", "/agreefriend.asp?ID=" + id + "%20or%201=1&answer=yes", {}, not_yours},
      {"bob", answer + "maybe", {}, "请回答同意（yes）还是不同意（no）。"},
      // bob says yes: each is in the other's list, and the chat window says so.
      {"bob",
       answer + "yes",
       {},
       "<p class='note'>你和ann成为好友了。</p><script>if(parent!=window&&parent.addsay){"
       "parent.addsay(-1,'你和ann成为好友了。','','',0,"},
      {"ann", "/chat.asp", {}, "var friendlist='bob'"},
      {"bob", "/chat.asp", {}, "var friendlist='ann'"},
      {"bob", answer + "yes", {}, not_yours},
      {"ann", "/addfriend.asp", {{"towho", "bob"}}, "bob已经是你的好友了。"},
      {"carl", "/addfriend.asp", {{"towho", "bob"}}, "好友申请已经发给bob"},
  });
  // A refused request is gone, and the list stays empty.
  const std::string carls = "/agreefriend.asp?ID=" + Value("select ID as v from friendrq");
  ExpectAnswers({{"bob", carls + "&answer=no", {}, "你没有同意carl的好友申请。"},
                 {"carl", "/chat.asp", {}, "var friendlist=''"}});
  EXPECT_EQ(Value("select count(*) as v from friendrq"), "0");
}

TEST(FriendsListTest, AFriendIsAddedOnceAndNotToAFullList) {
  EXPECT_EQ(WithFriend(" tom ", "ann"), "tom ann");
  EXPECT_EQ(WithFriend("tom ann", "ann"), "tom ann");
  std::string full;
  for (size_t i = 0; i < kMaxFriends; ++i) full += "u" + std::to_string(i) + " ";
  EXPECT_EQ(WithFriend(full, "ann"), std::nullopt);
  EXPECT_NE(WithFriend(full, "u7"), std::nullopt);
}

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
      {"ann", "/chat.asp", {}, "var LHeight='120';var friendlist='bob';"},
      {"ann", "/chat.asp", {}, "var saysize=10.5"},
      {"ann", "/userset.asp", {}, "name='bgcolor' value='#FFEEDD'"},
  });
  EXPECT_EQ(Get("bob", "/chat.asp"), bob_before);
}

TEST_F(SitePagesTest, SettingsRefuseWhatTheChatPageCannotCarry) {
  Visitor("bob");
  auto stored = [this] {
    return Value(
        "select bgcolor||'|'||n_color||'|'||f_size||'|'||l_height||'|'||friends as v "
        "from user where username='ann'");
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
