// Copyright Tavolin developers.

#include "server/chat_site.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/http_test_client.h"
#include "testing/live_lists.h"
#include "testing/served_chat.h"
#include "text/gbk.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using testing::HttpTestClient;
using testing::ServedChat;

// The first row's column "v" of `query`, as text.
std::string Value(ServedChat& chat, const std::string& query) {
  auto db = OpenConnection(chat.database().connection_string(), &chat.clock());
  return db->Execute(query)->Field("v").ToText();
}

TEST(ChatSiteTest, PagesStaticFilesSessionCookieAndCounters) {
  ServedChat chat;
  HttpTestClient client(chat.port());
  const auto login_page = client.Get("/");
  EXPECT_EQ(login_page.headers.at("content-type"), "text/html; charset=gb2312");
  EXPECT_THAT(login_page.Utf8Body(), HasSubstr("<option value='1'>大厅</option>"));
  const std::string cookie = client.cookies().at("TAVOLINSID");
  EXPECT_THAT(login_page.headers.at("set-cookie"), HasSubstr("HttpOnly; SameSite=Lax"));
  EXPECT_EQ(client.Get("/").headers.count("set-cookie"), 0U);  // the session is kept
  EXPECT_EQ(client.cookies().at("TAVOLINSID"), cookie);
  EXPECT_EQ(client.Get("/input.htm").body, "<p>\xCB\xB5\xB5\xE3\xCA\xB2\xC3\xB4</p>");  // as GBK
  EXPECT_EQ(client.Get("/nothing.asp").status, 404);
  EXPECT_EQ(client.Get("/../etc/passwd").status, 404);
  // The counters go back to the database at shutdown.
  chat.app().Set("_visitor", Variant("42"));
  chat.site().SaveCounters();
  EXPECT_EQ(Value(chat, "select body as v from sysparam where alias='visitor'"), "42");
}

