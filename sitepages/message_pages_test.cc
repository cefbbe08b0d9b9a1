// Copyright Tavolin developers.
//
// The guestbook and the calls, which share their addressing and limits, and
// what every site page does for a browser that is not in the chat.

#include <gtest/gtest.h>

#include "component/column_text.h"
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
       {"ann", "/guest.asp?towho=bob", {}, "还没有人给你留言。"},
       {"carl", "/getcall.asp?towho=bob", {}, "没有新的传呼。"},
       {"ann", "/getcall.asp?towho=bob", {}, "没有新的传呼。"}});
  for (const char* table : {"guestbook", "calls"}) {
    auto row = db().Execute(std::string("select * from ") + table);
    EXPECT_EQ(ColumnText(*row, "body") + ColumnText(*row, "who") + ColumnText(*row, "towho"),
              hostile + "annbob");
  }
  // bob's next login brings both notices; the call shows once.
  testing::HttpTestClient again(chat_.port());
  chat_.Login(again, "bob");
  const std::string notices = again.Get("/saylist.asp").Utf8Body();
  EXPECT_NE(notices.find("有聊友给你留言哟"), std::string::npos);
  EXPECT_NE(notices.find("getcall.asp"), std::string::npos);
  EXPECT_NE(again.Get("/getcall.asp").Utf8Body().find("ann 传呼bob：" + shown), std::string::npos);
  EXPECT_NE(again.Get("/getcall.asp").Utf8Body().find("没有新的传呼。"), std::string::npos);
  EXPECT_EQ(Count("calls where read=1"), 1);
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
  EXPECT_EQ(Count("calls where read=0"), 1);
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
  EXPECT_EQ(Count("guestbook") + Count("calls") + Count("friendrq"), 0);
  ExpectAnswers({{"ann", "/guest.asp", form("bob", longest), "留言已经留给bob了。"}});
}

}  // namespace
}  // namespace tavolin
