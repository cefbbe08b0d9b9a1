// Copyright Tavolin developers.

#include "entry/login_token.h"

#include <cstdlib>

namespace tavolin {

std::string NextLoginToken(Application& application, std::string_view prefix,
                           const std::string& time_text) {
  // The newest token's time text and how often it was handed out before, as
  // "TIME#N": an application value, so that every server of a shared chat
  // counts on from the same one.
  const std::string key = std::string(prefix) + "_logintoken";
  const std::string last = application.Get(key).ToText();
  const size_t mark = last.rfind('#');
  int repeats = 0;
  if (mark != std::string::npos && last.compare(0, mark, time_text) == 0 &&
      mark == time_text.size()) {
    repeats = std::atoi(last.c_str() + mark + 1) + 1;
  }
  application.Set(key, Variant(time_text + "#" + std::to_string(repeats)));
  return repeats == 0 ? time_text : time_text + "#" + std::to_string(repeats);
}

}  // namespace tavolin
