// Copyright Tavolin developers.
//
// Every script the served pages emit must parse. A long seeded random chat
// with awkward texts runs through the real server; each page's script
// elements go to files, and node compiles each one, runs the chat-line calls
// against stubs and compiles the scripts carried inside the chat lines too.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "server/url_codec.h"
#include "testing/served_chat.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin::server {
namespace {

using testing::HttpTestClient;

// Compiles every file of the folder; runs each script with stubs for the
// frames so that the lines handed to addsay can be searched for the scripts
// they carry, which are compiled as well. Prints each failure with its
// script, then "checked <scripts> <scripts in lines>".
constexpr const char* kChecker = R"js(
const fs = require('fs'), path = require('path');
let scripts = 0, inner = 0, lines = [];
const stub = new Proxy(function () {}, {
  get: (t, k) => k === 'addsay' ? (...a) => lines.push(...a) : typeof k === 'symbol' ? undefined : stub,
  apply: () => stub, set: () => true });
function check(src, where, run) {
  try {
    const f = new Function('parent', 'top', 'window', 'location', 'document', src);
    if (run) f(stub, stub, stub, stub, stub);
  } catch (e) { console.log('FAILED ' + where + ': ' + e + '\n' + src + '\n'); }
}
for (const file of fs.readdirSync(process.argv[2]).sort()) {
  const src = fs.readFileSync(path.join(process.argv[2], file), 'utf8');
  lines = [];
  check(src, file, /addsay\(/.test(src)); ++scripts;
  for (const line of lines.filter(a => typeof a === 'string')) {
    for (const m of line.matchAll(/<script[^>]*>([\s\S]*?)<\/script>/gi)) { check(m[1], file + ' line ' + line, false); ++inner; }
  }
}
console.log('checked ' + scripts + ' ' + inner);
)js";

// The bodies of the page's script elements.
std::vector<std::string> ScriptsOf(const std::string& page) {
  std::vector<std::string> scripts;
  const std::string lower = text::AsciiLower(page);
  for (size_t open = lower.find("<script"); open != std::string::npos;
       open = lower.find("<script", open + 1)) {
    const size_t start = lower.find('>', open);
    const size_t end = lower.find("</script>", start);
    if (start == std::string::npos || end == std::string::npos) break;
    scripts.push_back(page.substr(start + 1, end - start - 1));
  }
  return scripts;
}

TEST(PageScriptsTest, EveryScriptOfALongRandomChatParses) {
  testing::ServedChat chat;
  chat.app().Set("_newusernum", Variant("1000"));
  auto db = OpenConnection(chat.database().connection_string(), &chat.clock());
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tavolin-scripts-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "scripts");
  int files = 0;
  auto keep = [&](const std::string& page, const testing::HttpTestResponse& answer) {
    for (const std::string& script : ScriptsOf(answer.Utf8Body())) {
      std::ofstream(folder / "scripts" / (std::to_string(100000 + files++) + page + ".js"))
          << script;
    }
  };

  // The last three names are refused at the login.
  const std::vector<std::string> names = {"ann", "bob", "老王", "c_3", "o'k", "a\\b", "</script>"};
  const std::vector<std::string> texts = {"it's \"quoted\"",
                                          "back\\slash\\",
                                          "</script><script>alert(1)</script>",
                                          "<b>b</b> & <i>",
                                          "😀 한국어",
                                          "&#60; &#128512; &#x1F600; &#0;",
                                          "one\r\ntwo",
                                          "#<script>alert('x')</script>",
                                          "/hi",
                                          "/smile",
                                          "/nosuch",
                                          "[x] </\\script> \\'",
                                          "'; alert(1); '",
                                          "  ",
                                          "大家好",
                                          "\\"};
  const std::vector<std::string> rooms = {"1", "2", "3", "5", "9", " 2 ", "x'"};
  std::mt19937 random(20260304);
  auto pick = [&random](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
  };
  std::vector<std::unique_ptr<HttpTestClient>> browsers;
  for (const std::string& name : names) {
    browsers.push_back(std::make_unique<HttpTestClient>(chat.port()));
    keep("login", chat.Login(*browsers.back(), name));
  }
  db->Execute("update user set user_level=9 where username='ann'");
  db->Execute("update user set user_level=3 where username='bob'");
  for (int step = 0; step < 700; ++step) {
    const size_t who = std::uniform_int_distribution<size_t>(0, names.size() - 1)(random);
    HttpTestClient& browser = *browsers[who];
    chat.clock().Advance(std::uniform_int_distribution<int>(0, 6)(random));
    const std::string towho = pick({"大家", names[who], names[random() % 4], "小精灵", "nobody"});
    switch (std::uniform_int_distribution<int>(0, 9)(random)) {
      case 0:
        keep("login", chat.Login(browser, names[who], pick(rooms)));
        keep("saylist", browser.Get("/saylist.asp"));
        break;
      case 1:
        keep("changeroom", browser.Get("/changeroom.asp?toroom=" + PercentEncode(pick(rooms))));
        break;
      case 2:
        keep("refresh", browser.Get(step % 2 ? "/refresh.asp" : "/refresh.asp?sayid=0"));
        break;
      case 3:
        keep("chat", browser.Get(pick({"/chat.asp", "/saylist.asp", "/usercheck.asp"})));
        break;
      case 4:
        keep("site", browser.Post(pick({"/guest.asp", "/getcall.asp", "/addfriend.asp"}),
                                  {{"towho", towho}, {"body", pick(texts)}}));
        break;
      case 5:
        keep("close", browser.Post("/close.asp", {}));
        break;
      default:
        keep("say", browser.Post("/say.asp", {{"says", pick(texts)},
                                              {"towho", towho},
                                              {"secret", pick({"-1", "1", "true", "x"})},
                                              {"istitle", pick({"", "1", "on"})},
                                              {"sayscolor", pick({"000000", "red'", "</script>"})},
                                              {"addwordcolor", pick({"336699", "\\"})},
                                              {"addsays", pick({"0", "3", "-1", "x"})},
                                              {"id", step % 3 ? "0" : ""}}));
    }
  }
  std::ofstream(folder / "checker.cjs") << kChecker;
  const std::string command =
      "node " + (folder / "checker.cjs").string() + " " + (folder / "scripts").string() + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> node(popen(command.c_str(), "r"), pclose);
  std::string report;
  for (char buffer[4096]; node && fgets(buffer, sizeof(buffer), node.get());) report += buffer;
  std::filesystem::remove_all(folder);
  EXPECT_EQ(report.find("FAILED"), std::string::npos) << report;
  // The run reached the scripts it is meant to check, chat lines included.
  const size_t counts = report.rfind("checked ");
  ASSERT_NE(counts, std::string::npos) << report;
  int scripts = 0, inner = 0;
  std::sscanf(report.c_str() + counts, "checked %d %d", &scripts, &inner);
  EXPECT_EQ(scripts, files);
  EXPECT_GT(inner, 100);
}

}  // namespace
}  // namespace tavolin::server
