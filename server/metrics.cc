// Copyright Tavolin developers.

#include "server/metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "tavolin/database.h"

namespace tavolin::server {

namespace {

// Whole numbers as integers, others in the shortest form that reads back
// the same, infinities as the format names them.
std::string NumberText(double value) {
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  if (std::isnan(value)) return "NaN";
  char buffer[32];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general).ptr;
  return std::string(buffer, end);
}

// `escape_quotes` for label values; HELP texts escape only "\" and line ends.
std::string Escaped(std::string_view text, bool escape_quotes) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && escape_quotes) {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out;
}

std::string LabelsText(const MetricLabels& labels) {
  if (labels.empty()) return "";
  std::string out = "{";
  for (const auto& [name, value] : labels) {
    if (out.size() > 1) out += ',';
    out += name + "=\"" + Escaped(value, true) + '"';
  }
  return out + "}";
}

}  // namespace

Histogram::Histogram(std::vector<double> bounds)
    : bounds_(std::move(bounds)), counts_(new std::atomic<uint64_t>[bounds_.size() + 1]) {
  for (size_t i = 0; i <= bounds_.size(); ++i) counts_[i] = 0;
}

void Histogram::Observe(double value) {
  const size_t bucket = std::lower_bound(bounds_.begin(), bounds_.end(), value) - bounds_.begin();
  counts_[bucket].fetch_add(1, std::memory_order_relaxed);
  sum_.fetch_add(value, std::memory_order_relaxed);
}

Histogram::Snapshot Histogram::snapshot() const {
  Snapshot shot{bounds_, {}, sum_.load(std::memory_order_relaxed)};
  for (size_t i = 0; i <= bounds_.size(); ++i) {
    shot.counts.push_back(counts_[i].load(std::memory_order_relaxed));
  }
  return shot;
}

void MetricFamily::AddHistogram(const MetricLabels& labels, const Histogram::Snapshot& histogram) {
  uint64_t below = 0;
  for (size_t i = 0; i < histogram.counts.size(); ++i) {
    below += histogram.counts[i];
    MetricLabels with_bound = labels;
    with_bound.emplace_back(
        "le", NumberText(i < histogram.bounds.size() ? histogram.bounds[i] : INFINITY));
    samples.push_back({"_bucket", std::move(with_bound), static_cast<double>(below)});
  }
  samples.push_back({"_sum", labels, histogram.sum});
  samples.push_back({"_count", labels, static_cast<double>(below)});
}

std::string RenderMetrics(const std::vector<MetricFamily>& families) {
  std::string out;
  for (const MetricFamily& family : families) {
    out += "# HELP " + family.name + ' ' + Escaped(family.help, false) + '\n';
    out += "# TYPE " + family.name + ' ' + family.type + '\n';
    for (const MetricFamily::Sample& sample : family.samples) {
      out += family.name + sample.suffix + LabelsText(sample.labels) + ' ' +
             NumberText(sample.value) + '\n';
    }
  }
  return out;
}

Histogram& DatabaseStatementSeconds() {
  static Histogram statements({0.0001, 0.0005, 0.001, 0.005, 0.01, 0.05, 0.1, 0.5, 1});
  return statements;
}

void ObserveDatabaseStatements() {
  SetStatementTimer([](double seconds) { DatabaseStatementSeconds().Observe(seconds); });
}

}  // namespace tavolin::server