// Lines cross the wire as GBK. A character GBK lacks comes in as the
// reference a browser writes for it, is one character inside and goes back
// out as that reference; a typed reference to a GBK character stays text.
TEST(ChatSiteTest, TwoVisitorsTalkInGbkAndLeave) {
  ServedChat chat;
  HttpTestClient ann(chat.port()), bob(chat.port()), cookieless(chat.port());
  ASSERT_THAT(chat.Login(ann, "ann").Utf8Body(), HasSubstr("location.replace('chat.asp')"));
  EXPECT_THAT(ann.Get("/chat.asp").Utf8Body(), HasSubstr("<frameset name='mainfrm'"));
  chat.Login(bob, "bob");
  bob.Get("/refresh.asp");
  for (const char* says : {"大家好", "😀 &#60;x", "<😀> &#60;"}) {
    ann.Post("/say.asp", {{"says", says}, {"towho", "大家"}, {"sayscolor", "0"}});
  }
  const std::string lines = bob.Get("/refresh.asp").body;
  for (const std::string line : {text::Utf8ToGbk("大家好"), std::string("&#128512; &#60;x"),
                                 std::string("&lt;&#128512;&gt; &amp;#60;")}) {
    EXPECT_THAT(lines, HasSubstr("'" + line + "','ann'"));
  }
  ann.Post("/guest.asp", {{"towho", "bob"}, {"body", "😀&#60;"}});
  EXPECT_EQ(Value(chat, "select body as v from guestbook"), "😀&#60;");
  EXPECT_THAT(bob.Get("/guest.asp").body, HasSubstr("<br>&#128512;&amp;#60;</p>"));

  EXPECT_THAT(cookieless.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  EXPECT_THAT(ann.Post("/close.asp", {}).Utf8Body(), HasSubstr("你已经离开了聊天室"));
  EXPECT_THAT(bob.Get("/refresh.asp").Utf8Body(), HasSubstr("parent.dell(\\'ann\\')"));
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
}

TEST(ChatSiteTest, RoomChangeRefusalsAreSystemLinesOfTheFrame) {
  ServedChat chat;
  HttpTestClient ann(chat.port()), bob(chat.port());
  chat.Login(ann, "ann");
  chat.Login(bob, "bob");
  testing::LiveLists lists(chat.app());
  lists.SetRoomField("3", 1, "bob");  // bob's room, its door closed
  lists.SetRoomField("3", 15, "0");
  const std::pair<const char*, std::string> cases[] = {
      // the refusal as a script string
      {"5", "<font color=#009900>贵宾室<\\/font>限制级别5以下的聊友进入！"},
      {"3", "<font color=#009900>音乐之声<\\/font>的门被关上了，请呼叫房主开门吧！"},
      {"%201%20", "你已经在这个房间里了!"},
      {"01", "你要去的房间并不存在!"},
  };
  for (const auto& [toroom, refusal] : cases) {
    EXPECT_EQ(ann.Get(std::string("/changeroom.asp?toroom=") + toroom).body,
              text::Utf8ToGbk("<meta http-equiv=refresh content='6;url=refresh.asp'><script>"
                              "parent.addsay(-1,'" +
                              refusal + "','','',0,'990066','',-2,'10:00:00','');</script>"))
        << toroom;
  }
  EXPECT_EQ(lists.UserField("ann", 4), "1");
  EXPECT_EQ(lists.RoomField("5", 12), "");
}

// The admin pages over the wire with basic authentication ("admin:secret").
TEST(ChatSiteTest, AdminPagesPreviewAndApplyForTheAdminOnly) {
  ServedChat chat;
  auto db = OpenConnection(chat.database().connection_string(), &chat.clock());
  const Variant long_ago(DateTime::FromCivil(2025, 1, 1, 10, 0, 0));
  for (const char* user : {"'old',1,?,0", "'kept',1,?,1"}) {
    db->Execute(
        std::string("insert into user (username,visit_num,out_time,saved) values (") + user + ")",
        {long_ago});
  }
  db->Execute("update room set room_keep=0, room_exp=2000 where ID=3");
  db->Execute("update room set room_keep=0, room_time=? where ID=4", {long_ago});
  testing::LiveLists lists(chat.app());
  lists.SetRoomField("3", 6, "0");
  auto page = [&chat](const std::string& target, const std::string& credentials) {
    HttpTestClient client(chat.port());
    return text::GbkToUtf8(client.SendRaw("GET /admin/" + target + " HTTP/1.1\r\nHost: x\r\n" +
                                          credentials + "Connection: close\r\n\r\n"));
  };
  for (const char* refused : {"", "Authorization: Basic YWRtaW46d3Jvbmc=\r\n"}) {
    EXPECT_THAT(page("userclear.asp?mode=1", refused), HasSubstr("HTTP/1.1 401"));
  }
  // Users; room 3 kept in the table and in the live list; room 4 gone from both.
  auto state = [&] {
    return Value(chat, "select count(*) as v from user") + " " +
           Value(chat, "select room_keep as v from room where ID=3") + lists.RoomField("3", 6) +
           " " + std::to_string(db->Execute("select ID from room where ID=4")->eof()) +
           std::to_string(lists.Rooms().find("<$4$>") == std::string::npos);
  };
  const std::string rooms =
      "</h2><div class='report'>过期房间：[情感驿站]<br><br>设为永久：[音乐之声]";
  const std::tuple<const char*, std::string, const char*> steps[] = {
      {"userclear.asp", "用户清理（预览）</h2><div class='report'>[old]</div>", "2 00 00"},
      {"userclear.asp?mode=1", "用户清理</h2><div class='report'>[old]</div>", "1 00 00"},
      {"roomupdate.asp?mode=0", "房间整理（预览）" + rooms, "1 00 00"},
      {"roomupdate.asp?mode=1", "房间整理" + rooms, "1 11 11"},
  };
  for (const auto& [target, report, state_after] : steps) {
    EXPECT_THAT(page(target, "Authorization: Basic YWRtaW46c2VjcmV0\r\n"), HasSubstr(report));
    EXPECT_EQ(state(), state_after) << target;
  }
  ServedChat no_password("");
  HttpTestClient other(no_password.port());
  EXPECT_EQ(other.Get("/admin/roomupdate.asp?mode=0").status, 403);
}

}  // namespace
}  // namespace tavolin::server
