// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(SitePagesTest, FriendRequestIsAnsweredByItsAddresseeOnly) {
  Visitor("bob");
  Visitor("carl");
  EXPECT_THAT(Post("ann", "/addfriend.asp", {{"towho", "BOB"}}), HasSubstr("好友申请已经发给bob"));
  EXPECT_THAT(Post("ann", "/addfriend.asp", {{"towho", "bob"}}),
              HasSubstr("你已经向bob发出过好友申请了"));
  EXPECT_THAT(Post("ann", "/addfriend.asp", {{"towho", "ann"}}), HasSubstr("不能向自己申请好友。"));
  const std::string id = db().Execute("select ID from friendrq")->Field("ID").ToText();
  const std::string answer = "/agreefriend.asp?ID=" + id + "&answer=";
  EXPECT_THAT(
      Get("bob", "/addfriend.asp"),
      HasSubstr("ann 想和你做好友 [<a href='agreefriend.asp?ID=" + id + "&amp;answer=yes'>"));
  EXPECT_THAT(Get("carl", "/addfriend.asp"), HasSubstr("没有等你回答的好友申请。"));
  EXPECT_THAT(Post("bob", "/addfriend.asp", {{"towho", "ann"}}),
              HasSubstr("ann已经向你发出了好友申请，在下面回答就行了。"));

  // Neither the other user nor a doubtful answer settles it.
  EXPECT_THAT(Get("carl", answer + "yes"), HasSubstr("没有给你的这个好友申请。"));
  EXPECT_THAT(Get("carl", answer + "no"), HasSubstr("没有给你的这个好友申请。"));
  EXPECT_THAT(Get("bob", answer + "maybe"), HasSubstr("请回答同意（yes）还是不同意（no）。"));
  EXPECT_THAT(Get("bob", "/agreefriend.asp?ID=" + id + "%20or%201=1&answer=yes"),
              HasSubstr("没有给你的这个好友申请。"));
  EXPECT_EQ(db().Execute("select count(*) as n from friendrq")->Field("n").ToLong(), 1);
  EXPECT_EQ(
      db().Execute("select friends from user where username='carl'")->Field("friends").ToText(),
      "");

  // bob says yes: each is in the other's list, and the chat window says so.
  const std::string accepted = Get("bob", answer + "yes");
  EXPECT_THAT(accepted, HasSubstr("<p class='note'>你和ann成为好友了。</p>"));
  EXPECT_THAT(accepted, HasSubstr("parent.addsay(-1,'你和ann成为好友了。','','',0,"));
  EXPECT_THAT(Get("ann", "/chat.asp"), HasSubstr("var friendlist='bob'"));
  EXPECT_THAT(Get("bob", "/chat.asp"), HasSubstr("var friendlist='ann'"));
  EXPECT_EQ(db().Execute("select count(*) as n from friendrq")->Field("n").ToLong(), 0);
  EXPECT_THAT(Get("bob", answer + "yes"), HasSubstr("没有给你的这个好友申请。"));
  EXPECT_THAT(Post("ann", "/addfriend.asp", {{"towho", "bob"}}),
              HasSubstr("bob已经是你的好友了。"));
}

TEST_F(SitePagesTest, FriendRequestRefusedIsGone) {
  Visitor("bob");
  Post("ann", "/addfriend.asp", {{"towho", "bob"}});
  const std::string id = db().Execute("select ID from friendrq")->Field("ID").ToText();
  EXPECT_THAT(Get("bob", "/agreefriend.asp?ID=" + id + "&answer=no"),
              HasSubstr("你没有同意ann的好友申请。"));
  EXPECT_EQ(db().Execute("select count(*) as n from friendrq")->Field("n").ToLong(), 0);
  EXPECT_THAT(Get("ann", "/chat.asp"), HasSubstr("var friendlist=''"));
  EXPECT_THAT(Post("ann", "/addfriend.asp", {{"towho", "<b>bob</b>"}}),
              HasSubstr("没有叫“&lt;b&gt;bob&lt;/b&gt;”的用户。"));
}

}  // namespace
}  // namespace tavolin
