// Copyright Tavolin developers.

#include "entry/login_token.h"

#include <memory>
#include <mutex>

namespace tavolin {

namespace {

// The chat's generator: the time text of its newest token, and how often
// that text was handed out before.
class LoginTokens : public ApplicationObject {
 public:
  std::string Next(const std::string& time_text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (time_text != last_time_) {
      last_time_ = time_text;
      repeats_ = 0;
      return time_text;
    }
    return time_text + "#" + std::to_string(++repeats_);
  }

 private:
  std::mutex mutex_;
  std::string last_time_;
  int repeats_ = 0;
};

}  // namespace

std::string NextLoginToken(Application& application, std::string_view prefix,
                           const std::string& time_text) {
  const std::shared_ptr<ApplicationObject> object = application.GetOrMakeObject(
      std::string(prefix) + "_login_tokens", [] { return std::make_shared<LoginTokens>(); });
  return static_cast<LoginTokens&>(*object).Next(time_text);
}

}  // namespace tavolin
