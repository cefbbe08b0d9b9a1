// Copyright Tavolin developers.
//
// Injection and break-out texts in every field of every page a visitor
// reaches, sent by a visitor of the lowest level and again by one who may
// write HTML, while a second visitor in the same room keeps reading.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "server/url_codec.h"
#include "testing/page_scripts.h"
#include "testing/served_chat.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin::server {
namespace {

using testing::HttpTestClient;
using testing::HttpTestResponse;
using testing::ServedChat;

struct Payload {
  std::string text;    // UTF-8, or code-page bytes when `raw`
  std::string marker;  // what must never reach the other visitor unescaped; "" none
  bool raw = false;    // sent as bytes in the query, as no form of this code page could carry them
};

std::vector<Payload> Payloads() {
  return {{"' or 1=1--", ""},
          {"'; drop table user;--", ""},
          {"\" or \"\"=\"", ""},
          {"1; delete from room", ""},
          {"%27 %81%FF", ""},
          {"</script><script>top.pwned=1</script>", "<script>top.pwned"},
          {"#</script><script>top.pwned=2</script>", "<script>top.pwned"},
          {"';top.pwned=3;//", "';top.pwned"},
          {"\\';top.pwned=4;//", "';top.pwned"},
          {"\"+top.pwned+\"", "\"+top.pwned"},
          {"\"><img src=x onerror=top.pwned=5>", "<img src=x onerror"},
          {"#<svg onload=top.pwned=6>", "<svg onload"},
          {"&#60;script&#62;top.pwned=7&#60;/script&#62;", "<script>top.pwned"},
          {"javascript:top.pwned=8", ""},
          {"a\u2028b\u2029c", ""},
          {"<!--<script>", "<!--<script"},
          {"]]> */ -->", ""},
          {"end\\", ""},
          {"one\r\ntwo\rthree\nSet-Cookie: x=1", ""},
          {std::string("nul\0byte", 8), ""},
          {std::string(3000, 'x') + "\\" + std::string(3000, 0x27), ""},
          {"\x81\xFF\x80", "", true},
          {"1e400", ""},
          {"-0", ""},
          {"0x10", ""},
          {"2147483648", ""},
          {"-2147483649", ""},
          {"/hi", ""},
          {"/smile ## [x] 😀 한국어 &#0; it's", ""}};
}

// Fields sent to one page, each in turn, in a form whose other fields are
// ordinary (the page's usual form, with `also` over it).
struct Fields {
  std::string_view page;
  std::string_view names;                // separated by blanks
  std::string_view shown_to_other = "";  // the other visitor's page that shows what was sent
  std::string_view also = "";
};

constexpr Fields kFields[] = {
    {"/login.asp", "sUserName sPass bSex room_id"},
    {"/say.asp", "says towho secret istitle sayscolor addwordcolor addsays id"},
    {"/say.asp", "says", "", "istitle=1"},              // a title
    {"/say.asp", "says", "", "towho=小精灵"},           // to the robot, who answers
    {"/say.asp", "says", "", "towho=viewer&secret=1"},  // a whisper
    {"/refresh.asp", "sayid"},
    {"/changeroom.asp", "toroom"},
    {"/userset.asp", "bgcolor bc1 bc2 n_color s_color f_size l_height friends do"},
    {"/userset.asp", "oldpass newpass newpass2", "", "do=password"},
    {"/guest.asp", "towho body", "/guest.asp"},
    {"/guest.asp", "page"},
    {"/getcall.asp", "towho body", "/getcall.asp"},
    {"/addfriend.asp", "towho", "/addfriend.asp"},
    {"/agreefriend.asp", "ID answer"},
};

const std::map<std::string_view, std::string_view> kUsualForms = {
    {"/login.asp", "sPass=pw&bSex=1&room_id=1"},
    {"/say.asp",
     "says=hi&towho=大家&secret=0&istitle=0&sayscolor=000000&addwordcolor=000000&addsays=0&id=0"},
    {"/changeroom.asp", "toroom=1"},
    {"/userset.asp",
     "bgcolor=FFFFFF&bc1=EEEEEE&bc2=DDDDDD&n_color=1&s_color=2&f_size=3&l_height=4&"
     "friends=viewer&oldpass=pwposter&newpass=new1&newpass2=new2"},
    {"/guest.asp", "towho=viewer&body=hi"},
    {"/getcall.asp", "towho=viewer&body=hi"},
    {"/addfriend.asp", "towho=viewer"},
    {"/agreefriend.asp", "ID=1&answer=no"}};

std::map<std::string, std::string> FormOf(const Fields& fields) {
  std::map<std::string, std::string> form;
  if (auto usual = kUsualForms.find(fields.page); usual != kUsualForms.end()) {
    for (auto& [name, value] : ParseUrlEncoded(usual->second)) form[name] = value;
  }
  for (auto& [name, value] : ParseUrlEncoded(fields.also)) form[name] = value;
  return form;
}

// Whether `marker` occurs in `page` other than inside a script string (a
// quote there follows an odd run of backslashes).
bool ShowsRaw(std::string_view page, std::string_view marker) {
  for (size_t at = page.find(marker); at != std::string_view::npos;
       at = page.find(marker, at + 1)) {
    size_t slashes = 0;
    while (at > slashes && page[at - slashes - 1] == '\\') ++slashes;
    if ((marker[0] != '\'' && marker[0] != '"') || slashes % 2 == 0) return true;
  }
  return false;
}

// Catches a page failing on hostile input, a script of any page (or inside a chat line) that no
// longer parses, a table dropped or rows lost or raised through injection, and a payload that
// reaches the other visitor's page unescaped, in any field of any page, at levels 1 and 9.
TEST(HostileInputTest, EveryFieldOfEveryPageWithstandsInjection) {
  ServedChat chat;
  for (const char* unlimited :
       {"_maxsaysper10s", "_maxcallsperminute", "_maxgbperminute", "_maxfriendrqperminute"}) {
    chat.app().Set(unlimited, Variant("0"));
  }
  chat.app().Set("_newusernum", Variant("100000"));
  testing::PageScriptChecker checker;
  chat.Visitor("viewer");
  // Rooms and who may write HTML stay as they are; only a login adds a user.
  auto fixed = [&chat] {
    return chat.Value(
        "select (select count(*) from room) || ' rooms, ' || (select count(*) from "
        "user where user_level>=9) || ' at 9' as v");
  };
  auto users = [&chat] { return std::stoi(chat.Value("select count(*) as v from user")); };
  int logins = 0, rows = 0;
  auto keep = [&checker](const std::string& label, const HttpTestResponse& page) {
    checker.AddPage(label, page.Utf8Body());
  };
  const std::vector<Payload> payloads = Payloads();
  for (const int level : {1, 9}) {
    chat.db().Execute("update user set user_level=? where username='poster'", {Variant(level)});
    chat.Login(chat.Visitor("poster"), "poster");
    const std::string rooms_and_levels = fixed();
    for (size_t p = 0; p < payloads.size(); ++p) {
      const Payload& payload = payloads[p];
      for (const Fields& fields : kFields) {
        const bool login = fields.page == "/login.asp";
        if (login && level == 9) continue;  // nobody has a level before entering
        for (const std::string_view name_view : text::Split(fields.names, " ")) {
          const std::string name(name_view);
          const std::string label = "L" + std::to_string(level) + "-p" + std::to_string(p) + "-" +
                                    name + std::string(fields.also.substr(0, 6));
          SCOPED_TRACE(label + " sent " + payload.text.substr(0, 60));
          const int users_before = users();
          HttpTestClient fresh(chat.port());
          HttpTestClient& sender = login ? fresh : chat.Visitor("poster");
          std::map<std::string, std::string> form = FormOf(fields);
          if (login) form["sUserName"] = "n" + std::to_string(++logins);
          std::string target(fields.page);
          if (payload.raw || fields.page == "/refresh.asp") {
            form.erase(name);
            target += "?" + name + "=" +
                      PercentEncode(payload.raw ? payload.text : text::Utf8ToGbk(payload.text));
          } else {
            form[name] = payload.text;
          }
          if (login) fresh.Get("/");
          const HttpTestResponse answer =
              form.empty() ? sender.Get(target) : sender.Post(target, form);
          ++rows;
          EXPECT_NE(answer.status, 500) << answer.Utf8Body();
          keep(label + "-answer", answer);
          if (fields.page == "/changeroom.asp") sender.Post(target, FormOf(fields));
          std::vector<std::pair<std::string, std::string>> seen = {
              {"refresh", chat.Page("viewer", "/refresh.asp")}};
          if (!fields.shown_to_other.empty()) {
            seen.push_back({"mirror", chat.Page("viewer", std::string(fields.shown_to_other))});
          }
          if (&fields == &kFields[std::size(kFields) - 1] && name == "answer") {
            for (const char* page : {"/saylist.asp", "/chat.asp", "/usercheck.asp"}) {
              seen.push_back({page + 1, chat.Page("viewer", page)});
            }
            keep(label + "-own-chat", chat.Visitor("poster").Get("/chat.asp"));
            keep(label + "-own-settings", chat.Visitor("poster").Get("/userset.asp"));
          }
          for (const auto& [which, page] : seen) {
            checker.AddPage(label + "-" + which, page);
            // Lines of a visitor who may write HTML reach the client's sanitiser as HTML.
            const bool html_lines = level == 9 && (which == "refresh" || which == "saylist.asp");
            if (!payload.marker.empty() && !html_lines) {
              EXPECT_FALSE(ShowsRaw(page, payload.marker)) << which << ":\n" << page;
            }
          }
          EXPECT_EQ(fixed(), rooms_and_levels);
          const int added = users() - users_before;
          EXPECT_TRUE(added == 0 || (added == 1 && login)) << added << " users added";
        }
      }
    }
  }
  chat.Visitor("poster").Post("/close.asp", {{"x", "1"}});
  checker.AddPage("after-close", chat.Page("viewer", "/refresh.asp"));
  EXPECT_EQ(chat.Value("select count(*) as v from user where username in ('poster','viewer')"),
            "2");
  const testing::PageScriptChecker::Report report = checker.Check();
  EXPECT_EQ(report.failures, "");
  EXPECT_GT(report.scripts, rows);  // the run reached what it checks
  EXPECT_GT(report.carried, 100);   // level-9 lines carry scripts
}

}  // namespace
}  // namespace tavolin::server
