// Copyright Tavolin developers.
//
// The open loop of browsers: every visitor polls every `poll_interval`
// (all polls spread evenly) while visitors in turn post `posts_per_second`
// lines, every third private to another visitor of the poster's room.
// Requests go out when due, whatever the server's pace, and latency counts
// from then; a visitor has one request in flight at a time, as a frame does.
// A closing poll per visitor follows; the ledger then checks what reached
// whom, and how soon.

#ifndef TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_
#define TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_

#include <cstdint>
#include <vector>

#include "bench/load/delivery_ledger.h"

namespace tavolin::load {

struct BrowserOptions {
  Clock::duration duration = std::chrono::seconds(5);
  Clock::duration poll_interval = std::chrono::seconds(6);
  double posts_per_second = 50;
  // Requests still waiting this long after the end are given up, and the
  // closing polls must be done within it too.
  Clock::duration drain_limit = std::chrono::seconds(60);
};

struct BrowserResult {
  uint64_t polls = 0;   // answered as the chat answers, in the timed part
  uint64_t posts = 0;   // answered with the posted line in the answer
  uint64_t failed = 0;  // every other request, the unanswered included
  double seconds = 0;   // of the timed part, until its last answer
  Latencies poll_latency;
  Latencies post_latency;
  DeliveryCount delivery;
};

// REQUIRES: every visitor logged in, its last_say_id the ring's newest;
// at least as many visitors as the pool has threads.
BrowserResult RunBrowsers(ConnectionPool& pool, std::vector<Visitor>& visitors,
                          const BrowserOptions& options);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_
