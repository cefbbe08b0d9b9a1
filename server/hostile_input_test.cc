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
          {"-2147483649", ""}};
}

struct Field {
  std::string_view page;
  std::string_view name;
  std::string_view shown_to_other = "";  // the other visitor's page that shows what was sent
  bool fails_on_junk = false;            // a say id that is not a whole number fails the page
  std::string_view password_form = "";   // the settings page's other form
};

constexpr Field kFields[] = {
    {"/login.asp", "sUserName"},
    {"/login.asp", "sPass"},
    {"/login.asp", "bSex"},
    {"/login.asp", "room_id"},
    {"/say.asp", "says"},
    {"/say.asp", "towho"},
    {"/say.asp", "secret"},
    {"/say.asp", "istitle"},
    {"/say.asp", "sayscolor"},
    {"/say.asp", "addwordcolor"},
    {"/say.asp", "addsays"},
    {"/say.asp", "id", "", true},
    {"/refresh.asp", "sayid", "", true},
    {"/changeroom.asp", "toroom"},
    {"/userset.asp", "bgcolor"},
    {"/userset.asp", "bc1"},
    {"/userset.asp", "bc2"},
    {"/userset.asp", "n_color"},
    {"/userset.asp", "s_color"},
    {"/userset.asp", "f_size"},
    {"/userset.asp", "l_height"},
    {"/userset.asp", "friends"},
    {"/userset.asp", "do"},
    {"/userset.asp", "oldpass", "", false, "password"},
    {"/userset.asp", "newpass", "", false, "password"},
    {"/userset.asp", "newpass2", "", false, "password"},
    {"/guest.asp", "towho", "/guest.asp"},
    {"/guest.asp", "body", "/guest.asp"},
    {"/guest.asp", "page"},
    {"/getcall.asp", "towho", "/getcall.asp"},
    {"/getcall.asp", "body", "/getcall.asp"},
    {"/addfriend.asp", "towho", "/addfriend.asp"},
    {"/agreefriend.asp", "ID"},
    {"/agreefriend.asp", "answer"},
};

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
  const std::map<std::string_view, std::map<std::string, std::string>> forms = {
      {"/login.asp", {{"sPass", "pw"}, {"bSex", "1"}, {"room_id", "1"}}},
      {"/say.asp",
       {{"says", "hi"},
        {"towho", "大家"},
        {"secret", "0"},
        {"istitle", "0"},
        {"sayscolor", "000000"},
        {"addwordcolor", "000000"},
        {"addsays", "0"},
        {"id", "0"}}},
      {"/changeroom.asp", {{"toroom", "1"}}},
      {"/userset.asp",
       {{"bgcolor", "#FFFFFF"},
        {"bc1", "#EEEEEE"},
        {"bc2", "#DDDDDD"},
        {"n_color", "1"},
        {"s_color", "2"},
        {"f_size", "3"},
        {"l_height", "4"},
        {"friends", "viewer"},
        {"oldpass", "pwposter"},
        {"newpass", "new1"},
        {"newpass2", "new2"}}},
      {"/guest.asp", {{"towho", "viewer"}, {"body", "hi"}}},
      {"/getcall.asp", {{"towho", "viewer"}, {"body", "hi"}}},
      {"/addfriend.asp", {{"towho", "viewer"}}},
      {"/agreefriend.asp", {{"ID", "1"}, {"answer", "no"}}}};
  auto state = [&chat] {
    return chat.Value(
        "select (select count(*) from room) || ' rooms, ' || (select count(*) from user where "
        "user_level>=9) || ' at 9, users ' || (select count(*) from user) as v");
  };
  auto before_users = [](const std::string& counts) {
    return counts.substr(0, counts.find(" users"));
  };
  int logins = 0, rows = 0;
  auto keep = [&checker](const std::string& label, const HttpTestResponse& page) {
    checker.AddPage(label, page.Utf8Body());
    return page.Utf8Body();
  };
  const std::vector<Payload> payloads = Payloads();
  for (const int level : {1, 9}) {
    chat.db().Execute("update user set user_level=? where username='poster'", {Variant(level)});
    chat.Login(chat.Visitor("poster"), "poster");
    const std::string rooms_and_levels = before_users(state());
    for (size_t p = 0; p < payloads.size(); ++p) {
      const Payload& payload = payloads[p];
      for (const Field& field : kFields) {
        const bool login = field.page == "/login.asp";
        if (login && level == 9) continue;  // nobody has a level before entering
        const std::string label =
            "L" + std::to_string(level) + "-p" + std::to_string(p) + "-" + std::string(field.name);
        SCOPED_TRACE(label + " sent " + payload.text.substr(0, 60));
        const std::string users_before = state();
        HttpTestClient fresh(chat.port());
        HttpTestClient& sender = login ? fresh : chat.Visitor("poster");
        std::map<std::string, std::string> form;
        if (auto base = forms.find(field.page); base != forms.end()) form = base->second;
        if (login) form["sUserName"] = "n" + std::to_string(++logins);
        if (!field.password_form.empty()) form["do"] = std::string(field.password_form);
        std::string target(field.page);
        const std::string sent = payload.raw ? payload.text : text::Utf8ToGbk(payload.text);
        if (payload.raw || field.page == "/refresh.asp") {
          form.erase(std::string(field.name));
          target += "?" + std::string(field.name) + "=" + PercentEncode(sent);
        } else {
          form[std::string(field.name)] = payload.text;
        }
        if (login) fresh.Get("/");
        const HttpTestResponse answer =
            form.empty() ? sender.Get(target) : sender.Post(target, form);
        ++rows;
        keep(label + "-answer", answer);
        if (answer.status == 500) {
          EXPECT_TRUE(field.fails_on_junk) << answer.Utf8Body();
          EXPECT_EQ(answer.body.find(sent), std::string::npos) << "the error page shows the input";
        }
        if (field.page == "/changeroom.asp") sender.Post(target, {{"toroom", "1"}});
        std::vector<std::pair<std::string, std::string>> seen = {
            {"refresh", chat.Page("viewer", "/refresh.asp")}};
        if (!field.shown_to_other.empty()) {
          seen.push_back({"mirror", chat.Page("viewer", std::string(field.shown_to_other))});
        }
        if (&field == &kFields[std::size(kFields) - 1]) {
          seen.push_back({"saylist", chat.Page("viewer", "/saylist.asp")});
          seen.push_back({"chat", chat.Page("viewer", "/chat.asp")});
          keep(label + "-own-chat", chat.Visitor("poster").Get("/chat.asp"));
          keep(label + "-own-settings", chat.Visitor("poster").Get("/userset.asp"));
        }
        for (const auto& [which, page] : seen) {
          checker.AddPage(label + "-" + which, page);
          // Lines of a visitor who may write HTML reach the client's sanitiser as HTML.
          const bool html_lines = level == 9 && (which == "refresh" || which == "saylist");
          if (!payload.marker.empty() && !html_lines) {
            EXPECT_FALSE(ShowsRaw(page, payload.marker)) << which << ":\n" << page;
          }
        }
        // A login may register one new name, and nothing else changes the counts.
        const std::string users_after = state();
        EXPECT_EQ(before_users(users_after), rooms_and_levels);
        const int added = std::stoi(users_after.substr(users_after.rfind(' '))) -
                          std::stoi(users_before.substr(users_before.rfind(' ')));
        EXPECT_TRUE(added == 0 || (added == 1 && login)) << users_before << " -> " << users_after;
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
