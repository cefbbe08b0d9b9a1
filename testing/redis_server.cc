// Copyright Tavolin developers.

#include "testing/redis_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/redis_connection.h"
#include "testing/free_port.h"

namespace tavolin::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kDatabases = 1024;
constexpr std::chrono::seconds kStartLimit(20);

// redis-server as found on the PATH, or nullopt.
std::optional<fs::path> FindRedisServer() {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/bin:/usr/sbin";
  while (!dirs.empty()) {
    const size_t colon = dirs.find(':');
    const fs::path candidate = fs::path(dirs.substr(0, colon)) / "redis-server";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
  }
  return std::nullopt;
}

class Server {
 public:
  Server() {
    const std::optional<fs::path> binary = FindRedisServer();
    if (!binary) {
      throw std::runtime_error(
          "redis-server is not installed: run scripts/install-deps.sh (or set TAVOLIN_NO_REDIS=1 "
          "to leave these cases out)");
    }
    char pattern[] = "/tmp/tavolin-redis-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a folder for Redis");
    folder_ = pattern;
    port_ = FreePort();
    try {
      Start(*binary);
      WaitUntilReady();
    } catch (const std::runtime_error& e) {
      std::ifstream log(folder_ / "redis.log");
      const std::string text(std::istreambuf_iterator<char>(log), {});
      Stop();
      throw std::runtime_error(std::string("the test Redis server did not start: ") + e.what() +
                               "\nredis.log:\n" + text);
    }
  }

  ~Server() { Stop(); }

  std::string Url(int database) const {
    return "redis://127.0.0.1:" + std::to_string(port_) + "/" + std::to_string(database);
  }

 private:
  void Start(const fs::path& binary) {
    const std::vector<std::string> args = {binary.string(),
                                           "--port",
                                           std::to_string(port_),
                                           "--bind",
                                           "127.0.0.1",
                                           "--save",
                                           "",
                                           "--appendonly",
                                           "no",
                                           "--dir",
                                           folder_.string(),
                                           "--logfile",
                                           (folder_ / "redis.log").string(),
                                           "--databases",
                                           std::to_string(kDatabases),
                                           "--daemonize",
                                           "no"};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("cannot fork for redis-server");
    if (pid_ == 0) {
      // The server holds none of the test program's output (it logs to its
      // file): a test runner that waits for that output to close would
      // otherwise wait for a server left behind by a crashed test.
      const int nothing = ::open("/dev/null", O_RDWR);
      for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(nothing, fd);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }

  // Waits until the server answers PING, or until it exits or takes too long.
  void WaitUntilReady() {
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (true) {
      try {
        if (RedisConnection(Url(0)).Command({"PING"}).text == "PONG") return;
      } catch (const RedisError&) {
        // not listening yet
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        throw std::runtime_error("redis-server exited");
      }
      if (std::chrono::steady_clock::now() > limit) throw std::runtime_error("no answer to PING");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  void Stop() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);  // nothing to keep: it has no persistence
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
  int port_ = 0;
  pid_t pid_ = -1;
};

std::mutex mutex;
std::unique_ptr<Server> server;  // stopped when the program ends
int databases_used = 0;

Server& Started() {
  if (!server) server = std::make_unique<Server>();
  return *server;
}

}  // namespace

bool RedisCasesOff() {
  const char* off = std::getenv("TAVOLIN_NO_REDIS");
  return off != nullptr && std::string(off) == "1";
}

std::string RedisUrl() {
  std::lock_guard<std::mutex> lock(mutex);
  return Started().Url(0);
}

std::string NewRedisUrl() {
  std::lock_guard<std::mutex> lock(mutex);
  Server& started = Started();
  if (databases_used + 1 >= kDatabases) {
    throw std::runtime_error("the test Redis server has no unused database left");
  }
  return started.Url(++databases_used);
}

}  // namespace tavolin::testing
