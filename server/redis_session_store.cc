// Copyright Tavolin developers.

#include "server/redis_session_store.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

#include "platform/variant_codec.h"
#include "server/error_log.h"
#include "server/secrets.h"

namespace tavolin::server {
namespace {

// A session as read from Redis, with the encoding it was read in, so that
// Save can tell whether the request changed it.
class StoredSession : public MemorySession {
 public:
  explicit StoredSession(std::string encoded) : encoded_(std::move(encoded)) {}
  const std::string& encoded() const { return encoded_; }

 private:
  const std::string encoded_;
};

// The values in name order, so that equal sessions encode equally whatever
// order their maps hold them in.
std::string Encode(const MemorySession& session) {
  NamedValues values = session.Values();
  std::sort(values.begin(), values.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return EncodeNamedValues(values);
}

// Ids are 32 hex digits: anything else in a cookie names no session.
bool PlausibleId(std::string_view id) {
  return id.size() == 32 && id.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

RedisSessionStore::RedisSessionStore(std::string url, std::chrono::milliseconds idle_limit,
                                     size_t max_sessions)
    : redis_(std::move(url)),
      idle_limit_(idle_limit),
      idle_millis_(std::to_string(idle_limit.count())),
      max_sessions_(max_sessions) {}

std::string RedisSessionStore::Key(std::string_view id) {
  return "tavolin:session:{" + std::string(id) + "}";
}

std::shared_ptr<MemorySession> RedisSessionStore::Find(std::string_view id) {
  if (!PlausibleId(id)) return nullptr;
  const RedisReply reply = redis_.Command({"GETEX", Key(id), "PX", idle_millis_});
  if (reply.type != RedisReply::Type::kString) return nullptr;
  NamedValues values;
  try {
    values = DecodeNamedValues(reply.text);
  } catch (const std::invalid_argument& e) {
    // Not a session this server can read: the visitor logs in again.
    std::cerr << "tavolin: session " << LogEscape(std::string(id)) << " unreadable: " << e.what()
              << '\n';
    return nullptr;
  }
  auto session = std::make_shared<StoredSession>(reply.text);
  for (auto& [name, value] : values) session->Set(name, std::move(value));
  return session;
}

std::optional<std::string> RedisSessionStore::Add(std::shared_ptr<MemorySession> session) {
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Forget(now);
    if (added_.size() >= max_sessions_) return std::nullopt;
  }
  const std::string encoded = Encode(*session);
  // A new id that some session already has (it does not happen with 128
  // random bits, but SET NX makes sure) is drawn again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string id = NewSecret();
    if (redis_.Command({"SET", Key(id), encoded, "NX", "PX", idle_millis_}).type ==
        RedisReply::Type::kNil) {
      continue;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    added_.push_back(now);
    return id;
  }
  throw RedisError("no unused session id in three draws");
}

void RedisSessionStore::Save(std::string_view id, const MemorySession& session) {
  const std::string encoded = Encode(session);
  const auto* stored = dynamic_cast<const StoredSession*>(&session);
  if (stored != nullptr && stored->encoded() == encoded) return;
  // XX: a session ended meanwhile (by another request or server) is not
  // brought back.
  redis_.Command({"SET", Key(id), encoded, "XX", "PX", idle_millis_});
}

void RedisSessionStore::End(std::string_view id) {
  if (PlausibleId(id)) redis_.Command({"DEL", Key(id)});
}

size_t RedisSessionStore::size() {
  std::lock_guard<std::mutex> lock(mutex_);
  Forget(std::chrono::steady_clock::now());
  return added_.size();
}

bool RedisSessionStore::full() { return size() >= max_sessions_; }

void RedisSessionStore::Forget(std::chrono::steady_clock::time_point now) {
  while (!added_.empty() && now - added_.front() > idle_limit_) added_.pop_front();
}

}  // namespace tavolin::server
