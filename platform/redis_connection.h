// Copyright Tavolin developers.
//
// A client of Redis on hiredis: one blocking connection that sends commands
// (alone, pipelined, or as Lua scripts by their SHA-1), a pool of them for
// threads that share one server, and a subscriber thread for one channel.
//
// URLs have the form redis://host:port[/db]; the port defaults to 6379 and
// the database to 0. Every connection has connect and I/O timeouts of a few
// seconds, so a dead server never hangs a thread.

#ifndef TAVOLIN_PLATFORM_REDIS_CONNECTION_H_
#define TAVOLIN_PLATFORM_REDIS_CONNECTION_H_

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tavolin/thread_annotations.h"

struct redisContext;

namespace tavolin {

// A reply from Redis.
struct RedisReply {
  enum class Type { kNil, kInteger, kString, kArray, kStatus };
  Type type = Type::kNil;
  long long integer = 0;             // kInteger
  std::string text;                  // kString, kStatus
  std::vector<RedisReply> elements;  // kArray
};

// An error reply, or a connection that could not be made or was lost twice.
class RedisError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Where a redis:// URL points. Throws std::invalid_argument for a malformed url.
struct RedisAddress {
  explicit RedisAddress(const std::string& url);
  std::string host;
  int port = 6379;
  int database = 0;
};

// A Lua script known by its source and its SHA-1 (computed once, at construction).
class RedisScript {
 public:
  explicit RedisScript(std::string source);
  const std::string& source() const { return source_; }
  const std::string& sha1() const { return sha1_; }

 private:
  std::string source_;
  std::string sha1_;  // 40 lower-case hex digits
};

// One connection. Not thread-safe: one thread at a time (callers hold their
// own lock or use one per thread).
class RedisConnection {
 public:
  // Throws RedisError naming host:port when it cannot connect;
  // std::invalid_argument for a malformed url.
  explicit RedisConnection(std::string url);
  ~RedisConnection();
  RedisConnection(const RedisConnection&) = delete;
  RedisConnection& operator=(const RedisConnection&) = delete;

  // One command, binary-safe arguments. An error reply throws RedisError with
  // Redis's message. A lost connection is reconnected once and the command
  // sent again; a second loss throws.
  RedisReply Command(const std::vector<std::string>& args);
  // Several commands in one round trip (pipelined); the replies in order.
  // Error replies come back as RedisError thrown after all replies are read.
  std::vector<RedisReply> Pipeline(const std::vector<std::vector<std::string>>& commands);
  // EVALSHA of `script` with `keys` and `args`; on NOSCRIPT it loads the
  // script (SCRIPT LOAD) and calls it again.
  RedisReply Run(const RedisScript& script, const std::vector<std::string>& keys,
                 const std::vector<std::string>& args);

  // False once the connection was lost and not made again: a pool drops it.
  bool healthy() const { return context_ != nullptr; }

 private:
  struct ContextDeleter {
    void operator()(redisContext* context) const;
  };
  using Context = std::unique_ptr<redisContext, ContextDeleter>;

  // Connects (and selects the database); throws RedisError when it cannot.
  void Connect();
  // Sends `commands` and reads their replies, or returns nullopt-like false
  // when the connection broke on the way (the context is then dropped).
  bool Exchange(const std::vector<std::vector<std::string>>& commands,
                std::vector<RedisReply>& replies, std::string& first_error);
  std::vector<RedisReply> Send(const std::vector<std::vector<std::string>>& commands);

  const std::string url_;
  const RedisAddress address_;
  Context context_;
};

// Connections to one server for many threads: each call borrows an idle
// connection (or opens one), runs, and gives it back unless it was lost.
// At most `max_idle` idle connections are kept. Thread-safe.
class RedisConnectionPool {
 public:
  // Connects lazily: the first call opens the first connection. Throws
  // std::invalid_argument for a malformed url.
  explicit RedisConnectionPool(std::string url, size_t max_idle = 16);

  RedisReply Command(const std::vector<std::string>& args);
  std::vector<RedisReply> Pipeline(const std::vector<std::vector<std::string>>& commands);
  RedisReply Run(const RedisScript& script, const std::vector<std::string>& keys,
                 const std::vector<std::string>& args);

 private:
  template <typename Call>
  auto With(Call call);

  const std::string url_;
  const size_t max_idle_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<RedisConnection>> idle_ GUARDED_BY(mutex_);
};

// A thread subscribed to `channel` that calls `on_message(payload)` for each
// message, from its own thread, and reconnects (after a short pause) when the
// connection is lost; messages published while it is away are not seen, so
// `on_message` is also called with an empty payload each time a subscription
// is made (the first included). An exception from `on_message` loses that
// message only. The constructor waits up to two seconds for the first
// subscription. The destructor stops and joins the thread
// promptly (within about a second).
class RedisSubscriber {
 public:
  RedisSubscriber(std::string url, std::string channel,
                  std::function<void(const std::string& payload)> on_message);
  ~RedisSubscriber();
  RedisSubscriber(const RedisSubscriber&) = delete;
  RedisSubscriber& operator=(const RedisSubscriber&) = delete;

 private:
  void Loop();
  // Reads messages until the connection breaks or stop is asked.
  void Listen(redisContext& context);
  // Waits `pause` or until stop is asked; true when stop was asked.
  bool WaitForStop(std::chrono::milliseconds pause);

  const RedisAddress address_;
  const std::string channel_;
  const std::function<void(const std::string&)> on_message_;
  std::mutex mutex_;
  std::condition_variable stop_asked_;
  std::condition_variable subscribed_changed_;
  bool subscribed_ GUARDED_BY(mutex_) = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_REDIS_CONNECTION_H_
