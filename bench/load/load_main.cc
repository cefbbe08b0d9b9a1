// Copyright Tavolin developers.
//
// tavolin_load: the load benchmark of tavolin serve (the README's
// Performance section tells what it does). Per number of visitors: a fresh
// chat, logins, quiet polls in a closed loop, then browsers in an open loop;
// then the bare server for comparison. With --wait, per number of visitors:
// logins, browsers polling on their timer, then the same visitors each
// holding a waiting poll. It prints one markdown table and exits non-zero on
// a refused login, a request not answered as the chat answers, or a line
// lost, duplicated or delivered where it may not go. With --servers N (2 or
// more) the chat is N servers on a PostgreSQL database sharing their live
// state in Redis behind nginx, all started here, and a second table shows
// Redis's work per poll (from INFO commandstats before and after); it exits
// 77 when TAVOLIN_NO_REDIS or TAVOLIN_NO_POSTGRES leaves those out.

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/load/browser_loop.h"
#include "bench/load/chat_under_load.h"
#include "bench/load/closed_loop.h"
#include "bench/load/redis_info.h"
#include "bench/load/wait_loop.h"
#include "testing/chat_answer.h"
#include "testing/postgres_cluster.h"
#include "testing/redis_server.h"
#include "testing/server_process.h"
#include "testing/temp_folder.h"

