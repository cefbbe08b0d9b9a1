// Copyright Tavolin developers.
//
// Env: the engine's seam to the machine's clock. The engine and the database
// read the current date-time only through an Env, so tests set the clock.
//
// Thread safety: implementations must be safe for concurrent use.

#ifndef TAVOLIN_ENV_H_
#define TAVOLIN_ENV_H_

#include <atomic>
#include <cstdint>

#include "tavolin/date_time.h"

namespace tavolin {

class Env {
 public:
  virtual ~Env() = default;

  // The current local date-time, to the whole second.
  virtual DateTime Now() = 0;

  // The real clock of this machine, in its local time zone. Never deleted.
  static Env* Default();
};

// A clock that stands still until told to move: for tests and benchmarks.
class ManualClockEnv : public Env {
 public:
  explicit ManualClockEnv(DateTime now) : seconds_(now.SecondsSinceEpoch()) {}

  DateTime Now() override { return DateTime::FromSecondsSinceEpoch(seconds_.load()); }
  void Set(DateTime now) { seconds_.store(now.SecondsSinceEpoch()); }
  void Advance(int64_t seconds) { seconds_.fetch_add(seconds); }

 private:
  std::atomic<int64_t> seconds_;
};

}  // namespace tavolin

#endif  // TAVOLIN_ENV_H_
