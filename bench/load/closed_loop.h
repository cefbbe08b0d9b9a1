// Copyright Tavolin developers.
//
// The simulated visitors, and the closed loops they and the bare server run:
// every connection sends a request, waits for its answer and sends the next,
// so the server sets the pace (logins, measured polls, closing polls).

#ifndef TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_
#define TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/load/http_client.h"

namespace tavolin::load {

// Visitor i is named "v<i>", shares one password with the others and enters
// room number i % rooms among the rooms anybody may enter: the four seeded
// ones (room 5 is for level 5 and up), then those PrepareChatDatabase adds
// as 6, 7, ... Like a browser it keeps its session cookie and the newest say
// id the server reported.
inline constexpr int kSeededOpenRooms = 4;
inline int rooms = kSeededOpenRooms;  // set by main before a run
inline constexpr std::string_view kPassword = "loadpass1";

struct Visitor {
  std::string cookie;  // "TAVOLINSID=..." once logged in
  std::string token;   // the visit's anti-forgery token, which posts carry
  int32_t last_say_id = 0;
};

inline std::string VisitorName(int i) { return "v" + std::to_string(i); }
inline int VisitorRoom(int i) {
  const int k = i % rooms;
  return k < kSeededOpenRooms ? 1 + k : 2 + k;
}

// Gives the empty database of `connection_string` a chat for `visitors`
// online at once, idle for the whole run, with a say ring of
// `say_ring_lines` slots and the rooms beyond the seeded ones that `rooms`
// asks for, and every visitor an account, in one transaction, so that the
// logins take the path of returning users and meet no limit on
// registrations. Throws CallError on a database failure.
void PrepareChatDatabase(const std::string& connection_string, int visitors, int say_ring_lines);

// Set on Ctrl-C or SIGTERM: every loop ends at its next request, so the
// servers stop and the temporary folder goes on the way out.
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

// Builds a loop with `make(shard)` on each shard's own thread, starts it and
// runs the shard until its work is done; the loops outlive the run, so their
// results can be read.
template <typename Loop, typename Make>
std::vector<std::unique_ptr<Loop>> RunLoops(ConnectionPool& pool, const Make& make) {
  std::vector<std::unique_ptr<Loop>> loops(pool.threads());
  pool.Run([&](ConnectionPool::Shard& shard) {
    loops[shard.index] = make(shard);
    loops[shard.index]->Start();
  });
  return loops;
}

// Latencies of answered requests, kept whole (a step has at most a few
// hundred thousand) so percentiles are exact.
class Latencies {
 public:
  void Add(Clock::duration latency) {
    micros_.push_back(std::chrono::duration_cast<std::chrono::microseconds>(latency).count());
  }
  void Merge(const Latencies& other) {
    micros_.insert(micros_.end(), other.micros_.begin(), other.micros_.end());
  }
  size_t count() const { return micros_.size(); }

  // The `share` (0..1) percentile in milliseconds; 0 when there are none.
  double PercentileMs(double share) {
    if (micros_.empty()) return 0;
    const size_t rank = static_cast<size_t>(std::ceil(share * micros_.size())) - 1;
    const auto nth = micros_.begin() + static_cast<std::ptrdiff_t>(std::min(rank, count() - 1));
    std::nth_element(micros_.begin(), nth, micros_.end());
    return static_cast<double>(*nth) / 1000.0;
  }

 private:
  std::vector<int64_t> micros_;
};

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

// The refresh.asp request of `visitor`, from the newest say id it has;
// with `wait_seconds`, a poll the server may hold that long for news.
std::string PollRequest(const Visitor& visitor, int wait_seconds = 0);

// The newest say id of the ring, asked as `visitor`; nullopt when the
// server gives no chat answer.
std::optional<int32_t> NewestSayId(ConnectionPool& pool, const Visitor& visitor);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_CLOSED_LOOP_H_
