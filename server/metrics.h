// Copyright Tavolin developers.
//
// The server's own measurements in the Prometheus text exposition format
// (version 0.0.4): counters and histograms updated with atomics, so that a
// page counts itself without taking any lock, and the text a scrape reads,
// rendered from families of samples.
//
// Thread safety: Counter and Histogram may be updated and read from any
// thread at once; a snapshot read during updates may mix them, as a scrape
// may.

#ifndef TAVOLIN_SERVER_METRICS_H_
#define TAVOLIN_SERVER_METRICS_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavolin::server {

// The content type of the rendered text.
inline constexpr std::string_view kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

class Counter {
 public:
  void Add(uint64_t n = 1) { value_.fetch_add(n, std::memory_order_relaxed); }
  uint64_t value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint64_t> value_{0};
};

class Histogram {
 public:
  // `bounds`: the buckets' upper bounds, ascending; +Inf is added.
  explicit Histogram(std::vector<double> bounds);
  void Observe(double value);

  struct Snapshot {
    std::vector<double> bounds;
    std::vector<uint64_t> counts;  // per bucket, not summed; the last one is +Inf's
    double sum = 0;
  };
  Snapshot snapshot() const;

 private:
  const std::vector<double> bounds_;
  const std::unique_ptr<std::atomic<uint64_t>[]> counts_;
  std::atomic<double> sum_{0};
};

using MetricLabels = std::vector<std::pair<std::string, std::string>>;

// One metric with its HELP and TYPE ("counter", "gauge" or "histogram") and
// its samples.
struct MetricFamily {
  struct Sample {
    std::string suffix;  // "" or, for a histogram, "_bucket", "_sum", "_count"
    MetricLabels labels;
    double value = 0;
  };
  std::string name, help, type;
  std::vector<Sample> samples;

  void Add(MetricLabels labels, double value) { samples.push_back({"", std::move(labels), value}); }
  // The buckets (cumulative, with le="+Inf"), _sum and _count of `histogram`.
  void AddHistogram(const MetricLabels& labels, const Histogram::Snapshot& histogram);
};

// The exposition text of `families`, in their order.
std::string RenderMetrics(const std::vector<MetricFamily>& families);

// The time of each database statement, for the whole process: the platform's
// SQLite connection reports to it once ObserveDatabaseStatements has run.
Histogram& DatabaseStatementSeconds();
void ObserveDatabaseStatements();

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_METRICS_H_
