// Copyright Tavolin developers.

#include "server/serve.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "component/settings_check.h"
#include "server/chat_site.h"
#include "server/error_log.h"
#include "server/http_server.h"
#include "server/url_codec.h"
#include "tavolin/database.h"
#include "tavolin/error.h"

namespace tavolin::server {

namespace {

const std::string kHelp =
    "usage: tavolin serve [options]\n"
    "  --listen HOST:PORT      address to listen on (default 127.0.0.1:8080; port 0 picks one)\n"
    "  --db CONNECTION         database (default " +
    std::string(kDefaultConnectionString) +
    ", created on first start)\n"
    "  --site DIR              folder of the site's files (default: site/ found near the binary)\n"
    "  --prefix TEXT           state prefix of the chat (default none)\n"
    "  --live redis://HOST:PORT[/DB]  keep the live chat and the sessions in Redis, shared\n"
    "                          by every server started with the same --live and --db\n"
    "  --admin-password TEXT   password of the admin pages, user admin (also from\n"
    "                          TAVOLIN_ADMIN_PASSWORD; without one they are switched off)\n"
    "  --metrics-listen HOST:PORT  also serve /metrics there, without the admin password\n"
    "                          (default: only on --listen, behind the admin password)\n"
    "  --max-connections N     connections served at once; more are closed at once\n"
    "                          (default: the open-file limit less 64, at least 16)\n"
    "  --log-level LEVEL       error, info (default) or debug\n";

// Descriptors kept for the database, its journal, the log and the listener
// when the connection cap is taken from the open-file limit.
constexpr rlim_t kReservedDescriptors = 64;
constexpr rlim_t kFewestConnections = 16;

// Raises the soft open-file limit to the hard one (each connection holds a
// descriptor) and returns the soft limit now in force.
rlim_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = before;
  }
  return limit.rlim_cur;
}

// Sets the host and port of `listener` from "HOST:PORT"; false when `value`
// is not one.
bool ParseAddress(const std::string& value, HttpServer::Options& listener) {
  const size_t colon = value.rfind(':');
  char* end = nullptr;
  const long port =
      colon == std::string::npos ? -1 : std::strtol(value.c_str() + colon + 1, &end, 10);
  if (port < 0 || port > 65535 || end == nullptr || *end != '\0' || colon == 0) return false;
  listener.host = value.substr(0, colon);
  listener.port = static_cast<uint16_t>(port);
  return true;
}

struct ServeOptions {
  HttpServer::Options http;
  // The listener that serves /metrics without the admin password; none by default.
  std::optional<HttpServer::Options> metrics;
  ChatSite::Options site;
  std::string database{kDefaultConnectionString};
  std::string log_level = "info";
};

// Returns the options, or nullopt after printing why they are refused (or
// the help).
std::optional<ServeOptions> ParseOptions(const std::string& binary_path,
                                         const std::vector<std::string>& args, int& exit_code) {
  ServeOptions options;
  if (const char* password = std::getenv("TAVOLIN_ADMIN_PASSWORD")) {
    options.site.admin_password = password;
  }
  bool site_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--help" || flag == "-h") {
      std::cout << kHelp;
      exit_code = 0;
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      std::cerr << "tavolin serve: " << flag << " needs a value (or is unknown)\n" << kHelp;
      exit_code = 2;
      return std::nullopt;
    }
    const std::string& value = args[++i];
    if (flag == "--listen" || flag == "--metrics-listen") {
      HttpServer::Options& listener = flag == "--listen" ? options.http : options.metrics.emplace();
      if (!ParseAddress(value, listener)) {
        std::cerr << "tavolin serve: " << flag << " wants HOST:PORT, not " << value << '\n';
        exit_code = 2;
        return std::nullopt;
      }
    } else if (flag == "--db") {
      options.database = value;
    } else if (flag == "--site") {
      options.site.site_folder = value;
      site_given = true;
    } else if (flag == "--live") {
      options.site.live_url = value;
    } else if (flag == "--prefix") {
      options.site.prefix = value;
    } else if (flag == "--admin-password") {
      options.site.admin_password = value;
    } else if (flag == "--max-connections") {
      char* end = nullptr;
      const long long cap = std::strtoll(value.c_str(), &end, 10);
      if (cap < 1 || *end != '\0') {
        std::cerr << "tavolin serve: --max-connections wants a number from 1, not " << value
                  << '\n';
        exit_code = 2;
        return std::nullopt;
      }
      options.http.max_connections = static_cast<size_t>(cap);
    } else if (flag == "--log-level") {
      options.log_level = value;
    } else {
      std::cerr << "tavolin serve: unknown option " << flag << '\n' << kHelp;
      exit_code = 2;
      return std::nullopt;
    }
  }
  if (!site_given) options.site.site_folder = FindSiteFolder(binary_path);
  return options;
}

}  // namespace

