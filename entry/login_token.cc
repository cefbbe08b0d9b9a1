// Copyright Tavolin developers.

#include "entry/login_token.h"

#include <mutex>

namespace tavolin {

namespace {

struct TokenState {
  std::mutex mutex;
  std::string last_time;  // the time text of the newest token
  int repeats = 0;        // how often that text was handed out before
};

TokenState& State() {
  static TokenState state;
  return state;
}

}  // namespace

std::string NextLoginToken(const std::string& time_text) {
  TokenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (time_text != state.last_time) {
    state.last_time = time_text;
    state.repeats = 0;
    return time_text;
  }
  ++state.repeats;
  return time_text + "#" + std::to_string(state.repeats);
}

}  // namespace tavolin
