// Copyright Tavolin developers.
//
// RedisSessionStore: the visitors' sessions in Redis, so that any server
// finds any session and a session outlives the server that made it. Each is
// the key "tavolin:session:{<id>}" holding the session's encoded values
// (platform/variant_codec.h), expiring after the idle limit; every Find
// restarts that time. A request's changes are written back by Save, and only
// when the values changed. Two requests of one visitor that change the
// session at once: the later write wins.
//
// The cap on sessions is per server: each server refuses Add once it has
// added `max_sessions` sessions within the last idle limit. A session not
// used again is gone after the idle limit, so this bounds what a flood of
// logins through one server leaves in Redis, without a shared counter that
// every Find would have to keep up to date; the sessions in use are the
// visitors' own. size() counts those recent additions of this server.
//
// Every method but size() and full() throws RedisError when Redis cannot be
// reached. Thread safety: every method may be called from any thread.

#ifndef TAVOLIN_SERVER_REDIS_SESSION_STORE_H_
#define TAVOLIN_SERVER_REDIS_SESSION_STORE_H_

#include <chrono>
#include <deque>
#include <mutex>
#include <string>

#include "platform/redis_connection.h"
#include "server/session_store.h"

namespace tavolin::server {

class RedisSessionStore : public SessionStore {
 public:
  // Throws std::invalid_argument for a malformed url; connects on first use.
  explicit RedisSessionStore(std::string url,
                             std::chrono::milliseconds idle_limit = std::chrono::minutes(20),
                             size_t max_sessions = 200'000);

  // The key of the session `id`.
  static std::string Key(std::string_view id);

  std::shared_ptr<MemorySession> Find(std::string_view id) override;
  std::optional<std::string> Add(std::shared_ptr<MemorySession> session) override
      LOCKS_EXCLUDED(mutex_);
  void Save(std::string_view id, const MemorySession& session) override;
  void End(std::string_view id) override;
  size_t size() override LOCKS_EXCLUDED(mutex_);
  bool full() override LOCKS_EXCLUDED(mutex_);

 private:
  // Drops the additions older than the idle limit from the count.
  void Forget(std::chrono::steady_clock::time_point now) EXCLUSIVE_LOCKS_REQUIRED(mutex_);

  RedisConnectionPool redis_;
  const std::chrono::milliseconds idle_limit_;
  const std::string idle_millis_;
  const size_t max_sessions_;
  std::mutex mutex_;
  std::deque<std::chrono::steady_clock::time_point> added_ GUARDED_BY(mutex_);  // oldest first
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_REDIS_SESSION_STORE_H_
