// Copyright Tavolin developers.

#include "bench/load/chat_answer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "component/page_text.h"
#include "text/gbk.h"

namespace tavolin::load {
namespace {

using Line = std::tuple<int32_t, std::string, std::string, std::string>;

std::vector<Line> Lines(const ChatAnswer& answer) {
  std::vector<Line> lines;
  for (const DeliveredLine& l : answer.lines) lines.emplace_back(l.say_id, l.text, l.from, l.to);
  return lines;
}

TEST(ReadChatAnswerTest, ReadsLinesAndNewestSayIdAsTheBrowserDoes) {
  const std::string poll = std::string(page::kPollPrefix) + std::string(page::kReloadAndScript);
  struct Case {
    std::string body;
    std::vector<Line> lines;
    std::optional<int32_t> newest;
  };
  const std::vector<Case> cases = {
      // A quiet poll.
      {poll + "parent.ref(12);parent.allusernum=3;</script>", {}, 12},
      // An enter line, whose text holds escaped quotes and parentheses, then
      // a line with a quote, and the closing empty string.
      {poll + "parent.addsay(5,'<small>boy</small>##来了<\\script>parent.addl(\\'v1\\',0,"
              "\\'1010\\',\\'\\')</\\script>','v1','大厅',0,'990000','',-3,'12:00:01',"
              "6,'loadline 3 from v2: it\\'s \\\\ here','v2','大家',0,'000000','000000',0,"
              "'12:00:02','');parent.ref(6);parent.allusernum=2;</script>",
       {{5, "<small>boy</small>##来了<script>parent.addl('v1',0,'1010','')</script>", "v1", "大厅"},
        {6, "loadline 3 from v2: it's \\ here", "v2", "大家"}},
       6},
      // A post answer: the delivered lines, then a line for the poster alone.
      {poll + "parent.addsay(7,'loadline 4 from v1','v1','v2',1,'000000','000000',0,'12:00:03',"
              "'');parent.addsay(-1,'【系统】v9不在当前聊天室里！','','v1',0,'990066','',-2,"
              "'12:00:03');parent.ref(7);</script>",
       {{7, "loadline 4 from v1", "v1", "v2"}, {-1, "【系统】v9不在当前聊天室里！", "", "v1"}},
       7},
      // The visitor is not in the chat.
      {std::string(page::kPollPrefix) + std::string(page::kShowError), {}, std::nullopt},
  };
  for (const Case& c : cases) {
    const ChatAnswer answer = ReadChatAnswer(text::Utf8ToGbk(c.body));
    EXPECT_EQ(Lines(answer), c.lines) << c.body;
    EXPECT_EQ(answer.newest_say_id, c.newest) << c.body;
  }
}

}  // namespace
}  // namespace tavolin::load
