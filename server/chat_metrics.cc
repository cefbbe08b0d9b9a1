// Copyright Tavolin developers.

#include "server/chat_metrics.h"

#include "entry/login.h"

namespace tavolin::server {

namespace {

constexpr const char* kRefusalNames[kLoginRefusalKinds] = {
    "wrong_password", "name_rule", "locked_out", "kicked", "frozen", "full", "throttled", "other"};

// Seconds; a poll takes microseconds, a login with its statements a few
// milliseconds.
const std::vector<double> kPageBuckets = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025,
                                          0.05,   0.1,   0.25,   0.5,   1,    2.5};

constexpr std::string_view kOtherPage = "other";

}  // namespace

// The login's refusals are fixed texts but for the numbers in some; they
// are matched whole or by the start the numbers follow.
LoginRefusal LoginRefusalOf(std::string_view message) {
  static const std::pair<std::string_view, LoginRefusal> kWhole[] = {
      {kWrongPasswordMessage, LoginRefusal::kWrongPassword},
      {"您的名字和房间机器人同名被拒绝进入！", LoginRefusal::kNameRule},
      {"对不起：您的IP被封锁了！", LoginRefusal::kLockedOut},
      {"对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！", LoginRefusal::kKicked},
      {"对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！", LoginRefusal::kFrozen},
      {"对不起：您的帐号被永久冻结了！", LoginRefusal::kFrozen},
      {"对不起：聊天室已经满员了！", LoginRefusal::kFull},
      {"聊天室现在人太多了，请稍后再来。", LoginRefusal::kFull},
  };
  for (const auto& [text, why] : kWhole) {
    if (message == text) return why;
  }
  if (message.starts_with("错误：用户名")) return LoginRefusal::kNameRule;
  if (message.starts_with("密码错误次数太多，请")) return LoginRefusal::kThrottled;
  return LoginRefusal::kOther;
}

ChatMetrics::ChatMetrics(const std::vector<std::string_view>& pages) {
  for (const std::string_view page : pages) {
    pages_.emplace(std::string(page), std::make_unique<Histogram>(kPageBuckets));
  }
  pages_.emplace(std::string(kOtherPage), std::make_unique<Histogram>(kPageBuckets));
}

void ChatMetrics::ObservePage(std::string_view path, double seconds) {
  auto found = pages_.find(path);
  if (found == pages_.end()) found = pages_.find(kOtherPage);
  found->second->Observe(seconds);
}

std::string ChatMetrics::Render(const Gauges& now) const {
  const auto family = [](std::string name, std::string help, std::string type) {
    return MetricFamily{"tavolin_" + std::move(name), std::move(help), std::move(type), {}};
  };
  const auto single = [&](std::string name, std::string help, std::string type, double value) {
    MetricFamily one = family(std::move(name), std::move(help), std::move(type));
    one.Add({}, value);
    return one;
  };
  std::vector<MetricFamily> families;
  families.push_back(single("visitors_online", "Visitors in the chat now.", "gauge", now.online));
  MetricFamily rooms = family("room_visitors", "Visitors in each room now.", "gauge");
  for (const auto& [room, visitors] : now.rooms) rooms.Add({{"room", room}}, visitors);
  families.push_back(std::move(rooms));
  families.push_back(single("sessions", "Sessions kept now.", "gauge", now.sessions));
  families.push_back(
      single("waiting_polls", "Polls parked until a line comes.", "gauge", now.waiting_polls));
  families.push_back(single("polls_total", "Polls answered.", "counter", polls.value()));
  families.push_back(single("posts_total", "Posts of chat lines answered, refused ones included.",
                            "counter", posts.value()));
  families.push_back(single("lines_total",
                            "Lines written to the say ring: posts, robot answers, entries, "
                            "leaves and titles.",
                            "counter", lines.value()));
  families.push_back(single("logins_admitted_total", "Logins let into the chat.", "counter",
                            logins_admitted.value()));
  MetricFamily refused = family("logins_refused_total", "Logins refused, by reason.", "counter");
  for (size_t i = 0; i < kLoginRefusalKinds; ++i) {
    refused.Add({{"reason", kRefusalNames[i]}}, refused_[i].value());
  }
  families.push_back(std::move(refused));
  families.push_back(single("page_errors_total", "Pages that failed (answered 500).", "counter",
                            page_errors.value()));
  MetricFamily latency =
      family("request_duration_seconds", "Time to make a page's answer, by page.", "histogram");
  for (const auto& [page, histogram] : pages_) {
    latency.AddHistogram({{"page", page}}, histogram->snapshot());
  }
  families.push_back(std::move(latency));
  MetricFamily statements =
      family("database_statement_seconds", "Time of each database statement.", "histogram");
  statements.AddHistogram({}, DatabaseStatementSeconds().snapshot());
  families.push_back(std::move(statements));
  return RenderMetrics(families);
}

}  // namespace tavolin::server
