// Copyright Tavolin developers.
//
// Closed loops: every connection sends a request, waits for its answer and
// sends the next, so the server sets the pace. The logins, the measured
// polls and the bare server's comparison run this way.

#ifndef TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_
#define TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/load/http_client.h"
#include "bench/load/latency.h"
#include "bench/load/visitors.h"

namespace tavolin::load {

struct Job {
  std::string request;
  // Called on the connection's thread with the answer and its latency.
  std::function<void(const HttpAnswer&, Clock::duration)> answered;
};
// The next job for a connection of shard `shard`; nullopt ends that
// connection's loop. Called from several threads at once.
using NextJob = std::function<std::optional<Job>(int shard)>;

void RunClosedLoop(ConnectionPool& pool, const NextJob& next);

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
