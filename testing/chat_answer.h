// Copyright Tavolin developers.
//
// What a poll or post answer tells the browser, read as newchat.js reads it:
// the lines of every parent.addsay(...) call (nine arguments a line: say id,
// text, sender, addressee, private flag, two colours, act, time) and the
// newest say id of parent.ref(N), which the next poll sends back as sayid.

#ifndef TAVOLIN_TESTING_CHAT_ANSWER_H_
#define TAVOLIN_TESTING_CHAT_ANSWER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavolin::testing {

struct DeliveredLine {
  int32_t say_id = 0;  // -1 for a line shown to the poster alone
  std::string text;    // UTF-8, script-string escapes undone
  std::string from;
  std::string to;
};

struct ChatAnswer {
  std::vector<DeliveredLine> lines;
  std::optional<int32_t> newest_say_id;  // none: not an answer of the chat
};

// Reads the answer's GBK body.
ChatAnswer ReadChatAnswer(std::string_view gbk_body);

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_CHAT_ANSWER_H_
