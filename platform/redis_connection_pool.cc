// Copyright Tavolin developers.

#include "platform/redis_connection.h"

namespace tavolin {

RedisConnectionPool::RedisConnectionPool(std::string url, size_t max_idle)
    : url_(std::move(url)), max_idle_(max_idle) {
  RedisAddress check(url_);  // a malformed url fails here, not on the first call
}

template <typename Call>
auto RedisConnectionPool::With(Call call) {
  std::unique_ptr<RedisConnection> connection;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!idle_.empty()) {
      connection = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  // Connecting happens outside the lock, so a slow server holds up only the
  // threads that need a new connection.
  if (!connection) connection = std::make_unique<RedisConnection>(url_);
  // An error reply leaves the connection sound; a lost one is dropped.
  struct GiveBack {
    RedisConnectionPool& pool;
    std::unique_ptr<RedisConnection>& connection;
    ~GiveBack() {
      if (!connection->healthy()) return;
      std::lock_guard<std::mutex> lock(pool.mutex_);
      if (pool.idle_.size() < pool.max_idle_) pool.idle_.push_back(std::move(connection));
    }
  } give_back{*this, connection};
  return call(*connection);
}

RedisReply RedisConnectionPool::Command(const std::vector<std::string>& args) {
  return With([&](RedisConnection& connection) { return connection.Command(args); });
}

std::vector<RedisReply> RedisConnectionPool::Pipeline(
    const std::vector<std::vector<std::string>>& commands) {
  return With([&](RedisConnection& connection) { return connection.Pipeline(commands); });
}

RedisReply RedisConnectionPool::Run(const RedisScript& script, const std::vector<std::string>& keys,
                                    const std::vector<std::string>& args) {
  return With([&](RedisConnection& connection) { return connection.Run(script, keys, args); });
}

}  // namespace tavolin
