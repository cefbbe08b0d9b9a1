// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "component/column_text.h"
#include "sitepages/friends_list.h"
#include "sitepages/input_limits.h"
#include "testing/served_chat.h"

namespace tavolin {
namespace {

using Form = std::map<std::string, std::string>;

Form Message(const std::string& towho, const std::string& body) {
  return {{"towho", towho}, {"body", body}};
}

class SitePagesTest : public ::testing::Test {
 protected:
  // A visitor, a page, the form posted (none: a GET) and a piece the answer must hold.
  using Step = std::tuple<std::string, std::string, Form, std::string>;
  void ExpectAnswers(const std::vector<Step>& steps) {
    for (const auto& [who, target, form, answer] : steps) {
      const std::string page = chat_.Page(who, target, form);
      EXPECT_NE(page.find(answer), std::string::npos)
          << who << target << " wants " << answer << page;
    }
  }
  testing::ServedChat chat_;
};

// Catches a message or call shown to the wrong user, unescaped, or a call shown twice.
TEST_F(SitePagesTest, MessagesAndCallsReachTheirAddresseesOnlyEscapedAndCallsOnce) {
  chat_.app().Set("_newusernum", Variant("1000"));  // no limit on new users
  for (const char* name : {"bob", "carl"}) chat_.Visitor(name);
  chat_.clock().Advance(60);
  // A character GBK lacks is stored as itself and shown as a reference; a typed reference stays.
  const std::string hostile = "<script>alert('x')</script> \"引号\" O'Brien😀&#60;\r\n第二行";
  const std::string shown =
      "</span><br>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; "
      "&quot;引号&quot; O&#39;Brien&#128512;&amp;#60;<br>第二行</p>";
  ExpectAnswers({{"ann", "/guest.asp", Message(" BOB ", hostile), "留言已经留给bob了。"},
                 {"ann", "/getcall.asp", Message("Bob", hostile), "已经传呼bob了。"},
                 {"bob", "/guest.asp", {}, "ann 留言：" + shown},
                 {"carl", "/guest.asp?towho=bob", {}, "还没有人给你留言。"},
                 {"carl", "/getcall.asp?towho=bob", {}, "没有新的传呼。"},
                 {"bob", "/getcall.asp", {}, "ann 传呼bob：" + shown},
                 {"bob", "/getcall.asp", {}, "没有新的传呼。"}});
  for (const char* table : {"guestbook", "calls"}) {
    auto row = chat_.db().Execute(std::string("select * from ") + table);
    EXPECT_EQ(ColumnText(*row, "body") + ColumnText(*row, "who") + ColumnText(*row, "towho"),
              hostile + "annbob");
  }
  // A call to everybody: once to each user registered before, not to its caller.
  chat_.clock().Advance(1);
  ExpectAnswers({{"ann", "/getcall.asp", Message("大家", "大家晚上好"), "已经传呼大家了。"},
                 {"bob", "/getcall.asp", {}, "ann 传呼大家：</span><br>大家晚上好"}});
  chat_.clock().Advance(60);
  for (const char* who : {"bob", "ann", "dan"}) {
    EXPECT_EQ(chat_.Page(who, "/getcall.asp").find("大家晚上好"), std::string::npos) << who;
  }
  EXPECT_EQ(chat_.Joined("select read as v from calls order by ID"), "1,0");
}

// Catches a flood: messages, calls and friend requests past the visitor's rate, or calls to
// everybody past the hourly cap, stored; or one visitor's rate holding back another.
TEST_F(SitePagesTest, PostsPastTheVisitorsRateAreRefusedAndNotStored) {
  chat_.app().Set("_newusernum", Variant("1000"));
  for (const char* name : {"bob", "carl", "dan"}) chat_.Visitor(name);
  const std::string too_fast = "你操作太快了，请稍后再试。";
  const std::vector<std::tuple<std::string, std::string, std::string>> kinds = {
      {"/guest.asp", "guestbook", "_maxgbperminute"},
      {"/getcall.asp", "calls", "_maxcallsperminute"},
      {"/addfriend.asp", "friendrq", "_maxfriendrqperminute"}};
  for (const auto& [target, table, setting] : kinds) {
    chat_.app().Set(setting, Variant("2"));
    const std::string count = "select count(*) as v from " + table;
    ExpectAnswers({{"ann", target, Message("bob", "1"), ""},
                   {"ann", target, Message("carl", "2"), ""},
                   {"ann", target, Message("dan", "3"), too_fast}});
    EXPECT_EQ(chat_.Value(count), "2") << table;
    EXPECT_EQ(chat_.Page("bob", target, Message("dan", "4")).find(too_fast), std::string::npos);
    chat_.clock().Advance(60);
    EXPECT_EQ(chat_.Page("ann", target, Message("dan", "5")).find(too_fast), std::string::npos);
    EXPECT_EQ(chat_.Value(count), "4") << table;
  }
  chat_.clock().Advance(60);
  chat_.app().Set("_maxtoallcallsperhour", Variant("1"));
  ExpectAnswers(
      {{"ann", "/getcall.asp", Message("大家", "1"), "已经传呼大家了。"},
       {"ann", "/getcall.asp", Message("大家", "2"), "每小时最多只能传呼大家1次，请稍后再试。"}});
  chat_.clock().Advance(3600);
  ExpectAnswers({{"ann", "/getcall.asp", Message("大家", "3"), "已经传呼大家了。"}});
  EXPECT_EQ(chat_.Value("select count(*) as v from calls where towho='大家'"), "2");
}

// Catches a page that grows with every message or call kept: each shows the newest 50; older
// messages on the pages asked for (a junk page number is the first), older calls once these are
// read.
TEST_F(SitePagesTest, PagesShowTheNewestFiftyFirstAndTheRestOnLaterPages) {
  chat_.Visitor("bob");
  for (int i = 1; i <= 120; ++i) {
    const Variant body("m" + std::to_string(i) + ".");
    chat_.db().Execute("insert into guestbook (towho,who,body,post_time) values ('bob','ann',?,?)",
                       {body, Variant(chat_.clock().Now())});
    if (i <= 60) {
      chat_.db().Execute(
          "insert into calls (towho,who,body,calltime,read) values "
          "('bob','ann',?,?,0)",
          {body, Variant(chat_.clock().Now())});
    }
  }
  // A page, the first and last message shown and how many.
  const std::vector<std::tuple<std::string, std::string, std::string, size_t>> pages = {
      {"/guest.asp", "m120.", "m71.", 50},      {"/guest.asp?page=2", "m70.", "m21.", 50},
      {"/guest.asp?page=3", "m20.", "m1.", 20}, {"/guest.asp?page=x'", "m120.", "m71.", 50},
      {"/guest.asp?page=4", "", "", 0},         {"/getcall.asp", "m60.", "m11.", 50},
      {"/getcall.asp", "m10.", "m1.", 10},      {"/getcall.asp", "", "", 0}};
  for (const auto& [target, newest, oldest, count] : pages) {
    const std::string page = chat_.Page("bob", target);
    size_t shown = 0;
    for (size_t at = page.find("<br>m"); at != std::string::npos; at = page.find("<br>m", at + 1)) {
      ++shown;
    }
    EXPECT_EQ(shown, count) << target;
    if (count == 0) continue;
    EXPECT_NE(page.find("<br>" + oldest), std::string::npos) << target;
    EXPECT_LT(page.find("<br>" + newest), page.find("<br>" + oldest)) << target;
  }
  EXPECT_NE(chat_.Page("bob", "/guest.asp?page=2").find("guest.asp?page=3"), std::string::npos);
}

// Catches a message or call stored past its limits, to nobody, or from a browser not in the chat.
TEST_F(SitePagesTest, MessagesAndCallsRefuseWhatTheyCannotStoreAndStrangers) {
  chat_.Visitor("bob");
  std::string longest;
  for (int i = 0; i < 500; ++i) longest += "好";
  ExpectAnswers({
      {"ann", "/guest.asp", Message("nobody", "hi"), "没有叫“nobody”的用户。"},
      {"ann", "/getcall.asp", Message("nobody", "hi"), "没有叫“nobody”的用户。"},
      {"ann", "/getcall.asp", Message("", "hi"), "请写上对方的名字。"},
      {"ann", "/getcall.asp", Message(std::string(21, 'b'), "hi"), "名字最多20个字"},
      {"ann", "/guest.asp", Message("bob", " \r\n "), "留言不能是空的。"},
      {"ann", "/getcall.asp", Message("bob", " "), "传呼的话不能是空的。"},
      {"ann", "/guest.asp", Message("bob", longest + "!"),
       "留言最多500个字，现在有501个字，没有保存。"},
      {"ann", "/getcall.asp", Message("bob", std::string(201, 'x')),
       "传呼的话最多200个字，现在有201个字"},
      {"ann", "/guest.asp?towho=bob&body=hi", {}, "还没有人给你留言。"},  // a posted form stores
  });
  testing::HttpTestClient stranger(chat_.port());
  const std::string not_in_chat = stranger.Get("/showerr.asp").Utf8Body();
  for (const char* page : {"/guest.asp", "/getcall.asp", "/addfriend.asp",
                           "/agreefriend.asp?ID=1&answer=yes", "/userset.asp"}) {
    EXPECT_EQ(
        stranger.Post(page, {{"towho", "bob"}, {"body", "hi"}, {"do", "password"}}).Utf8Body(),
        not_in_chat)
        << page;
  }
  EXPECT_EQ(chat_.Value("select (select count(*) from guestbook)+(select count(*) from calls)+"
                        "(select count(*) from friendrq) as v"),
            "0");
  ExpectAnswers({{"ann", "/guest.asp", Message("bob", longest), "留言已经留给bob了。"}});
}

// Catches a friend request settled by someone else, by a doubtful answer, or twice.
TEST_F(SitePagesTest, FriendRequestIsAnsweredByItsAddresseeOnly) {
  for (const char* name : {"bob", "carl"}) chat_.Visitor(name);
  ExpectAnswers({{"ann", "/addfriend.asp", {{"towho", "BOB"}}, "好友申请已经发给bob"},
                 {"ann", "/addfriend.asp", {{"towho", "bob"}}, "你已经向bob发出过好友申请了"},
                 {"ann", "/addfriend.asp", {{"towho", "ann"}}, "不能向自己申请好友。"},
                 {"ann", "/addfriend.asp", {{"towho", "<b>x"}}, "没有叫“&lt;b&gt;x”的用户。"}});
  const std::string id = chat_.Value("select ID as v from friendrq");
  const auto answer = [&id](const std::string& word) { return Form{{"ID", id}, {"answer", word}}; };
  const std::string not_yours = "没有给你的这个好友申请。", asked = "ann已经向你发出了好友申请";
  // The answer buttons, also on the page a notice's link asks for: it changes nothing.
  const std::string offer = "ann 想和你做好友 <input type='hidden' name='ID' value='" + id +
                            "'><button name='answer' value='yes'>同意</button>";
  const std::string made =  // on the page, and in the chat window
      "<p class='note'>你和ann成为好友了。</p><script>if(parent!=window&&parent.addsay){"
      "parent.addsay(-1,'你和ann成为好友了。','','',0,";
  ExpectAnswers({
      {"bob", "/addfriend.asp", {}, offer},
      {"carl", "/addfriend.asp", {}, "没有等你回答的好友申请。"},
      {"bob", "/addfriend.asp", {{"towho", "ann"}}, asked + "，在下面回答就行了。"},
      {"bob", "/agreefriend.asp?ID=" + id + "&answer=yes", {}, offer},
      {"carl", "/agreefriend.asp?ID=" + id + "&answer=yes", {}, not_yours},
      {"carl", "/agreefriend.asp", answer("yes"), not_yours},
      {"carl", "/agreefriend.asp", answer("no"), not_yours},
      {"bob", "/agreefriend.asp", {{"ID", id + " or 1=1"}, {"answer", "yes"}}, not_yours},
      {"bob", "/agreefriend.asp", answer("maybe"), "请回答同意（yes）还是不同意（no）。"},
      {"bob", "/agreefriend.asp", answer("yes"), made},
      {"ann", "/chat.asp", {}, "var friendlist='bob'"},
      {"bob", "/chat.asp", {}, "var friendlist='ann'"},
      {"bob", "/agreefriend.asp", answer("yes"), not_yours},
      {"ann", "/addfriend.asp", {{"towho", "bob"}}, "bob已经是你的好友了。"},
      {"carl", "/addfriend.asp", {{"towho", "bob"}}, "好友申请已经发给bob"},
  });
  // A refused request is gone, and the list stays empty.
  const Form carls = {{"ID", chat_.Value("select ID as v from friendrq")}, {"answer", "no"}};
  ExpectAnswers({{"bob", "/agreefriend.asp", carls, "你没有同意carl的好友申请。"},
                 {"carl", "/chat.asp", {}, "var friendlist=''"}});
  EXPECT_EQ(chat_.Value("select count(*) as v from friendrq"), "0");
}

// Catches a friend added twice or past the longest list.
TEST(FriendsListTest, AFriendIsAddedOnceAndNotToAFullList) {
  std::string full;
  for (size_t i = 0; i < kMaxFriends; ++i) full += "u" + std::to_string(i) + " ";
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {" tom ", "tom ann"}, {"tom ann", "tom ann"}, {full, std::nullopt}};
  for (const auto& [list, after] : cases) EXPECT_EQ(WithFriend(list, "ann"), after) << list;
  EXPECT_NE(WithFriend(full, "u7"), std::nullopt);
}

// A settings form that the page accepts.
Form Settings() {
  return {{"do", "settings"}, {"bgcolor", "#ffeedd"}, {"bc1", "123"},
          {"bc2", "#336699"}, {"n_color", "5"},       {"s_color", "17"},
          {"f_size", "3"},    {"l_height", "0"},      {"friends", ""}};
}

// Catches settings lost, written to another user, not carried to the chat page, or stored
// when they would break its script.
TEST_F(SitePagesTest, SettingsShowInTheNextChatPageOfTheirOwnerOnlyIfItCanCarryThem) {
  const std::string bob_before = chat_.Page("bob", "/chat.asp");
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
  EXPECT_EQ(chat_.Page("bob", "/chat.asp"), bob_before);
  auto stored = [this] {
    return chat_.Value(
        "select bgcolor||'|'||n_color||'|'||f_size||'|'||l_height||'|'||friends as v "
        "from user where username='ann'");
  };
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

// Catches a password changed without the old one, or a change that does not hold at login.
TEST_F(SitePagesTest, PasswordChangeNeedsTheOldOneAndHoldsAtTheNextLogin) {
  const std::string fresh = "it's<新>", long_one(16, 'p');
  const std::string cases[][4] = {
      {"wrong", "newpw1", "newpw1", "原来的密码不对，密码没有改。"},
      {"pwann", "newpw1", "newpw2", "两次输入的新密码不一样，密码没有改。"},
      {"pwann", "  ", "  ", "新密码不能是空的。"},
      {"pwann", long_one, long_one, "密码最多15个字，现在有16个字"},
      {"pwann", "ANN", "ANN", "新密码不能和名字一样。"},
      {"pwann", fresh, fresh, "密码已经改好了，下次登录请用新密码。"},
  };
  for (const auto& [old, password, again, answer] : cases) {
    const Form form = {
        {"do", "password"}, {"oldpass", old}, {"newpass", password}, {"newpass2", again}};
    ExpectAnswers({{"ann", "/userset.asp", form, answer}});
  }
  testing::HttpTestClient again(chat_.port());
  EXPECT_NE(chat_.Login(again, "ann", "1", "pwann").Utf8Body().find("错误的密码"),
            std::string::npos);
  EXPECT_NE(chat_.Login(again, "ann", "1", fresh).Utf8Body().find("chat.asp"), std::string::npos);
}

}  // namespace
}  // namespace tavolin
