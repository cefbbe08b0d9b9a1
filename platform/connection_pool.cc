// Copyright Tavolin developers.

#include "tavolin/connection_pool.h"

namespace tavolin {

// A pooled connection while a caller holds it: the statements go to the
// connection, and the connection goes back to the pool at the end.
class ConnectionPool::Lent : public Connection {
 public:
  Lent(std::shared_ptr<ConnectionPool> pool, Key key, std::unique_ptr<Connection> connection)
      : pool_(std::move(pool)), key_(std::move(key)), connection_(std::move(connection)) {}
  ~Lent() override { pool_->GiveBack(key_, std::move(connection_)); }

  std::unique_ptr<RecordSet> Execute(std::string_view command,
                                     const std::vector<Variant>& params) override {
    return connection_->Execute(command, params);
  }
  bool Reusable() const override { return connection_->Reusable(); }

 private:
  std::shared_ptr<ConnectionPool> pool_;  // kept alive while the connection is out
  Key key_;
  std::unique_ptr<Connection> connection_;
};

std::unique_ptr<Connection> ConnectionPool::Open(const std::string& connection_string, Env* env,
                                                 std::string_view create_script) {
  Key key(connection_string, env);
  std::unique_ptr<Connection> connection;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = idle_.find(key);
    if (found != idle_.end() && !found->second.empty()) {
      connection = std::move(found->second.back());
      found->second.pop_back();
    }
  }
  // Opening waits for the file, so it happens outside the lock.
  if (!connection) connection = OpenConnection(connection_string, env, create_script);
  return std::make_unique<Lent>(shared_from_this(), std::move(key), std::move(connection));
}

void ConnectionPool::GiveBack(const Key& key, std::unique_ptr<Connection> connection) {
  if (!connection || !connection->Reusable()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::unique_ptr<Connection>>& idle = idle_[key];
  if (idle.size() < kMaxIdle) idle.push_back(std::move(connection));
}

std::shared_ptr<ConnectionPool> ConnectionPoolOf(Application& application) {
  // Only pools are stored under this key, so the cast cannot fail.
  return std::static_pointer_cast<ConnectionPool>(application.GetOrMakeObject(
      "_connection_pool", [] { return std::make_shared<ConnectionPool>(); }));
}

}  // namespace tavolin
