// Copyright Tavolin developers.

#include "server/chat_site.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "server/forgery_guard.h"
#include "testing/served_chat.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using testing::HttpTestClient;
using ::testing::Not;
using testing::ServedChat;

// Catches pages not sent as GBK, a file outside the site served, and visit counters not saved at
// shutdown.
TEST(ChatSiteTest, PagesStaticFilesAndCounters) {
  ServedChat chat;
  HttpTestClient client(chat.port());
  const auto login_page = client.Get("/");
  EXPECT_EQ(login_page.headers.at("content-type"), "text/html; charset=gb2312");
  EXPECT_THAT(login_page.Utf8Body(), HasSubstr("<option value='1'>大厅</option>"));
  EXPECT_EQ(client.Get("/input.htm").body,
            "<head></head><p>\xCB\xB5\xB5\xE3\xCA\xB2\xC3\xB4</p>");  // as GBK
  EXPECT_EQ(std::to_string(client.Get("/nothing.asp").status) +
                std::to_string(client.Get("/../etc/passwd").status),
            "404404");
  chat.app().Set("_visitor", Variant("42"));
  chat.site().SaveCounters();
  EXPECT_EQ(chat.Value("select body as v from sysparam where alias='visitor'"), "42");
}

// Catches a session stored (and a cookie set) for a visitor who has not entered, a cookie
// unprotected, an id kept across a login (fixation), and more sessions stored than the cap.
TEST(ChatSiteTest, OnlyALoginStoresASessionUnderANewIdUpToTheCap) {
  ServedChat chat("secret", 2);
  HttpTestClient client(chat.port());
  for (int i = 0; i < 20; ++i) {
    for (const auto& page :
         {client.Get("/"), client.Get("/chat.asp"), client.Get("/refresh.asp"),
          client.Get("/guest.asp"), client.Get("/close.asp"), chat.Login(client, "o'k")}) {
      EXPECT_EQ(page.headers.count("set-cookie"), 0U);
    }
  }
  EXPECT_EQ(chat.site().sessions().size(), 0U);
  std::string cookies[2];
  for (std::string& cookie : cookies) {
    cookie = chat.Login(client, "ann").headers.at("set-cookie");
    EXPECT_THAT(cookie, HasSubstr("; Path=/; HttpOnly; SameSite=Lax"));
  }
  EXPECT_NE(cookies[0], cookies[1]);
  const std::string old_id = cookies[0].substr(0, cookies[0].find(';'));
  EXPECT_THAT(client.SendRaw("GET /refresh.asp HTTP/1.1\r\nHost: x\r\nCookie: " + old_id +
                             "\r\nConnection: close\r\n\r\n"),
              HasSubstr("showerr.asp"));
  EXPECT_EQ(chat.site().sessions().size(), 1U);
  chat.Visitor("bob");
  HttpTestClient third(chat.port());
  EXPECT_THAT(chat.Login(third, "cici").Utf8Body(), HasSubstr("聊天室现在人太多了，请稍后再来。"));
  EXPECT_EQ(chat.site().sessions().size(), 2U);
  EXPECT_THAT(client.Get("/refresh.asp").Utf8Body(), Not(HasSubstr("showerr.asp")));
  EXPECT_THAT(chat.Page("bob", "/refresh.asp"), Not(HasSubstr("cici")));  // refused before entering
}

