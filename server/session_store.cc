// Copyright Tavolin developers.

#include "server/session_store.h"

#include "server/secrets.h"

namespace tavolin::server {

MemorySessionStore::MemorySessionStore(std::chrono::seconds idle_limit, size_t max_sessions,
                                       Clock clock)
    : idle_limit_(idle_limit),
      max_sessions_(max_sessions),
      clock_(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }) {}

std::shared_ptr<MemorySession> MemorySessionStore::Find(std::string_view id) {
  const auto now = clock_();
  std::shared_ptr<MemorySession> session;
  bool expired_ones = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = sessions_.find(id);
    if (found != sessions_.end() && now - found->second->last_use <= idle_limit_) {
      const Entries::iterator entry = found->second;
      entry->last_use = now;
      by_use_.splice(by_use_.end(), by_use_, entry);  // now the most recently used
      session = entry->session;
    }
    expired_ones = !by_use_.empty() && now - by_use_.front().last_use > idle_limit_;
  }
  // One lock for a poll; the sweep takes its own only when something expired.
  if (expired_ones) Sweep(now);
  return session;
}

std::optional<std::string> MemorySessionStore::Add(std::shared_ptr<MemorySession> session) {
  const auto now = clock_();
  std::string id = NewSecret();
  Sweep(now);
  std::lock_guard<std::mutex> lock(mutex_);
  if (sessions_.size() >= max_sessions_) return std::nullopt;
  by_use_.push_back(Entry{id, std::move(session), now});
  sessions_.emplace(std::string_view(by_use_.back().id), std::prev(by_use_.end()));
  return id;
}

void MemorySessionStore::End(std::string_view id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = sessions_.find(id);
  if (found == sessions_.end()) return;
  const Entries::iterator entry = found->second;
  sessions_.erase(found);
  by_use_.erase(entry);
}

size_t MemorySessionStore::size() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sessions_.size();
}

bool MemorySessionStore::full() {
  Sweep(clock_());
  return size() >= max_sessions_;
}

void MemorySessionStore::Sweep(std::chrono::steady_clock::time_point now) {
  static constexpr size_t kBatch = 256;
  for (bool more = true; more;) {
    Entries dropped;  // freed at the end of each round, after the lock is let go
    std::lock_guard<std::mutex> lock(mutex_);
    while (dropped.size() < kBatch && !by_use_.empty() &&
           now - by_use_.front().last_use > idle_limit_) {
      sessions_.erase(std::string_view(by_use_.front().id));
      dropped.splice(dropped.end(), by_use_, by_use_.begin());
    }
    more = dropped.size() == kBatch;
  }
}

}  // namespace tavolin::server
