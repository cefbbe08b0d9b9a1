// Copyright Tavolin developers.
//
// The open loop of browsers: every visitor polls every `poll_interval`
// (the polls of all visitors spread evenly over it) while lines are posted
// at `posts_per_second` by visitors in turn; every third line is private to
// another visitor of the poster's room. Requests go out when they are due,
// whatever the server's pace, and latency counts from that moment; a
// visitor has one request in flight at a time, as a browser's frame does.
//
// Afterwards one more poll per visitor collects what came after its last
// one, and every visitor must have been delivered each line it may see
// exactly once (the public lines of its room, the private lines from or to
// it) and no other line.

#ifndef TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_
#define TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_

#include <cstdint>
#include <vector>

#include "bench/load/http_client.h"
#include "bench/load/latency.h"
#include "bench/load/visitors.h"

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
  uint64_t lines = 0;       // lines posted and stored
  uint64_t lost = 0;        // deliveries missing
  uint64_t duplicated = 0;  // deliveries beyond the first
  uint64_t leaked = 0;      // lines delivered to a visitor who may not see them
};

// REQUIRES: every visitor logged in, its last_say_id the ring's newest;
// at least as many visitors as the pool has threads.
BrowserResult RunBrowsers(ConnectionPool& pool, std::vector<Visitor>& visitors,
                          const BrowserOptions& options);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_BROWSER_LOOP_H_
