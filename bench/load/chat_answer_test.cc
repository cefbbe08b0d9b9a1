// Copyright Tavolin developers.

#include "testing/chat_answer.h"

#include <gtest/gtest.h>

#include <string>

#include "component/page_text.h"
#include "text/gbk.h"

namespace tavolin::testing {
namespace {

// Catches a misread line (escapes, GBK trail bytes, a line for the poster
// alone) or a missing say id, which the benchmark would count as lost lines.
TEST(ReadChatAnswerTest, ReadsLinesAndNewestSayIdAsTheBrowserDoes) {
  const std::string poll = std::string(page::kPollPrefix) + std::string(page::kReloadAndScript);
  struct Case {
    std::string body;
    std::string read;  // id/text/from/to of each line, then the newest say id
  };
  const Case cases[] = {
      {poll + "parent.ref(12);parent.allusernum=3;</script>", "newest 12"},
      // An enter line with escaped quotes and parentheses, a quote, a backslash.
      {poll + "parent.addsay(5,'<small>boy</small>##来了<\\script>parent.addl(\\'v1\\',0,"
              "\\'1010\\',\\'\\')</\\script>','v1','大厅',0,'990000','',-3,'12:00:01',"
              "6,'loadline 3 from v2: it\\'s \\\\ here','v2','大家',0,'000000','000000',0,"
              "'12:00:02','');parent.ref(6);parent.allusernum=2;</script>",
       "5/<small>boy</small>##来了<script>parent.addl('v1',0,'1010','')</script>/v1/大厅\n"
       "6/loadline 3 from v2: it's \\ here/v2/大家\nnewest 6"},
      // A post answer: the delivered lines, then a line for the poster alone.
      {poll + "parent.addsay(7,'loadline 4 from v1','v1','v2',1,'000000','000000',0,'12:00:03',"
              "'');parent.addsay(-1,'【系统】v9不在当前聊天室里！','','v1',0,'990066','',-2,"
              "'12:00:03');parent.ref(7);</script>",
       "7/loadline 4 from v1/v1/v2\n-1/【系统】v9不在当前聊天室里！//v1\nnewest 7"},
      {std::string(page::kPollPrefix) + std::string(page::kShowError), "newest none"},
  };
  for (const Case& c : cases) {
    const ChatAnswer answer = ReadChatAnswer(text::Utf8ToGbk(c.body));
    std::string read;
    for (const DeliveredLine& l : answer.lines) {
      read += std::to_string(l.say_id) + "/" + l.text + "/" + l.from + "/" + l.to + "\n";
    }
    read += "newest " + (answer.newest_say_id ? std::to_string(*answer.newest_say_id) : "none");
    EXPECT_EQ(read, c.read) << c.body;
  }
}

}  // namespace
}  // namespace tavolin::testing
