// Copyright Tavolin developers.
//
// GuessThrottle: holds back a key (a login name, an address) that keeps
// giving wrong passwords. A few failures cost nothing; after them each
// failure makes the key wait before its next try counts, 1 second, then 2,
// 4 ... up to a longest wait, and enough failures lock the key out for a
// while. A run of failures is forgotten after a quiet spell or cleared by a
// success. Tries while held back are refused at once, so no thread ever
// sleeps, and the moments a key becomes held back or locked out are logged
// once each, not per try. Times are whole seconds from the caller's clock.
//
// Thread safety: safe for concurrent use.

#ifndef TAVOLIN_ENTRY_GUESS_THROTTLE_H_
#define TAVOLIN_ENTRY_GUESS_THROTTLE_H_

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tavolin/application.h"
#include "tavolin/thread_annotations.h"

namespace tavolin {

class GuessThrottle : public ApplicationObject {
 public:
  struct Rules {
    int free_failures = 3;      // failures in a run that make no wait
    int lockout_failures = 10;  // failures in a run that lock the key out
    int64_t longest_wait = 60;  // the doubling waits stop growing here
    int64_t lockout = 15 * 60;
    int64_t forget_after = 15 * 60;  // quiet seconds that end a run
    size_t max_keys = 10000;         // the keys least recently failed are dropped beyond it
  };

  // `what` names the keys in the log, e.g. "login name".
  GuessThrottle(std::string what, Rules rules) : what_(std::move(what)), rules_(rules) {}

  // The throttle kept in `application` under `name`, made on first use.
  static GuessThrottle& Of(Application& application, std::string_view name, const Rules& rules);

  // The seconds `key` must still wait before a try of it counts; 0 when it
  // may try now.
  int64_t Wait(const std::string& key, int64_t now) const LOCKS_EXCLUDED(mutex_);
  // Counts one wrong password of `key`.
  void Fail(const std::string& key, int64_t now) LOCKS_EXCLUDED(mutex_);
  // Ends `key`'s run of failures.
  void Clear(const std::string& key) LOCKS_EXCLUDED(mutex_);

 private:
  struct Run {
    int failures = 0;
    int64_t last_failure = 0;
    int64_t held_until = 0;
    std::list<std::string>::iterator recent;  // its place in recent_
  };

  const std::string what_;
  const Rules rules_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Run> runs_ GUARDED_BY(mutex_);
  std::list<std::string> recent_ GUARDED_BY(mutex_);  // most recently failed first
};

// The refusal for a try held back for `wait` more seconds.
std::string TooManyGuessesMessage(int64_t wait);

}  // namespace tavolin

#endif  // TAVOLIN_ENTRY_GUESS_THROTTLE_H_
