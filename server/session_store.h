// Copyright Tavolin developers.
//
// SessionStore: the server-side sessions of the visitors, each found by a
// 128-bit random identifier that the browser keeps in a cookie. A session
// that has not been used for the idle limit is gone. MemorySessionStore, the
// default, keeps them in this process and holds at most a set number of
// sessions; RedisSessionStore (server/redis_session_store.h) keeps them
// where every server finds them.
//
// Thread safety: every method may be called from any thread.

#ifndef TAVOLIN_SERVER_SESSION_STORE_H_
#define TAVOLIN_SERVER_SESSION_STORE_H_

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tavolin/session.h"
#include "tavolin/thread_annotations.h"

namespace tavolin::server {

class SessionStore {
 public:
  virtual ~SessionStore() = default;

  // The live session of `id`, its idle time restarted; nullptr when there is
  // none (never issued, ended, or idle past the limit).
  virtual std::shared_ptr<MemorySession> Find(std::string_view id) = 0;
  // Keeps `session` under a new identifier, 32 hex digits from the operating
  // system's random source, and returns it; nullopt, keeping nothing, when
  // the store already holds its most sessions.
  virtual std::optional<std::string> Add(std::shared_ptr<MemorySession> session) = 0;
  // Keeps what a request changed in the session of `id` (as found or added);
  // a session ended meanwhile stays ended.
  virtual void Save(std::string_view id, const MemorySession& session) = 0;
  // Ends the session of `id` (no-op when there is none).
  virtual void End(std::string_view id) = 0;
  // The number of sessions held (see each store for what it counts).
  virtual size_t size() = 0;
  // Whether Add would refuse now.
  virtual bool full() = 0;
};

class MemorySessionStore : public SessionStore {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `clock` defaults to the steady clock; tests pass their own.
  explicit MemorySessionStore(std::chrono::seconds idle_limit = std::chrono::minutes(20),
                              size_t max_sessions = 200'000, Clock clock = nullptr);

  std::shared_ptr<MemorySession> Find(std::string_view id) override LOCKS_EXCLUDED(mutex_);
  std::optional<std::string> Add(std::shared_ptr<MemorySession> session) override
      LOCKS_EXCLUDED(mutex_);
  // Nothing to do: the store holds the very session object the request changed.
  void Save(std::string_view id, const MemorySession& session) override {}
  void End(std::string_view id) override LOCKS_EXCLUDED(mutex_);
  // The sessions held (those idle past the limit may still count until the
  // next Find or Add sweeps them).
  size_t size() override LOCKS_EXCLUDED(mutex_);
  bool full() override LOCKS_EXCLUDED(mutex_);

 private:
  struct Entry {
    std::string id;
    std::shared_ptr<MemorySession> session;
    std::chrono::steady_clock::time_point last_use;
  };
  using Entries = std::list<Entry>;
  // Drops the sessions idle past the limit: the least recently used stand
  // first, so it looks only at those that expired. It takes the lock for a
  // small batch at a time, and the dropped sessions are freed outside it, so
  // that many sessions expiring together never hold the other requests up.
  void Sweep(std::chrono::steady_clock::time_point now) LOCKS_EXCLUDED(mutex_);

  const std::chrono::seconds idle_limit_;
  const size_t max_sessions_;
  const Clock clock_;
  std::mutex mutex_;
  // Sessions by last use, oldest first, and the index into them by id; the
  // index's keys view the entries' own ids, which a list never moves.
  Entries by_use_ GUARDED_BY(mutex_);
  std::unordered_map<std::string_view, Entries::iterator> sessions_ GUARDED_BY(mutex_);
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_SESSION_STORE_H_
