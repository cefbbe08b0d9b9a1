// Copyright Tavolin developers.
//
// RateLimit: how often each visitor may do each kind of thing (post a line,
// call, leave a message, ask a friend), so that one visitor cannot flood the
// chat or the tables. It keeps, per visitor and kind, the times of the
// actions let through within the kind's window (at most the allowed number),
// and forgets visitors whose window has passed once many are kept.
//
// Thread safety: every operation is safe to call from any thread.

#ifndef TAVOLIN_COMPONENT_RATE_LIMIT_H_
#define TAVOLIN_COMPONENT_RATE_LIMIT_H_

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tavolin/application.h"
#include "tavolin/date_time.h"
#include "tavolin/thread_annotations.h"

namespace tavolin {

// One kind of action: the setting holding how many may be done within
// `window_seconds`, and the number allowed when the database has no such
// setting (one made before it existed). A setting of 0 puts no limit on it.
struct RateKind {
  std::string_view setting;
  int64_t window_seconds;
  int32_t unset_most;
};

inline constexpr RateKind kLinesPer10s{"maxsaysper10s", 10, 10};
inline constexpr RateKind kCallsPerMinute{"maxcallsperminute", 60, 5};
inline constexpr RateKind kMessagesPerMinute{"maxgbperminute", 60, 5};
inline constexpr RateKind kFriendRequestsPerMinute{"maxfriendrqperminute", 60, 5};
inline constexpr RateKind kCallsToAllPerHour{"maxtoallcallsperhour", 3600, 3};
inline constexpr RateKind kRateKinds[] = {kLinesPer10s, kCallsPerMinute, kMessagesPerMinute,
                                          kFriendRequestsPerMinute, kCallsToAllPerHour};

class RateLimit : public ApplicationObject {
 public:
  // Whether `visitor` (any letter case) may do one more action of `kind` at
  // `now` when at most `most` are allowed within its window; one let through
  // is counted, one refused is not. `most` <= 0 lets everything through.
  bool Allow(const RateKind& kind, std::string_view visitor, int32_t most, DateTime now)
      LOCKS_EXCLUDED(mutex_);

 private:
  struct Actions {
    int64_t window_seconds = 0;
    std::deque<int64_t> times;  // oldest first
  };
  void ForgetPassed(int64_t now) EXCLUSIVE_LOCKS_REQUIRED(mutex_);

  std::mutex mutex_;
  std::unordered_map<std::string, Actions> actions_ GUARDED_BY(mutex_);
  size_t forget_at_ GUARDED_BY(mutex_) = 1024;
};

// How many actions of `kind` the setting under `prefix` in `application`
// allows within its time (0: no limit). A value that is no number (which the
// start-up check refuses) puts no limit either.
int32_t MostAllowed(const Application& application, std::string_view prefix, const RateKind& kind);

// Whether the visitor may do one more action of `kind`, by the setting under
// `prefix` in `application`, counted in the application's own RateLimit.
bool AllowedNow(Application& application, std::string_view prefix, const RateKind& kind,
                std::string_view visitor, DateTime now);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_RATE_LIMIT_H_