// Lines cross as GBK, a character GBK lacks as the reference a browser writes, a typed one as
// text. A GET of the close page (a second window) leaves nothing; a POST leaves.
TEST(ChatSiteTest, TwoVisitorsTalkInGbkAndLeave) {
  ServedChat chat;
  HttpTestClient &ann = chat.Visitor("ann"), &bob = chat.Visitor("bob");
  bob.Get("/refresh.asp");
  for (const char* says : {"大家好", "😀 &#60;x", "<😀> &#60;"}) {
    ann.Post("/say.asp", {{"says", says}, {"towho", "大家"}, {"sayscolor", "0"}});
  }
  const std::string lines = bob.Get("/refresh.asp").body;
  for (const std::string& line : {text::Utf8ToGbk("大家好"), std::string("&#128512; &#60;x"),
                                  std::string("&lt;&#128512;&gt; &amp;#60;")}) {
    EXPECT_THAT(lines, HasSubstr("'" + line + "','ann'"));
  }
  EXPECT_THAT(HttpTestClient(chat.port()).Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  EXPECT_THAT(ann.Get("/close.asp").Utf8Body(), HasSubstr("聊天室已经在另一个窗口里打开了"));
  // The page leaves by itself in the chat window only when a page of the site sent it there:
  // another site could open it under the chat window's name.
  for (const auto& [fetch_site, leaves] :
       {std::pair{"cross-site", false}, {"none", false}, {"same-origin", true}}) {
    ann.set_header("Sec-Fetch-Site", fetch_site);
    EXPECT_EQ(ann.Get("/close.asp").Utf8Body().find(".submit();") != std::string::npos, leaves)
        << fetch_site;
  }
  ann.set_header("Sec-Fetch-Site", "");
  EXPECT_THAT(bob.Get("/refresh.asp").Utf8Body(), Not(HasSubstr("parent.dell")));
  EXPECT_THAT(ann.Post("/close.asp", {}).Utf8Body(), HasSubstr("你已经离开了聊天室"));
  EXPECT_THAT(bob.Get("/refresh.asp").Utf8Body(), HasSubstr("parent.dell(\\'ann\\')"));
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
}

// Catches a change made by a POST without the session's token or from another site's page, and a
// page of the session that does not carry the token for its forms.
TEST(ChatSiteTest, PostsNeedTheSessionsTokenAndTheSitesOwnOrigin) {
  ServedChat chat;
  HttpTestClient& ann = chat.Visitor("ann");
  chat.Page("bob", "/addfriend.asp", {{"towho", "ann"}});
  const std::string token = ann.token();
  ASSERT_EQ(token.size(), 32U);
  for (const char* page : {"/chat.asp", "/input.htm", "/userset.asp", "/close.asp"}) {
    EXPECT_THAT(ann.Get(page).Utf8Body(), HasSubstr("<meta name='csrf-token' content='" + token))
        << page;
  }
  const std::pair<const char*, std::map<std::string, std::string>> posts[] = {
      {"/say.asp", {{"says", "forged"}, {"towho", "大家"}}},
      {"/changeroom.asp", {{"toroom", "2"}}},
      {"/guest.asp", {{"towho", "bob"}, {"body", "forged"}}},
      {"/getcall.asp", {{"towho", "bob"}, {"body", "forged"}}},
      {"/agreefriend.asp", {{"ID", chat.Value("select ID as v from friendrq")}, {"answer", "yes"}}},
      {"/userset.asp",
       {{"do", "password"}, {"oldpass", "pwann"}, {"newpass", "forged1"}, {"newpass2", "forged1"}}},
      {"/close.asp", {}},
  };
  // No token, another session's, and the right one from another site.
  const std::pair<std::string, std::string> forgeries[] = {
      {"", ""}, {chat.Visitor("bob").token(), ""}, {token, "http://evil.example"}, {token, "null"}};
  for (const auto& [forged_token, origin] : forgeries) {
    ann.set_origin(origin);
    for (auto [page, form] : posts) {
      form["token"] = forged_token;
      EXPECT_EQ(ann.Post(page, form).status, 403) << page << " " << origin;
    }
  }
  EXPECT_EQ(chat.Value("select ''||(select count(*) from guestbook)||(select count(*) from calls)||"
                       "(select count(*) from friendrq)||(select friends from user where "
                       "username='ann') as v"),
            "001");
  // The real thing, from the site's own page: ann is still in the first room and bob sees it.
  ann.set_origin("http://127.0.0.1");
  ann.Post("/say.asp", {{"says", "real"}, {"towho", "大家"}});
  const std::string seen = chat.Page("bob", "/refresh.asp?sayid=0");
  EXPECT_THAT(seen, HasSubstr("'real','ann'"));
  EXPECT_THAT(seen, Not(HasSubstr("forged")));
  // Another site's page cannot log a visitor in; each login gets a new token.
  HttpTestClient stranger(chat.port());
  stranger.set_origin("https://evil.example");
  EXPECT_EQ(chat.Login(stranger, "cici").status, 403);
  chat.Login(ann, "ann");
  EXPECT_NE(ann.token(), token);
}

// Catches the token's meta element put into a page other than at its head: inside a line's
// script string it would end the string and lose the poll.
TEST(ChatSiteTest, TheTokenGoesIntoTheHeadThatOpensAPageOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"<!DOCTYPE html><html><head><title>",
       "<!DOCTYPE html><html><head><meta name='csrf-token' "
       "content='t'><title>"},
      {"<script>parent.addsay(1,'<head>');</script>",
       "<script>parent.addsay(1,'<head>');</script>"},
      {"<html>\n<head>", "<html>\n<head><meta name='csrf-token' content='t'>"},
      {"<p><head>", "<p><head>"},
  };
  for (const auto& [page, carried] : cases) EXPECT_EQ(WithTokenMeta(page, "t"), carried);
}

