// Copyright Tavolin developers.
//
// Env: the engine's seam to the machine's clock and to the random generator
// seeded from it. The engine and the database read the current date-time and
// draw random numbers only through an Env, so tests set both.
//
// Thread safety: implementations must be safe for concurrent use.

#ifndef TAVOLIN_ENV_H_
#define TAVOLIN_ENV_H_

#include <atomic>
#include <cstdint>

#include "tavolin/date_time.h"
#include "tavolin/shared_random.h"

namespace tavolin {

class Env {
 public:
  virtual ~Env() = default;

  // The current local date-time, to the whole second.
  virtual DateTime Now() = 0;
  // The seconds since local midnight, to the clock's finest step (at least
  // hundredths of a second): what the random generator is seeded from.
  virtual double Timer() = 0;
  // The generator every object on this clock draws from.
  virtual SharedRandom& Random() = 0;

  // The real clock of this machine, in its local time zone. Never deleted.
  static Env* Default();
};

// A clock that stands still until told to move, on whole seconds, with a
// generator of its own: for tests and benchmarks, which so draw the same
// sequence on every run.
class ManualClockEnv : public Env {
 public:
  explicit ManualClockEnv(DateTime now) : seconds_(now.SecondsSinceEpoch()) {}

  DateTime Now() override { return DateTime::FromSecondsSinceEpoch(seconds_.load()); }
  double Timer() override;
  SharedRandom& Random() override { return random_; }
  void Set(DateTime now) { seconds_.store(now.SecondsSinceEpoch()); }
  void Advance(int64_t seconds) { seconds_.fetch_add(seconds); }

 private:
  std::atomic<int64_t> seconds_;
  SharedRandom random_;
};

}  // namespace tavolin

#endif  // TAVOLIN_ENV_H_