namespace tavolin::load {
namespace {

namespace fs = std::filesystem;
using testing::ServerProcess;
using testing::TempFolder;

constexpr char kUsage[] =
    "usage: tavolin_load [options]\n"
    "  --visitors LIST         numbers of visitors online, one step each "
    "(default 100,1000,10000,100000)\n"
    "  --seconds S             length of the closed loop and of the browsers of each step "
    "(default 5)\n"
    "  --rooms R               rooms the visitors share out evenly (default 4)\n"
    "  --connections C         keep-alive connections (default 128)\n"
    "  --threads T             client threads (default 2)\n"
    "  --posts-per-second R    lines posted while the browsers poll (default 50)\n"
    "  --poll-interval S       seconds between two polls of a browser (default 6)\n"
    "  --wait S                instead of the closed loop and the bare server: every visitor\n"
    "                          also holds a waiting poll of S seconds (1..30) while the lines\n"
    "                          are posted, compared with the browsers on their timer\n"
    "  --servers N             with 2 or more: N servers on one PostgreSQL database sharing\n"
    "                          their live state in Redis, behind nginx (both started here)\n"
    "  --tavolin PATH          the tavolin binary (default: beside this one)\n"
    "  --bare PATH             the bare_server binary (default: beside this one)\n";

// The exit code of a run left out for lack of what it needs (CTest's skip).
constexpr int kLeftOut = 77;

// Logins still waiting after this long count as failed.
constexpr auto kLoginLimit = std::chrono::minutes(30);

struct Options {
  std::vector<int> visitors = {100, 1000, 10000, 100000};
  double seconds = 5;
  int connections = 128;
  int threads = 2;
  double posts_per_second = 50;
  double poll_interval = 6;
  int wait = 0;  // seconds; 0: the closed loop and the bare server instead
  int servers = 1;
  fs::path tavolin;
  fs::path bare;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
  o.tavolin = here / "tavolin";
  o.bare = here / "bare_server";
  using Value = const std::string&;
  const std::map<std::string_view, std::function<void(Value)>> flags = {
      {"--visitors",
       [&](Value v) {
         o.visitors.clear();
         std::stringstream list(v);
         for (std::string item; std::getline(list, item, ',');)
           o.visitors.push_back(std::stoi(item));
       }},
      {"--seconds", [&](Value v) { o.seconds = std::stod(v); }},
      {"--rooms", [&](Value v) { rooms = std::max(1, std::stoi(v)); }},
      {"--connections", [&](Value v) { o.connections = std::stoi(v); }},
      {"--threads", [&](Value v) { o.threads = std::stoi(v); }},
      {"--posts-per-second", [&](Value v) { o.posts_per_second = std::stod(v); }},
      {"--poll-interval", [&](Value v) { o.poll_interval = std::stod(v); }},
      {"--wait", [&](Value v) { o.wait = std::stoi(v); }},
      {"--servers", [&](Value v) { o.servers = std::stoi(v); }},
      {"--tavolin", [&](Value v) { o.tavolin = v; }},
      {"--bare", [&](Value v) { o.bare = v; }},
  };
  if (argc % 2 == 0) return std::nullopt;  // --help, or a flag without its value
  for (int i = 1; i + 1 < argc; i += 2) {
    const auto flag = flags.find(argv[i]);
    if (flag == flags.end()) return std::nullopt;
    try {
      flag->second(argv[i + 1]);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  std::sort(o.visitors.begin(), o.visitors.end());
  const bool sane = !o.visitors.empty() && o.visitors.front() >= o.threads && o.seconds > 0 &&
                    o.connections >= o.threads && o.threads >= 1 && o.posts_per_second >= 0 &&
                    o.poll_interval > 0 && o.wait >= 0 && o.wait <= 30 && o.servers >= 1;
  if (!sane) return std::nullopt;
  return o;
}

struct ChatStep {
  int visitors = 0;
  Logins logins;
  double memory_per_visitor = 0;  // bytes
  Throughput polls;
  BrowserResult browsers;
  // With --wait: the server's memory before the waiting visitors connect and
  // while they all wait, in bytes.
  int64_t memory_before_waiting = 0;
  int64_t memory_waiting = 0;
  WaitResult waiting;
  // With several servers: what Redis did for the closed loop's polls, or for
  // the waiting polls.
  RedisInfo redis;
  uint64_t redis_polls = 0;

  uint64_t Failures() const {
    return static_cast<uint64_t>(visitors - logins.succeeded) + polls.failed + browsers.failed +
           waiting.failed;
  }
  uint64_t Wrong() const {
    const DeliveryCount& b = browsers.delivery;
    const DeliveryCount& w = waiting.delivery;
    return b.lost + b.duplicated + b.leaked + w.lost + w.duplicated + w.leaked;
  }
  bool Correct() const { return Failures() == 0 && Wrong() == 0; }
};

void StopOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = [](int) { interrupted = true; };
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// The soft limit on open files raised to the hard one; returns the limit.
rlim_t RaiseOpenFileLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
  getrlimit(RLIMIT_NOFILE, &limit);
  return limit.rlim_cur;
}

// The say ring keeps a minute of posts (ten poll intervals), so no line is
// overwritten before every visitor has polled even when polls lag; its
// 16-bit index allows 32768 slots at most.
int SayRingLines(double posts_per_second) {
  return std::clamp(static_cast<int>(std::ceil(posts_per_second * 60)), 200, 32768);
}

boost::asio::ip::tcp::endpoint Loopback(uint16_t port) {
  return {boost::asio::ip::make_address("127.0.0.1"), port};
}

bool IsOk(const HttpAnswer& answer) { return answer.status == 200; }
bool IsPollAnswer(const HttpAnswer& answer) {
  return answer.status == 200 && testing::ReadChatAnswer(answer.body).newest_say_id.has_value();
}

// The connections the client holds at once.
int ClientConnections(const Options& options) {
  return options.connections +
         (options.wait > 0
              ? options.visitors.back() + options.threads * WaitOptions{}.posting_connections
              : 0);
}

ChatStep RunChat(const Options& options, int n, const fs::path& folder) {
  ChatStep step;
  step.visitors = n;
  const ChatUnderLoad server({.tavolin = options.tavolin,
                              .servers = options.servers,
                              .visitors = n,
                              .say_ring_lines = SayRingLines(options.posts_per_second),
                              .client_connections = ClientConnections(options)},
                             folder);
  const std::string& redis_url = server.redis_url();
  // What Redis does while `run` runs, put down to `polls()` polls.
  const auto redis_cost = [&](const std::function<void()>& run,
                              const std::function<uint64_t()>& polls) {
    if (redis_url.empty()) return run();
    const RedisInfo before = ReadRedisInfo(redis_url);
    run();
    step.redis = ReadRedisInfo(redis_url).Since(before);
    step.redis_polls = polls();
  };
  ConnectionPool pool(Loopback(server.port()), options.connections, options.threads);
  std::vector<Visitor> visitors(n);

  // Every connection open and every server thread at work before the first
  // reading, so the memory they take is not put down to the visitors.
  MeasureClosedLoop(
      pool, [](uint64_t) { return GetRequest("/", ""); }, IsOk, std::chrono::seconds(30),
      2 * static_cast<uint64_t>(options.connections));
  const int64_t memory_before = server.ResidentBytes();
  step.logins = LogIn(pool, visitors, kLoginLimit);
  step.memory_per_visitor =
      static_cast<double>(server.ResidentBytes() - memory_before) / static_cast<double>(n);
  std::cerr << "N=" << n << ": " << step.logins.succeeded << " of " << n << " logins in "
            << step.logins.seconds << " s"
            << (step.logins.first_refusal.empty() ? "" : ", first refused: ")
            << step.logins.first_refusal << "\n";

  const auto inside = std::find_if(visitors.begin(), visitors.end(),
                                   [](const Visitor& v) { return !v.cookie.empty(); });
  const std::optional<int32_t> newest =
      inside == visitors.end() || interrupted ? std::nullopt : NewestSayId(pool, *inside);
  if (newest) {
    for (Visitor& visitor : visitors) visitor.last_say_id = *newest;
    if (options.wait == 0) {
      redis_cost(
          [&] {
            step.polls = MeasureClosedLoop(
                pool, [&visitors, n](uint64_t i) { return PollRequest(visitors[i % n]); },
                IsPollAnswer, Seconds(options.seconds));
          },
          [&] { return step.polls.good + step.polls.failed; });
      std::cerr << "N=" << n << ": closed loop: " << step.polls.good << " polls, "
                << step.polls.failed << " failed\n";
    }
    if (!interrupted) {
      step.browsers = RunBrowsers(pool, visitors,
                                  {.duration = Seconds(options.seconds),
                                   .poll_interval = Seconds(options.poll_interval),
                                   .posts_per_second = options.posts_per_second});
    }
    std::cerr << "N=" << n << ": browsers: " << step.browsers.polls << " polls, "
              << step.browsers.posts << " posts, " << step.browsers.failed << " failed\n";
    if (options.wait > 0 && !interrupted) {
      step.memory_before_waiting = server.ResidentBytes();
      redis_cost(
          [&] {
            step.waiting = RunWaiting(Loopback(server.port()), pool, visitors,
                                      {.wait_seconds = options.wait,
                                       .duration = Seconds(options.seconds),
                                       .posts_per_second = options.posts_per_second,
                                       .threads = options.threads,
                                       .all_waiting = [&step, &server] {
                                         step.memory_waiting = server.ResidentBytes();
                                       }});
          },
          [&] { return step.waiting.polls; });
      std::cerr << "N=" << n << ": waiting: " << step.waiting.polls << " polls ("
                << step.waiting.at_once << " at once), " << step.waiting.posts << " posts, "
                << step.waiting.failed << " failed\n";
    }
  }
  if (const std::string log = server.LogSummary(5); !log.empty()) {
    std::cerr << "N=" << n << ": the server's standard error:\n" << log;
  }
  return step;
}

Throughput RunBare(const Options& options, size_t body_bytes, const fs::path& folder) {
  ServerProcess server({options.bare.string(), "--body-bytes", std::to_string(body_bytes)},
                       folder / "bare.log");
  ConnectionPool pool(Loopback(server.port()), options.connections, options.threads);
  // A cookie of a session's size, so the requests weigh as the polls do.
  const std::string request =
      GetRequest("/refresh.asp?sayid=100000", "TAVOLINSID=" + std::string(32, '0'));
  return MeasureClosedLoop(
      pool, [&request](uint64_t) { return request; }, IsOk, Seconds(options.seconds));
}

std::string Command(int argc, char** argv) {
  std::string command;
  for (int i = 0; i < argc; ++i) {
    const std::string word = argv[i];
    const bool plain = word.find_first_not_of(
                           "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                           "0123456789_./,:=+-") == std::string::npos;
    command += (i ? " " : "") + (plain ? word : "'" + word + "'");
  }
  return command;
}

void PrintTable(const Options& options, std::vector<ChatStep>& steps, Throughput& bare) {
  std::printf(
      "| visitors | logins/s | server memory per visitor | polls/s | p50 ms | p99 ms "
      "| polls/s ÷ bare req/s | polls/s ÷ polls/s at N=%d | browser polls/s (target) "
      "| browser poll p99 ms | post p99 ms | lines posted | lost | duplicated | leaked "
      "| failed requests |\n"
      "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n",
      steps.front().visitors);
  const auto per = [](double a, double b) { return a / std::max(b, 1e-9); };
  for (ChatStep& step : steps) {
    BrowserResult& b = step.browsers;
    std::printf(
        "| %d | %.0f | %.1f KiB | %.0f | %.2f | %.2f | %.3f | %.3f | %.0f (%.0f) | %.2f | %.2f "
        "| %lu | %lu | %lu | %lu | %lu |\n",
        step.visitors, per(step.logins.succeeded, step.logins.seconds),
        step.memory_per_visitor / 1024, step.polls.PerSecond(),
        step.polls.latency.PercentileMs(0.50), step.polls.latency.PercentileMs(0.99),
        per(step.polls.PerSecond(), bare.PerSecond()),
        per(step.polls.PerSecond(), steps.front().polls.PerSecond()), per(b.polls, b.seconds),
        step.visitors / options.poll_interval, b.poll_latency.PercentileMs(0.99),
        b.post_latency.PercentileMs(0.99), b.delivery.lines, b.delivery.lost, b.delivery.duplicated,
        b.delivery.leaked, step.Failures());
  }
  std::printf("| bare Beast server | | | %.0f | %.2f | %.2f | 1.000 | | | | | | | | | %lu |\n",
              bare.PerSecond(), bare.latency.PercentileMs(0.50), bare.latency.PercentileMs(0.99),
              bare.failed);
  std::fflush(stdout);
}

// With --wait: the waiting visitors beside the same visitors polling on
// their timer, with the ratios of the two.
void PrintWaitTable(std::vector<ChatStep>& steps) {
  std::printf(
      "| visitors | logins/s | server memory before → while waiting | per waiting visitor "
      "| waiting polls/s | of them at once | delivery p50 ms | delivery p99 ms | delivery max ms "
      "| timer polls/s | timer delivery p50 ms | timer delivery p99 ms "
      "| polls/s ÷ timer polls/s | delivery p99 ÷ timer delivery p99 | post p99 ms "
      "| lines posted | deliveries | lost | duplicated | leaked | failed requests |\n"
      "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:"
      "|---:|---:|---:|\n");
  const auto per = [](double a, double b) { return a / std::max(b, 1e-9); };
  constexpr double kMiB = 1024.0 * 1024.0;
  for (ChatStep& step : steps) {
    BrowserResult& b = step.browsers;
    WaitResult& w = step.waiting;
    const double wait_polls = per(w.polls, w.seconds);
    const double timer_polls = per(b.polls, b.seconds);
    const double wait_p99 = w.delivery.delay.PercentileMs(0.99);
    const double timer_p99 = b.delivery.delay.PercentileMs(0.99);
    std::printf(
        "| %d | %.0f | %.0f → %.0f MiB | %.0f B | %.0f | %.0f | %.2f | %.2f | %.2f | %.0f | %.2f "
        "| %.2f | %.3f | %.4f | %.2f | %lu | %lu | %lu | %lu | %lu | %lu |\n",
        step.visitors, per(step.logins.succeeded, step.logins.seconds),
        step.memory_before_waiting / kMiB, step.memory_waiting / kMiB,
        per(static_cast<double>(step.memory_waiting - step.memory_before_waiting), step.visitors),
        wait_polls, per(w.at_once, w.seconds), w.delivery.delay.PercentileMs(0.50), wait_p99,
        w.delivery.delay.PercentileMs(1.0), timer_polls, b.delivery.delay.PercentileMs(0.50),
        timer_p99, per(wait_polls, timer_polls), per(wait_p99, timer_p99),
        w.post_latency.PercentileMs(0.99), w.delivery.lines, w.delivery.deliveries,
        w.delivery.lost + b.delivery.lost, w.delivery.duplicated + b.delivery.duplicated,
        w.delivery.leaked + b.delivery.leaked, step.Failures());
  }
  std::fflush(stdout);
}

// How the chat was served, when not by one server on SQLite.
std::string Servers(const Options& options) {
  if (options.servers <= 1) return "";
  return std::to_string(options.servers) +
         " servers on one PostgreSQL database with their live state in one Redis, behind nginx "
         "(round-robin); the server memory is theirs and Redis's together; the bare server is "
         "measured without nginx.\n";
}

// With several servers: what Redis did per poll, in all and for evalsha,
// and which commands ran.
void PrintRedisCost(const std::vector<ChatStep>& steps, const char* polls) {
  std::printf(
      "\n| visitors | %s | Redis operations per poll | microseconds in Redis per poll "
      "| evalsha per poll | evalsha microseconds per poll | commands (calls) |\n"
      "|---:|---:|---:|---:|---:|---:|:---|\n",
      polls);
  for (const ChatStep& step : steps) {
    const double n = static_cast<double>(std::max<uint64_t>(step.redis_polls, 1));
    const CommandCost total = step.redis.Total();
    const auto found = step.redis.commands.find("evalsha");
    const CommandCost evalsha = found == step.redis.commands.end() ? CommandCost{} : found->second;
    std::string commands;
    for (const auto& [name, cost] : step.redis.commands) {
      commands += (commands.empty() ? "" : ", ") + name + " " + std::to_string(cost.calls);
    }
    std::printf("| %d | %lu | %.2f | %.1f | %.2f | %.1f | %s |\n", step.visitors, step.redis_polls,
                total.calls / n, total.usec / n, evalsha.calls / n, evalsha.usec / n,
                commands.c_str());
  }
  std::fflush(stdout);
}

int Run(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    const bool asked = argc == 2 && std::string_view(argv[1]) == "--help";
    (asked ? std::cout : std::cerr) << kUsage;
    return asked ? 0 : 2;
  }
  if (options->servers > 1 && (testing::RedisCasesOff() || testing::PostgresCasesOff())) {
    std::cerr << "tavolin_load: several servers need Redis and PostgreSQL, which "
                 "TAVOLIN_NO_REDIS or TAVOLIN_NO_POSTGRES leaves out\n";
    return kLeftOut;
  }
  StopOnInterrupt();
  const rlim_t open_files = RaiseOpenFileLimit();
  // The waiting visitors each hold a connection; the server, which inherits
  // this limit, holds as many.
  const int connections = ClientConnections(*options);
  if (static_cast<rlim_t>(connections) + 64 > open_files) {
    std::cerr << "tavolin_load: " << connections
              << " connections need more open files than the limit of " << open_files
              << " (ulimit -Hn)\n";
    return 2;
  }

  TempFolder folder("tavolin-load");
  std::vector<ChatStep> steps;
  bool correct = true;
  for (const int n : options->visitors) {
    if (interrupted) break;
    steps.push_back(RunChat(*options, n, folder.path));
    correct = correct && steps.back().Correct();
  }
  if (interrupted) {
    std::cerr << "tavolin_load: interrupted\n";
    return 130;
  }
  if (options->wait > 0) {
    PrintWaitTable(steps);
    if (options->servers > 1) PrintRedisCost(steps, "waiting polls");
    std::cout << "\nEach visitor holds a waiting poll of " << options->wait
              << " s on a connection of its own (a poll answered at once without a line holds "
                 "the next one 100 ms); "
              << options->posts_per_second << " posts/s among " << rooms << " rooms for "
              << options->seconds << " s per mode; the timer polls every " << options->poll_interval
              << " s over " << options->connections << " connections; " << options->threads
              << " client threads (open-file limit " << open_files << ").\n"
              << Servers(*options) << "command: " << Command(argc, argv) << "\n";
    if (!correct) std::cout << "FAILED: see the failed, lost, duplicated and leaked columns.\n";
    return correct ? 0 : 1;
  }
  // The yardstick answers pages of the size the chat's polls had.
  const ChatStep& first = steps.front();
  const size_t poll_bytes = first.polls.good ? first.polls.body_bytes / first.polls.good : 256;
  Throughput bare = RunBare(*options, poll_bytes, folder.path);
  correct = correct && bare.failed == 0;

  PrintTable(*options, steps, bare);
  if (options->servers > 1) PrintRedisCost(steps, "closed-loop polls");
  std::cout << "\n"
            << options->connections << " keep-alive connections over " << options->threads
            << " client threads (open-file limit " << open_files << "); closed loop and browsers "
            << options->seconds << " s per step, " << options->posts_per_second
            << " posts/s, a poll every " << options->poll_interval << " s; bare server page "
            << poll_bytes << " bytes.\n"
            << Servers(*options) << "command: " << Command(argc, argv) << "\n";
  if (!correct) std::cout << "FAILED: see the failed, lost, duplicated and leaked columns.\n";
  return correct ? 0 : 1;
}

}  // namespace
}  // namespace tavolin::load

int main(int argc, char** argv) {
  try {
    return tavolin::load::Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "tavolin_load: " << e.what() << "\n";
    return 1;
  }
}
