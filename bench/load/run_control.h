// Copyright Tavolin developers.
//
// When a run stops early: the operator's Ctrl-C or SIGTERM ends every loop
// at its next request, so the servers are stopped and the temporary folder
// removed on the way out.

#ifndef TAVOLIN_BENCH_LOAD_RUN_CONTROL_H_
#define TAVOLIN_BENCH_LOAD_RUN_CONTROL_H_

#include <signal.h>

#include <atomic>

namespace tavolin::load {

inline std::atomic<bool> interrupted{false};

inline void StopOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = [](int) { interrupted = true; };
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_RUN_CONTROL_H_