// Catches a refused room change answered with a page the frame cannot show.
TEST(ChatSiteTest, RoomChangeRefusalsAreSystemLinesOfTheFrame) {
  ServedChat chat;
  chat.Visitor("bob");
  testing::LiveLists lists(chat.app());
  lists.SetRoomField("3", 1, "bob");  // bob's room, its door closed
  lists.SetRoomField("3", 15, "0");
  // A link moves nobody: ann is still in the first room below.
  EXPECT_THAT(chat.Page("ann", "/changeroom.asp?toroom=2"),
              HasSubstr("请用输入框上的房间选单换房间。"));
  const std::pair<const char*, std::string> cases[] = {
      {"5", "<font color=#009900>贵宾室<\\/font>限制级别5以下的聊友进入！"},
      {"3", "<font color=#009900>音乐之声<\\/font>的门被关上了，请呼叫房主开门吧！"},
      {" 1 ", "你已经在这个房间里了!"},
      {"01", "你要去的房间并不存在!"},
  };
  for (const auto& [toroom, refusal] : cases) {
    EXPECT_EQ(chat.Page("ann", "/changeroom.asp", {{"toroom", toroom}}),
              "<meta http-equiv=refresh content='6;url=refresh.asp'><script>parent.addsay(-1,'" +
                  refusal + "','','',0,'990066','',-2,'10:00:00','');</script>")
        << toroom;
  }
}

// Admin pages need "admin:secret" and preview unless posted with mode 1 and the admin token; no
// password switches them off.
TEST(ChatSiteTest, AdminPagesPreviewAndApplyForTheAdminOnly) {
  ServedChat chat;
  const Variant long_ago(DateTime::FromCivil(2025, 1, 1, 10, 0, 0));
  chat.db().Execute("insert into user (username,visit_num,out_time,saved) values ('old',1,?,0)",
                    {long_ago});
  chat.db().Execute("update room set room_keep=0, room_exp=2000 where ID=3");
  chat.db().Execute("update room set room_keep=0, room_time=? where ID=4", {long_ago});
  testing::LiveLists(chat.app()).SetRoomField("3", 6, "0");
  // "GET page" or "POST page form".
  auto page = [&chat](const std::string& request, const std::string& credentials) {
    const auto words = text::Split(request, " ");
    const std::string form = words.size() > 2 ? std::string(words[2]) : "";
    return text::GbkToUtf8(HttpTestClient(chat.port())
                               .SendRaw(std::string(words[0]) + " /admin/" + std::string(words[1]) +
                                        " HTTP/1.1\r\nHost: x\r\n" + credentials +
                                        "Content-Type: application/x-www-form-urlencoded\r\n"
                                        "Content-Length: " +
                                        std::to_string(form.size()) +
                                        "\r\nConnection: close\r\n\r\n" + form));
  };
  const std::string admin = "Authorization: Basic YWRtaW46c2VjcmV0\r\n",
                    wrong = "Authorization: Basic YWRtaW46d3Jvbmc=\r\n",
                    rooms =
                        "</h2><div class='report'>过期房间：[情感驿站]<br><br>设为永久：[音乐之声]";
  const std::string preview = page("GET userclear.asp", admin);
  const size_t meta = preview.find("<meta name='csrf-token' content='") + 33;
  const std::string run = "mode=1&token=" + preview.substr(meta, 32);
  EXPECT_THAT(preview, HasSubstr("<input type='hidden' name='token' value='" + run.substr(13)));
  // Each page's report, and then the users, the rooms and the kept rooms.
  const std::tuple<std::string, std::string, std::string, const char*> steps[] = {
      {"POST userclear.asp " + run, "", "HTTP/1.1 401", "1 5 3"},
      {"POST userclear.asp " + run, wrong, "HTTP/1.1 401", "1 5 3"},
      {"GET userclear.asp?mode=1", admin, "用户清理（预览）</h2><div class='report'>[old]",
       "1 5 3"},
      {"POST userclear.asp mode=1&token=x", admin, "HTTP/1.1 403", "1 5 3"},
      {"POST userclear.asp " + run, admin, "用户清理</h2><div class='report'>[old]</div>", "0 5 3"},
      {"GET roomupdate.asp?mode=1", admin, "房间整理（预览）" + rooms, "0 5 3"},
      {"POST roomupdate.asp " + run, admin, "房间整理" + rooms, "0 4 4"},
      // Four wrong passwords from one address hold it back a second.
      {"GET userclear.asp", wrong, "HTTP/1.1 401", "0 4 4"},
      {"GET userclear.asp", wrong, "HTTP/1.1 401", "0 4 4"},
      {"GET userclear.asp", wrong, "HTTP/1.1 401", "0 4 4"},
      {"GET userclear.asp", wrong, "HTTP/1.1 401", "0 4 4"},
      {"GET userclear.asp", admin, "HTTP/1.1 429", "0 4 4"},
      {"GET userclear.asp", admin, "<h2>密码错误次数太多，请1秒后再试！</h2>", "0 4 4"},
  };
  for (const auto& [target, credentials, report, counts] : steps) {
    EXPECT_THAT(page(target, credentials), HasSubstr(report));
    EXPECT_EQ(chat.Value("select (select count(*) from user)||' '||(select count(*) from room)||"
                         "' '||(select sum(room_keep) from room) as v"),
              counts)
        << target;
  }
  ServedChat no_password("");
  EXPECT_EQ(HttpTestClient(no_password.port()).Get("/admin/roomupdate.asp?mode=0").status, 403);
}

}  // namespace
}  // namespace tavolin::server
