// Copyright Tavolin developers.
//
// Measures one Execute for the timer set with SetStatementTimer.

#ifndef TAVOLIN_PLATFORM_STATEMENT_CLOCK_H_
#define TAVOLIN_PLATFORM_STATEMENT_CLOCK_H_

#include <chrono>

#include "tavolin/database.h"

namespace tavolin {

// Reports the time from its making to its end to the statement timer, if
// one was set when it was made.
class StatementClock {
 public:
  StatementClock();
  ~StatementClock();
  StatementClock(const StatementClock&) = delete;
  StatementClock& operator=(const StatementClock&) = delete;

 private:
  const StatementTimer timer_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_STATEMENT_CLOCK_H_
