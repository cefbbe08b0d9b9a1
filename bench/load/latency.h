// Copyright Tavolin developers.
//
// The load client's clock, and the latencies of answered requests, kept
// whole (a step has at most a few hundred thousand) so percentiles are exact.

#ifndef TAVOLIN_BENCH_LOAD_LATENCY_H_
#define TAVOLIN_BENCH_LOAD_LATENCY_H_

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tavolin::load {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}
inline Clock::duration Seconds(double seconds) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

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

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_LATENCY_H_
