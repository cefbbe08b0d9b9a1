// Copyright Tavolin developers.
//
// The server's error log on standard error: values from requests are
// escaped so that none can forge or split a line, an error behind a 500
// answer gets a short reference that the answer shows instead of the detail,
// and a line repeated in a burst is written at most once a second.

#ifndef TAVOLIN_SERVER_ERROR_LOG_H_
#define TAVOLIN_SERVER_ERROR_LOG_H_

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "tavolin/thread_annotations.h"

namespace tavolin::server {

// `value` with backslash, CR, LF, tab and other control bytes written as
// \\ \r \n \t \xNN; other bytes (GBK text included) stay as they are.
std::string LogEscape(std::string_view value);

// Logs the failure of the request for `target` with `detail` under a new
// short reference and returns the reference, for the answer to show.
std::string LogRequestError(std::string_view target, std::string_view detail);

// Writes a line unless the same line was written less than a second ago;
// the next one written says how many were left out. Thread-safe.
class RepeatedLineLimiter {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  explicit RepeatedLineLimiter(std::ostream& out, Clock clock = std::chrono::steady_clock::now);

  void Write(const std::string& line);

 private:
  struct Seen {
    std::chrono::steady_clock::time_point written;
    long left_out = 0;
  };
  std::ostream& out_;
  const Clock clock_;
  std::mutex mutex_;
  std::map<std::string, Seen> seen_ GUARDED_BY(mutex_);
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_ERROR_LOG_H_
