// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(SitePagesTest, CallIsShownToItsAddresseeOnceAndMarkedRead) {
  Visitor("bob");
  Visitor("carl");
  chat_.clock().Advance(60);
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", "Bob"}, {"body", "快来<b>大厅</b>'"}}),
              HasSubstr("已经传呼bob了。"));
  EXPECT_THAT(Get("carl", "/getcall.asp?towho=bob"), HasSubstr("没有新的传呼。"));

  // bob's next login opens the call page, which shows the call once.
  testing::HttpTestClient again(chat_.port());
  chat_.Login(again, "bob");
  EXPECT_THAT(again.Get("/saylist.asp").Utf8Body(), HasSubstr("getcall.asp"));
  EXPECT_THAT(again.Get("/getcall.asp").Utf8Body(),
              HasSubstr("ann 传呼bob：</span><br>快来&lt;b&gt;大厅&lt;/b&gt;&#39;"));
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
  // Not to its caller, nor to a user who came later.
  EXPECT_THAT(Get("ann", "/getcall.asp"), Not(HasSubstr("大家晚上好")));
  chat_.clock().Advance(60);
  EXPECT_THAT(Get("dan", "/getcall.asp"), Not(HasSubstr("大家晚上好")));
  // Still unread for everybody else: the call's own row is not marked.
  EXPECT_EQ(db().Execute("select read from calls")->Field("read").ToLong(), 0);
}

TEST_F(SitePagesTest, CallRefusesWhatItCannotStore) {
  Visitor("bob");
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", "nobody"}, {"body", "hi"}}),
              HasSubstr("没有叫“nobody”的用户。"));
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", ""}, {"body", "hi"}}),
              HasSubstr("请写上对方的名字。"));
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", "bob"}, {"body", std::string(201, 'x')}}),
              HasSubstr("传呼的话最多200个字，现在有201个字，没有保存。"));
  EXPECT_THAT(Post("ann", "/getcall.asp", {{"towho", std::string(21, 'b')}, {"body", "hi"}}),
              HasSubstr("名字最多20个字"));
  EXPECT_EQ(db().Execute("select count(*) as n from calls")->Field("n").ToLong(), 0);

  testing::HttpTestClient stranger(chat_.port());
  EXPECT_EQ(stranger.Get("/getcall.asp").Utf8Body(), stranger.Get("/showerr.asp").Utf8Body());
}

}  // namespace
}  // namespace tavolin
