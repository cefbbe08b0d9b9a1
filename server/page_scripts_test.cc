// Copyright Tavolin developers.
//
// Every script the served pages emit must parse: a long seeded random chat
// with awkward names and texts runs through the real server and node checks
// each page's scripts and the scripts inside the chat lines.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "server/url_codec.h"
#include "testing/page_scripts.h"
#include "testing/served_chat.h"
#include "text/strings.h"

namespace tavolin::server {
namespace {

using testing::HttpTestClient;

TEST(PageScriptsTest, EveryScriptOfALongRandomChatParses) {
  testing::ServedChat chat;
  chat.app().Set("_newusernum", Variant("1000"));
  testing::PageScriptChecker checker;
  // Choices between "|"; the last three names are refused at the login.
  const auto names = text::Split("ann|bob|老王|c_3|o'k|a\\b|</script>", "|");
  const auto texts = text::Split(
      "it's \"q\"|back\\slash\\|</script><script>alert(1)</script>|<b>b</b> & <i>|😀 한국어|"
      "&#60; &#128512; &#x1F600; &#0;|one\r\ntwo|#<script>alert('x')</script>|/hi|/smile|/no|"
      "[x] </\\script> \\'|'; alert(1); '|  |大家好|\\",
      "|");
  std::mt19937 random(20260304);
  auto pick = [&random](const std::vector<std::string_view>& from) {
    return std::string(from[random() % from.size()]);
  };
  auto room = [&pick] { return pick({"1", "2", "3", "5", "9", " 2 ", "x'"}); };
  std::vector<std::unique_ptr<HttpTestClient>> browsers;
  for (std::string_view name : names) {
    browsers.push_back(std::make_unique<HttpTestClient>(chat.port()));
    checker.AddPage("login", chat.Login(*browsers.back(), std::string(name)).Utf8Body());
  }
  auto db = OpenConnection(chat.database().connection_string(), &chat.clock());
  db->Execute("update user set user_level=9 where username='ann'");  // may write HTML
  db->Execute("update user set user_level=3 where username='bob'");  // may set titles
  for (int step = 0; step < 700; ++step) {
    const size_t who = random() % names.size();
    HttpTestClient& browser = *browsers[who];
    chat.clock().Advance(random() % 7);
    const std::string towho = pick({"大家", names[who], names[random() % 4], "小精灵", "nobody"});
    testing::HttpTestResponse page;
    switch (random() % 10) {
      case 0:
        checker.AddPage("login", chat.Login(browser, std::string(names[who]), room()).Utf8Body());
        page = browser.Get("/saylist.asp");
        break;
      case 1:
        page = browser.Get("/changeroom.asp?toroom=" + PercentEncode(room()));
        break;
      case 2:
        page = browser.Get(pick({"/refresh.asp", "/refresh.asp?sayid=0", "/chat.asp",
                                 "/saylist.asp", "/usercheck.asp"}));
        break;
      case 3:
        page = browser.Post(pick({"/guest.asp", "/getcall.asp", "/addfriend.asp"}),
                            {{"towho", towho}, {"body", pick(texts)}});
        break;
      case 4:
        page = browser.Post("/close.asp", {});
        break;
      default:
        page = browser.Post("/say.asp", {{"says", pick(texts)},
                                         {"towho", towho},
                                         {"secret", pick({"-1", "1", "true", "x"})},
                                         {"istitle", pick({"", "1", "on"})},
                                         {"sayscolor", pick({"000000", "red'", "</script>"})},
                                         {"addwordcolor", pick({"336699", "\\"})},
                                         {"addsays", pick({"0", "3", "-1", "x"})},
                                         {"id", pick({"0", ""})}});
    }
    checker.AddPage("page", page.Utf8Body());
  }
  const testing::PageScriptChecker::Report report = checker.Check();
  EXPECT_EQ(report.failures, "");
  // The run reached what it is meant to check, scripts inside chat lines too.
  EXPECT_GT(report.scripts, 500);
  EXPECT_GT(report.carried, 100);
}

}  // namespace
}  // namespace tavolin::server
