// Copyright Tavolin developers.

#include "server/chat_site.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/http_test_client.h"
#include "testing/served_chat.h"
#include "text/gbk.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using testing::ServedChat;

TEST(ChatSiteTest, PagesStaticFilesAndTheSessionCookie) {
  ServedChat chat;
  testing::HttpTestClient client(chat.port());
  const auto login_page = client.Get("/");
  EXPECT_EQ(login_page.status, 200);
  EXPECT_EQ(login_page.headers.at("content-type"), "text/html; charset=gb2312");
  EXPECT_THAT(login_page.Utf8Body(), HasSubstr("<option value='1'>大厅</option>"));
  const std::string cookie = client.cookies().at("TAVOLINSID");
  EXPECT_THAT(login_page.headers.at("set-cookie"), HasSubstr("HttpOnly; SameSite=Lax"));
  // The session is kept: no new cookie on the next page.
  EXPECT_EQ(client.Get("/").headers.count("set-cookie"), 0U);
  EXPECT_EQ(client.cookies().at("TAVOLINSID"), cookie);

  // Static text files go out as GBK.
  const auto input = client.Get("/input.htm");
  EXPECT_EQ(input.body, "<p>\xCB\xB5\xB5\xE3\xCA\xB2\xC3\xB4</p>");
  EXPECT_EQ(client.Get("/nothing.asp").status, 404);
  EXPECT_EQ(client.Get("/../etc/passwd").status, 404);

  // Without a visit the chat pages send the browser to the error page.
  testing::HttpTestClient stranger(chat.port());
  EXPECT_THAT(stranger.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  EXPECT_THAT(stranger.Get("/showerr.asp").Utf8Body(), HasSubstr("请重新登录"));
}

TEST(ChatSiteTest, TwoVisitorsTalkThroughTheServedPages) {
  ServedChat chat;
  testing::HttpTestClient ann(chat.port());
  testing::HttpTestClient bob(chat.port());
  const auto entered = chat.Login(ann, "ann");
  ASSERT_THAT(entered.Utf8Body(), HasSubstr("location.replace('chat.asp')")) << entered.Utf8Body();
  EXPECT_THAT(ann.Get("/chat.asp").Utf8Body(), HasSubstr("<frameset name='mainfrm'"));
  EXPECT_THAT(ann.Get("/saylist.asp").Utf8Body(), HasSubstr("parent.clearsay()"));
  ASSERT_THAT(chat.Login(bob, "bob").Utf8Body(), HasSubstr("chat.asp"));
  bob.Get("/saylist.asp");
  EXPECT_EQ(chat.app().Get("_visitor").ToText(), "2");

  // A Chinese line crosses the wire as GBK both ways, byte for byte.
  const std::string line = "大家好！今天天气不错";
  const auto posted = ann.Post("/say.asp", {{"says", line},
                                            {"towho", "大家"},
                                            {"sayscolor", "000000"},
                                            {"addwordcolor", "000000"},
                                            {"addsays", "0"}});
  EXPECT_THAT(posted.Utf8Body(), HasSubstr("'" + line + "','ann','大家'"));
  const auto polled = bob.Get("/refresh.asp");
  EXPECT_THAT(polled.body, HasSubstr("'" + text::Utf8ToGbk(line) + "','ann'"));
  EXPECT_THAT(polled.Utf8Body(), HasSubstr("parent.allusernum=2;"));

  // Without the session cookie the same page is not the visitor's.
  testing::HttpTestClient cookieless(chat.port());
  EXPECT_THAT(cookieless.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));

  // A GET of the close page (a second window) leaves nothing; a POST leaves:
  // bob is told, ann's session is gone.
  EXPECT_THAT(ann.Get("/close.asp").Utf8Body(), HasSubstr("聊天室已经在另一个窗口里打开了"));
  EXPECT_THAT(bob.Get("/refresh.asp").Utf8Body(), Not(HasSubstr("parent.dell")));
  EXPECT_THAT(ann.Post("/close.asp", {}).Utf8Body(), HasSubstr("你已经离开了聊天室"));
  EXPECT_THAT(bob.Get("/refresh.asp").Utf8Body(), HasSubstr("parent.dell(\\'ann\\')"));
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
}

TEST(ChatSiteTest, AdminPagesNeedThePassword) {
  ServedChat chat;
  testing::HttpTestClient client(chat.port());
  const auto refused = client.Get("/admin/userclear.asp?mode=0");
  EXPECT_EQ(refused.status, 401);
  EXPECT_EQ(refused.headers.at("www-authenticate"), "Basic realm=\"Tavolin admin\"");

  ServedChat no_password("");
  testing::HttpTestClient other(no_password.port());
  EXPECT_EQ(other.Get("/admin/roomupdate.asp?mode=0").status, 403);
}

TEST(ChatSiteTest, CountersAreWrittenBackAtShutdown) {
  ServedChat chat;
  chat.app().Set("_visitor", Variant("42"));
  chat.app().Set("_hour24", Variant("1,2,3"));
  chat.site().SaveCounters();
  auto db = OpenConnection(chat.database().connection_string(), &chat.clock());
  EXPECT_EQ(db->Execute("SELECT body FROM sysparam WHERE alias='visitor'")->Field("body").ToText(),
            "42");
  EXPECT_EQ(db->Execute("SELECT body FROM sysparam WHERE alias='hour24'")->Field("body").ToText(),
            "1,2,3");
}

}  // namespace
}  // namespace tavolin::server
