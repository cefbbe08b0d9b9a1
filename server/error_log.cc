// Copyright Tavolin developers.

#include "server/error_log.h"

#include <iostream>
#include <random>
#include <sstream>

namespace tavolin::server {

namespace {

// Distinct lines remembered at most; past this the memory starts afresh.
constexpr size_t kRememberedLines = 1000;

}  // namespace

std::string LogEscape(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      escaped += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string LogRequestError(std::string_view target, std::string_view detail) {
  thread_local std::mt19937 random(std::random_device{}());
  std::ostringstream reference;
  reference << std::hex << std::uppercase;
  reference.width(8);
  reference.fill('0');
  reference << std::uniform_int_distribution<uint32_t>()(random);
  // One write, so that lines of several threads do not interleave.
  std::cerr << ("tavolin: error " + reference.str() + ": " + LogEscape(target) + ": " +
                LogEscape(detail) + "\n");
  return reference.str();
}

RepeatedLineLimiter::RepeatedLineLimiter(std::ostream& out, Clock clock)
    : out_(out), clock_(std::move(clock)) {}

void RepeatedLineLimiter::Write(const std::string& line) {
  const auto now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  if (seen_.size() >= kRememberedLines && !seen_.contains(line)) seen_.clear();
  const auto [found, first] = seen_.try_emplace(line, Seen{now, 0});
  Seen& seen = found->second;
  if (!first && now - seen.written < std::chrono::seconds(1)) {
    ++seen.left_out;
    return;
  }
  std::string text = line;
  if (seen.left_out > 0) {
    text += " (" + std::to_string(seen.left_out) + " more like this not logged)";
  }
  out_ << text + "\n" << std::flush;
  seen = Seen{now, 0};
}

}  // namespace tavolin::server
