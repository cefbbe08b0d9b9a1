// Copyright Tavolin developers.

#include "entry/login_throttle.h"

#include <algorithm>

#include "entry/guess_throttle.h"

namespace tavolin {

namespace {

GuessThrottle& Names(Application& application) {
  return GuessThrottle::Of(application, "login name", GuessThrottle::Rules{});
}

GuessThrottle& Addresses(Application& application) {
  GuessThrottle::Rules rules;
  rules.free_failures = 10;
  rules.lockout_failures = 30;
  return GuessThrottle::Of(application, "login address", rules);
}

}  // namespace

std::optional<std::string> GuessingRefusal(Application& application, const std::string& lower_name,
                                           const std::string& ip, int64_t now) {
  const int64_t wait =
      std::max(Names(application).Wait(lower_name, now), Addresses(application).Wait(ip, now));
  if (wait == 0) return std::nullopt;
  return TooManyGuessesMessage(wait);
}

void CountWrongPassword(Application& application, const std::string& lower_name,
                        const std::string& ip, int64_t now) {
  Names(application).Fail(lower_name, now);
  Addresses(application).Fail(ip, now);
}

void ClearWrongPasswords(Application& application, const std::string& lower_name) {
  Names(application).Clear(lower_name);
}

}  // namespace tavolin
