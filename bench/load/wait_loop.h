// Copyright Tavolin developers.
//
// Visitors that each hold one waiting poll (refresh.asp with wait) on a
// keep-alive connection of their own, asking again as soon as an answer
// comes, while lines are posted at a rate over other connections. The
// visitors connect first, at a steady pace; when all wait, the posting
// starts, and a second after it ends they stop asking. A closing plain poll
// per visitor follows, and the ledger checks what reached whom and how soon.
//
// A server that does not hold polls answers at once: a visitor whose answer
// came back at once without a line asks again only 100 ms after it, so such
// a server polls in a loop at ten polls per visitor and second at the most.

#ifndef TAVOLIN_BENCH_LOAD_WAIT_LOOP_H_
#define TAVOLIN_BENCH_LOAD_WAIT_LOOP_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "bench/load/delivery_ledger.h"

namespace tavolin::load {

struct WaitOptions {
  int wait_seconds = 25;                               // the wait each poll asks for, 1..30
  Clock::duration duration = std::chrono::seconds(5);  // of the posting
  double posts_per_second = 50;
  int threads = 2;
  int posting_connections = 8;          // per thread
  double connects_per_second = 10'000;  // while the visitors come
  // Called on a client thread when every visitor has asked, just before the
  // first post.
  std::function<void()> all_waiting;
};

struct WaitResult {
  uint64_t polls = 0;      // answered as the chat answers while lines were posted
  uint64_t at_once = 0;    // of them: came back at once with no line, so the next was held
  uint64_t posts = 0;      // answered with the posted line in the answer
  uint64_t failed = 0;     // every other request, closing polls included
  double seconds = 0;      // of the posting
  Latencies post_latency;  // from the moment each post was due
  DeliveryCount delivery;
};

// REQUIRES: every visitor logged in, its last_say_id the ring's newest; the
// open-file limit above the visitors plus the posting connections. `pool`
// serves the closing polls.
WaitResult RunWaiting(boost::asio::ip::tcp::endpoint server, ConnectionPool& pool,
                      std::vector<Visitor>& visitors, const WaitOptions& options);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_WAIT_LOOP_H_