int Serve(const std::string& binary_path, const std::vector<std::string>& args) {
  int exit_code = 0;
  std::optional<ServeOptions> options = ParseOptions(binary_path, args, exit_code);
  if (!options) return exit_code;
  const rlim_t descriptors = RaiseDescriptorLimit();
  if (options->http.max_connections == 0) {
    options->http.max_connections = static_cast<size_t>(
        std::max(descriptors, kReservedDescriptors + kFewestConnections) - kReservedDescriptors);
  }

  // The stop signals are taken by this thread alone, with sigwait below; the
  // server's threads, started later, inherit the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  Application application;
  ChatSite site(application, Env::Default(), options->site);
  try {
    site.Start(options->database);
    CheckSettings(application, options->site.prefix);
  } catch (const std::exception& e) {  // the database's CallError, Redis's RedisError
    std::cerr << "tavolin serve: cannot start on " << ConnectionStringForLog(options->database)
              << (options->site.live_url.empty() ? "" : " and " + options->site.live_url) << ": "
              << e.what() << '\n';
    return 1;
  }
  const bool debug = options->log_level == "debug";
  // A waiting poll's answer comes later: the log shows requests as they come.
  HttpServer server(options->http, [&site, debug](const HttpRequest& request, Responder& out) {
    if (debug) {
      std::cerr << request.peer_address << ' ' << LogEscape(request.method) << ' '
                << LogEscape(request.target) << '\n';
    }
    site.Handle(request, out);
  });
  server.OnStop([&site] { site.EndWaits(); });
  // The metrics listener answers /metrics only, to whoever reaches its address.
  std::optional<HttpServer> metrics_server;
  if (options->metrics) {
    options->metrics->threads = 1;
    metrics_server.emplace(*options->metrics, [&site](const HttpRequest& request) {
      if (SplitTarget(request.target).first == "/metrics") return site.MetricsPage();
      HttpResponse missing;
      missing.status = 404;
      missing.content_type = "text/plain; charset=utf-8";
      missing.body = "only /metrics here\n";
      return missing;
    });
  }
  try {
    server.Start();
    if (metrics_server) metrics_server->Start();
  } catch (const std::exception& e) {
    std::cerr << "tavolin serve: " << e.what() << '\n';
    return 1;
  }
  if (options->log_level != "error") {
    std::cout << "tavolin: listening on http://" << options->http.host << ":" << server.port()
              << "/ (database " << ConnectionStringForLog(options->database)
              << (options->site.live_url.empty() ? "" : ", live state " + options->site.live_url)
              << ", site "
              << (options->site.site_folder.empty() ? "none" : options->site.site_folder)
              << ", at most " << options->http.max_connections << " connections)" << std::endl;
    if (metrics_server) {
      std::cout << "tavolin: metrics on http://" << options->metrics->host << ":"
                << metrics_server->port() << "/metrics" << std::endl;
    }
  }

  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  if (metrics_server) metrics_server->Stop();
  server.Stop();
  try {
    site.SaveCounters();
  } catch (const CallError& e) {
    std::cerr << "tavolin serve: visit counters not saved: " << e.what() << '\n';
    return 1;
  }
  if (options->log_level != "error") std::cout << "tavolin: stopped" << std::endl;
  return 0;
}

}  // namespace tavolin::server
