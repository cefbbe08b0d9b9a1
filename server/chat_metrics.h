// Copyright Tavolin developers.
//
// ChatMetrics: what the chat counts as it serves — polls, posts, logins
// admitted and refused by reason, failed pages, each page's time — and the
// text a scrape of /metrics reads, with the gauges of the moment (visitors
// online and by room, sessions, waiting polls) given by the caller.
//
// Thread safety: the counting calls may run on any thread at once; none
// takes a lock.

#ifndef TAVOLIN_SERVER_CHAT_METRICS_H_
#define TAVOLIN_SERVER_CHAT_METRICS_H_

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/metrics.h"

namespace tavolin::server {

// Why a login was refused, as few kinds as an operator tells apart.
enum class LoginRefusal {
  kWrongPassword,
  kNameRule,
  kLockedOut,
  kKicked,
  kFrozen,
  kFull,
  kThrottled,
  kOther,
};
inline constexpr size_t kLoginRefusalKinds = 8;

// The kind of the login's refusal `message`, the text the login answers.
LoginRefusal LoginRefusalOf(std::string_view message);

class ChatMetrics {
 public:
  // `pages`: the paths timed under their own name; the rest as "other".
  explicit ChatMetrics(const std::vector<std::string_view>& pages);

  struct Gauges {
    int online = 0;
    std::vector<std::pair<std::string, int>> rooms;  // room number, visitors in it
    size_t sessions = 0;
    size_t waiting_polls = 0;
  };
  std::string Render(const Gauges& now) const;

  void CountRefusal(LoginRefusal why) { refused_[static_cast<size_t>(why)].Add(); }
  // `path` lower case and decoded.
  void ObservePage(std::string_view path, double seconds);

  Counter polls, posts, lines, logins_admitted, page_errors;

 private:
  std::array<Counter, kLoginRefusalKinds> refused_;
  // Made once: the map is only read afterwards.
  std::map<std::string, std::unique_ptr<Histogram>, std::less<>> pages_;
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_CHAT_METRICS_H_
