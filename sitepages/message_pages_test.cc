// Copyright Tavolin developers.
//
// The guestbook and the calls, which share their addressing and limits, and
// what every site page does for a browser that is not in the chat.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/column_text.h"
#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

int64_t Rows(Connection& db, const std::string& table) {
  return db.Execute("select count(*) as n from " + table)->Field("n").ToLong();
}

TEST_F(SitePagesTest, MessageAndCallReachTheirAddresseeOnlyEscapedAndTheCallOnce) {
  Visitor("bob");
  Visitor("carl");
  chat_.clock().Advance(60);
  const std::string hostile = "<script>alert('x')</script> \"引号\" O'Brien\r\n第二行";
  const std::string shown =
      "</span><br>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; "
      "&quot;引号&quot; O&#39;Brien<br>第二行</p>";
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", " BOB "}, {"body", hostile}}),
              HasSubstr("留言已经留给bob了。"));
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", "Bob"}, {"body", hostile}}),
              HasSubstr("已经传呼bob了。"));
  for (const char* table : {"guestbook", "calls"}) {
    auto row = db().Execute(std::string("select * from ") + table);
    EXPECT_EQ(ColumnText(*row, "body") + ColumnText(*row, "who") + ColumnText(*row, "towho"),
              hostile + "annbob");
  }
  EXPECT_THAT(Get("bob", "/guest.asp"), HasSubstr("ann 留言：" + shown));
  for (const std::string& other : {"carl", "ann"}) {
    EXPECT_THAT(Get(other, "/guest.asp?towho=bob"), HasSubstr("还没有人给你留言。"));
    EXPECT_THAT(Get(other, "/getcall.asp?towho=bob"), HasSubstr("没有新的传呼。"));
  }

  // bob's next login brings both notices; the call shows once.
  testing::HttpTestClient again(chat_.port());
  chat_.Login(again, "bob");
  const std::string notices = again.Get("/saylist.asp").Utf8Body();
  EXPECT_THAT(notices, HasSubstr("有聊友给你留言哟"));
  EXPECT_THAT(notices, HasSubstr("getcall.asp"));
  EXPECT_THAT(again.Get("/getcall.asp").Utf8Body(), HasSubstr("ann 传呼bob：" + shown));
  EXPECT_THAT(again.Get("/getcall.asp").Utf8Body(), HasSubstr("没有新的传呼。"));
  EXPECT_EQ(db().Execute("select read from calls")->Field("read").ToLong(), 1);
}

TEST_F(SitePagesTest, CallToEverybodyIsShownOnceToEachUserRegisteredBefore) {
  Visitor("bob");
  chat_.clock().Advance(1);
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", "大家"}, {"body", "大家晚上好"}}),
              HasSubstr("已经传呼大家了。"));
  EXPECT_THAT(Get("bob", "/getcall.asp"), HasSubstr("ann 传呼大家：</span><br>大家晚上好"));
  EXPECT_THAT(Get("bob", "/getcall.asp"), Not(HasSubstr("大家晚上好")));
  EXPECT_THAT(Get("ann", "/getcall.asp"), Not(HasSubstr("大家晚上好")));  // not its caller
  chat_.clock().Advance(60);
  EXPECT_THAT(Get("dan", "/getcall.asp"), Not(HasSubstr("大家晚上好")));  // nor a later user
  EXPECT_EQ(db().Execute("select read from calls")->Field("read").ToLong(), 0);
}

TEST_F(SitePagesTest, MessagesAndCallsRefuseWhatTheyCannotStore) {
  Visitor("bob");
  std::string longest;
  for (int i = 0; i < 500; ++i) longest += "好";
  const struct {
    const char *page, *towho;
    std::string body;
    const char* answer;
  } cases[] = {
      {"/guest.asp", "nobody", "hi", "没有叫“nobody”的用户。"},
      {"/getcall.asp", "nobody", "hi", "没有叫“nobody”的用户。"},
      {"/getcall.asp", "", "hi", "请写上对方的名字。"},
      {"/getcall.asp", "bbbbbbbbbbbbbbbbbbbbb", "hi", "名字最多20个字"},
      {"/guest.asp", "bob", " \r\n ", "留言不能是空的。"},
      {"/getcall.asp", "bob", " ", "传呼的话不能是空的。"},
      {"/guest.asp", "bob", longest + "!", "留言最多500个字，现在有501个字，没有保存。"},
      {"/getcall.asp", "bob", std::string(201, 'x'), "传呼的话最多200个字，现在有201个字"},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(Post("ann", c.page, {{"towho", c.towho}, {"body", c.body}}), HasSubstr(c.answer))
        << c.page << " " << c.towho;
  }
  Get("ann", "/guest.asp?towho=bob&body=hi");  // only a posted form stores
  EXPECT_EQ(Rows(db(), "guestbook") + Rows(db(), "calls"), 0);
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", "bob"}, {"body", longest}}),
              HasSubstr("留言已经留给bob了。"));
}

TEST_F(SitePagesTest, PagesShowTheNotInChatPageToStrangers) {
  testing::HttpTestClient stranger(chat_.port());
  const std::string not_in_chat = stranger.Get("/showerr.asp").Utf8Body();
  for (const char* page : {"/guest.asp", "/getcall.asp", "/addfriend.asp",
                           "/agreefriend.asp?ID=1&answer=yes", "/userset.asp"}) {
    EXPECT_EQ(stranger.Post(page, {{"towho", "bob"}, {"do", "password"}}).Utf8Body(), not_in_chat)
        << page;
  }
}

}  // namespace
}  // namespace tavolin
