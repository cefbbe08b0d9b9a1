// Copyright Tavolin developers.

#include "testing/chat_answer.h"

#include <charconv>

#include "text/gbk.h"

namespace tavolin::testing {

namespace {

constexpr std::string_view kAddSay = "parent.addsay(";
constexpr std::string_view kRef = "parent.ref(";
constexpr size_t kArgumentsPerLine = 9;

std::optional<int32_t> WholeNumber(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The arguments of one call from `at` (just past its "("): quoted strings
// with their backslash escapes undone, other arguments as written. `at` ends
// past the closing ")".
std::vector<std::string> Arguments(std::string_view script, size_t& at) {
  std::vector<std::string> arguments;
  while (at < script.size() && script[at] != ')') {
    std::string& argument = arguments.emplace_back();
    if (script[at] == '\'') {
      // Copied a run at a time: every answer carries dozens of lines.
      ++at;
      for (;;) {
        const size_t stop = script.find_first_of("'\\", at);
        argument.append(script.substr(at, stop == std::string_view::npos ? stop : stop - at));
        if (stop == std::string_view::npos) {
          at = script.size();
          break;
        }
        at = stop + 1;
        if (script[stop] == '\'') break;
        if (at < script.size()) argument += script[at++];  // the escaped character
      }
    } else {
      const size_t stop = script.find_first_of(",)", at);
      const size_t end = stop == std::string_view::npos ? script.size() : stop;
      argument.assign(script.substr(at, end - at));
      at = end;
    }
    if (at < script.size() && script[at] == ',') ++at;
  }
  ++at;
  return arguments;
}

}  // namespace

ChatAnswer ReadChatAnswer(std::string_view gbk_body) {
  // Converted first: a GBK trail byte may be a backslash or a quote.
  const std::string script = text::GbkToUtf8(gbk_body);
  ChatAnswer answer;
  for (size_t at = script.find(kAddSay); at != std::string::npos; at = script.find(kAddSay, at)) {
    at += kAddSay.size();
    const std::vector<std::string> arguments = Arguments(script, at);
    for (size_t i = 0; i + kArgumentsPerLine <= arguments.size(); i += kArgumentsPerLine) {
      answer.lines.push_back({WholeNumber(arguments[i]).value_or(0), arguments[i + 1],
                              arguments[i + 2], arguments[i + 3]});
    }
  }
  if (const size_t at = script.rfind(kRef); at != std::string::npos) {
    const size_t from = at + kRef.size();
    const size_t end = script.find(')', from);
    if (end != std::string::npos) {
      answer.newest_say_id = WholeNumber(std::string_view(script).substr(from, end - from));
    }
  }
  return answer;
}

}  // namespace tavolin::testing
