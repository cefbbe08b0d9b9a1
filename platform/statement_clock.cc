// Copyright Tavolin developers.

#include "platform/statement_clock.h"

#include <atomic>

namespace tavolin {
namespace {

std::atomic<StatementTimer> statement_timer{nullptr};

}  // namespace

StatementClock::StatementClock() : timer_(statement_timer.load(std::memory_order_relaxed)) {
  if (timer_ != nullptr) start_ = std::chrono::steady_clock::now();
}

StatementClock::~StatementClock() {
  if (timer_ == nullptr) return;
  timer_(std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
}

void SetStatementTimer(StatementTimer timer) {
  statement_timer.store(timer, std::memory_order_relaxed);
}

}  // namespace tavolin
