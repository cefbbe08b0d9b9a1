// Copyright Tavolin developers.

#include "tavolin/env.h"

#include <algorithm>
#include <ctime>

namespace tavolin {
namespace {

// The machine's clock read in its local time zone.
class SystemClockEnv : public Env {
 public:
  DateTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // A leap second (tm_sec 60) is held at :59, as a DateTime has no :60.
    return DateTime::FromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, std::min(local.tm_sec, 59));
  }
};

}  // namespace

Env* Env::Default() {
  static Env* const env = new SystemClockEnv;  // never deleted: callers may outlive statics
  return env;
}

}  // namespace tavolin
