// Copyright Tavolin developers.
//
// Closed loops: every connection sends a request, waits for its answer and
// sends the next, so the server sets the pace. The logins, the measured
// polls, the browsers' closing polls and the bare server run this way.

#ifndef TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_
#define TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/load/http_client.h"
#include "bench/load/latency.h"
#include "bench/load/visitors.h"

namespace tavolin::load {

// Set when the operator stops the run (Ctrl-C, SIGTERM): every loop ends at
// its next request, so the servers are stopped and the temporary folder
// removed on the way out.
inline std::atomic<bool> interrupted{false};

struct Job {
  std::string request;
  // Called on the connection's thread with the answer and its latency.
  std::function<void(const HttpAnswer&, Clock::duration)> answered;
};

// Sends job(0, shard), job(1, shard), ... below `count` over every connection
// until `deadline`; job is called from several threads at once. Returns how
// many jobs were sent.
size_t RunEach(ConnectionPool& pool, size_t count, Clock::time_point deadline,
               const std::function<Job(size_t i, int shard)>& job);

struct Throughput {
  uint64_t good = 0;    // answered as expected
  uint64_t failed = 0;  // anything else, no answer included
  double seconds = 0;
  uint64_t body_bytes = 0;  // of the good answers
  Latencies latency;        // of the good answers
  double PerSecond() const { return seconds > 0 ? good / seconds : 0; }
};

// Sends request(0), request(1), ... for `duration` (at most `max_requests`);
// an answer is good when `good(answer)`.
Throughput MeasureClosedLoop(ConnectionPool& pool,
                             const std::function<std::string(uint64_t)>& request,
                             const std::function<bool(const HttpAnswer&)>& good,
                             Clock::duration duration, uint64_t max_requests = 100'000'000);

struct Logins {
  int succeeded = 0;
  double seconds = 0;
  std::string first_refusal;  // the text of the first refused login, UTF-8
};

// Logs every visitor in through login.asp with a session of its own, within
// `limit`; a visitor that got in has its cookie set.
Logins LogIn(ConnectionPool& pool, std::vector<Visitor>& visitors, Clock::duration limit);

// The refresh.asp request of `visitor`, from the newest say id it has.
std::string PollRequest(const Visitor& visitor);

// The newest say id of the ring, asked as `visitor`; nullopt when the
// server gives no chat answer.
std::optional<int32_t> NewestSayId(ConnectionPool& pool, const Visitor& visitor);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_
