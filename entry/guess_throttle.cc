// Copyright Tavolin developers.

#include "entry/guess_throttle.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace tavolin {

GuessThrottle& GuessThrottle::Of(Application& application, std::string_view name,
                                 const Rules& rules) {
  const std::shared_ptr<ApplicationObject> object = application.GetOrMakeObject(
      name, [&] { return std::make_shared<GuessThrottle>(std::string(name), rules); });
  return static_cast<GuessThrottle&>(*object);
}

int64_t GuessThrottle::Wait(const std::string& key, int64_t now) const {
  std::lock_guard lock(mutex_);
  const auto found = runs_.find(key);
  if (found == runs_.end()) return 0;
  return std::max<int64_t>(0, found->second.held_until - now);
}

void GuessThrottle::Fail(const std::string& key, int64_t now) {
  std::lock_guard lock(mutex_);
  auto [found, added] = runs_.try_emplace(key);
  Run& run = found->second;
  if (added) {
    recent_.push_front(key);
  } else {
    recent_.splice(recent_.begin(), recent_, run.recent);
    if (now - run.last_failure >= rules_.forget_after) run = Run{};
  }
  run.recent = recent_.begin();
  run.last_failure = now;
  ++run.failures;

  const int beyond_free = run.failures - rules_.free_failures;
  int64_t wait = 0;
  if (run.failures >= rules_.lockout_failures) {
    wait = rules_.lockout;
  } else if (beyond_free > 0) {
    // 1, 2, 4 ... seconds; the shift stays small as the longest wait caps it.
    wait = beyond_free > 30
               ? rules_.longest_wait
               : std::min<int64_t>(int64_t{1} << (beyond_free - 1), rules_.longest_wait);
  }
  run.held_until = now + wait;
  if (beyond_free == 1 || run.failures == rules_.lockout_failures) {
    std::cerr << "tavolin: " << what_ << " " << key << ": " << run.failures << " wrong passwords, "
              << (run.failures >= rules_.lockout_failures ? "locked out" : "held back") << " for "
              << wait << " s\n";
  }

  if (runs_.size() > rules_.max_keys) {
    runs_.erase(recent_.back());
    recent_.pop_back();
  }
}

void GuessThrottle::Clear(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = runs_.find(key);
  if (found == runs_.end()) return;
  recent_.erase(found->second.recent);
  runs_.erase(found);
}

std::string TooManyGuessesMessage(int64_t wait) {
  // Whole minutes are easier to read for the long lockouts; rounded up.
  const std::string shown =
      wait < 60 ? std::to_string(wait) + "秒" : std::to_string((wait + 59) / 60) + "分钟";
  return "密码错误次数太多，请" + shown + "后再试！";
}

}  // namespace tavolin
