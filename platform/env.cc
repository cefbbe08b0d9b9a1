// Copyright Tavolin developers.

#include "tavolin/env.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace tavolin {
namespace {

double SecondsSinceMidnight(const DateTime& time) {
  return time.hour() * 3600.0 + time.minute() * 60.0 + time.second();
}

// The machine's clock read in its local time zone, and the process's one
// random generator.
class SystemClockEnv : public Env {
 public:
  DateTime Now() override { return Read().first; }

  double Timer() override {
    const auto [now, nanoseconds] = Read();
    return SecondsSinceMidnight(now) + nanoseconds / 1e9;
  }

  SharedRandom& Random() override { return random_; }

 private:
  // The local date-time to the second, and the nanoseconds past it.
  static std::pair<DateTime, long> Read() {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    // A leap second (tm_sec 60) is held at :59, as a DateTime has no :60.
    return {DateTime::FromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                local.tm_hour, local.tm_min, std::min(local.tm_sec, 59)),
            now.tv_nsec};
  }

  SharedRandom random_;
};

}  // namespace

Env* Env::Default() {
  static Env* const env = new SystemClockEnv;  // never deleted: callers may outlive statics
  return env;
}

double ManualClockEnv::Timer() { return SecondsSinceMidnight(Now()); }

}  // namespace tavolin
