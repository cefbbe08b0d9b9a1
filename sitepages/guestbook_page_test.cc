// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(SitePagesTest, GuestbookMessageReachesItsAddresseeOnly) {
  Visitor("bob");
  Visitor("carl");
  chat_.clock().Advance(60);
  const std::string hostile = "<script>alert('x')</script> \"引号\" O'Brien\r\n第二行";
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", " BOB "}, {"body", hostile}}),
              HasSubstr("留言已经留给bob了。"));
  auto row = db().Execute("select * from guestbook");
  ASSERT_FALSE(row->eof());
  EXPECT_EQ(row->Field("body").ToText(), hostile);
  EXPECT_EQ(row->Field("who").ToText(), "ann");
  EXPECT_EQ(row->Field("towho").ToText(), "bob");

  const std::string bob_page = Get("bob", "/guest.asp");
  EXPECT_THAT(bob_page, HasSubstr("ann 留言：</span><br>&lt;script&gt;alert(&#39;x&#39;)&lt;/"
                                  "script&gt; &quot;引号&quot; O&#39;Brien<br>第二行"));
  EXPECT_THAT(bob_page, Not(HasSubstr("<script>alert")));
  // Nobody else reads it, whatever the address asks for.
  EXPECT_THAT(Get("carl", "/guest.asp?towho=bob"), HasSubstr("还没有人给你留言。"));
  EXPECT_THAT(Get("ann", "/guest.asp"), HasSubstr("还没有人给你留言。"));

  // bob's next login brings the notice: the message is newer than his visit.
  testing::HttpTestClient again(chat_.port());
  chat_.Login(again, "bob");
  EXPECT_THAT(again.Get("/saylist.asp").Utf8Body(), HasSubstr("有聊友给你留言哟"));
}

TEST_F(SitePagesTest, GuestbookRefusesWhatItCannotStore) {
  Visitor("bob");
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", "nobody"}, {"body", "hi"}}),
              HasSubstr("没有叫“nobody”的用户。"));
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", "bob"}, {"body", " \r\n "}}),
              HasSubstr("留言不能是空的。"));
  std::string longest;
  for (int i = 0; i < 500; ++i) longest += "好";
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", "bob"}, {"body", longest + "!"}}),
              HasSubstr("留言最多500个字，现在有501个字，没有保存。"));
  EXPECT_THAT(Post("ann", "/guest.asp", {{"towho", "bob"}, {"body", longest}}),
              HasSubstr("留言已经留给bob了。"));
  // Only a posted form leaves a message.
  Get("ann", "/guest.asp?towho=bob&body=hi");
  EXPECT_EQ(db().Execute("select count(*) as n from guestbook")->Field("n").ToLong(), 1);

  testing::HttpTestClient stranger(chat_.port());
  EXPECT_EQ(stranger.Get("/guest.asp").Utf8Body(), stranger.Get("/showerr.asp").Utf8Body());
}

}  // namespace
}  // namespace tavolin
