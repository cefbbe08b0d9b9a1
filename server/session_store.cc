// Copyright Tavolin developers.

#include "server/session_store.h"

#include <sys/random.h>

#include <array>
#include <stdexcept>

namespace tavolin::server {

namespace {

std::string RandomIdentifier() {
  std::array<unsigned char, 16> bytes{};
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) throw std::runtime_error("no random bytes from the operating system");
    filled += static_cast<size_t>(got);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (const unsigned char byte : bytes) {
    id += kHex[byte >> 4];
    id += kHex[byte & 15];
  }
  return id;
}

}  // namespace

SessionStore::SessionStore(std::chrono::seconds idle_limit, Clock clock)
    : idle_limit_(idle_limit),
      clock_(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }) {}

std::shared_ptr<MemorySession> SessionStore::Find(std::string_view id) {
  const auto now = clock_();
  std::lock_guard<std::mutex> lock(mutex_);
  Sweep(now);
  const auto found = sessions_.find(id);
  if (found == sessions_.end()) return nullptr;
  const Entries::iterator entry = found->second;
  entry->last_use = now;
  by_use_.splice(by_use_.end(), by_use_, entry);  // now the most recently used
  return entry->session;
}

std::pair<std::string, std::shared_ptr<MemorySession>> SessionStore::Create() {
  const auto now = clock_();
  auto session = std::make_shared<MemorySession>();
  std::string id = RandomIdentifier();
  std::lock_guard<std::mutex> lock(mutex_);
  Sweep(now);
  by_use_.push_back(Entry{id, session, now});
  sessions_.emplace(std::string_view(by_use_.back().id), std::prev(by_use_.end()));
  return {std::move(id), std::move(session)};
}

void SessionStore::End(std::string_view id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = sessions_.find(id);
  if (found == sessions_.end()) return;
  const Entries::iterator entry = found->second;
  sessions_.erase(found);
  by_use_.erase(entry);
}

size_t SessionStore::size() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sessions_.size();
}

void SessionStore::Sweep(std::chrono::steady_clock::time_point now) {
  while (!by_use_.empty() && now - by_use_.front().last_use > idle_limit_) {
    sessions_.erase(std::string_view(by_use_.front().id));
    by_use_.pop_front();
  }
}

}  // namespace tavolin::server
