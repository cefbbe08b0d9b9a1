// Copyright Tavolin developers.

#include "bench/load/chat_under_load.h"

#include "bench/load/closed_loop.h"
#include "bench/load/redis_info.h"
#include "testing/postgres_cluster.h"
#include "testing/redis_server.h"

namespace tavolin::load {

ChatUnderLoad::ChatUnderLoad(const ChatSetup& setup, const std::filesystem::path& folder) {
  const std::string name = "chat-" + std::to_string(setup.visitors);
  if (setup.servers <= 1) {
    const std::string database = "sqlite:" + (folder / (name + ".db")).string();
    PrepareChatDatabase(database, setup.visitors, setup.say_ring_lines);
    single_ = std::make_unique<testing::ServerProcess>(
        std::vector<std::string>{setup.tavolin.string(), "serve", "--listen", "127.0.0.1:0", "--db",
                                 database},
        folder / (name + ".log"));
    return;
  }
  redis_url_ = testing::NewRedisUrl();
  const std::string database = testing::NewPostgresDatabase();
  PrepareChatDatabase(database, setup.visitors, setup.say_ring_lines);
  // Each request through the balancer holds a connection from the client
  // and one to a server.
  const int held = 2 * setup.client_connections + 256;
  cluster_ = std::make_unique<testing::ServedCluster>(testing::ClusterOptions{
      .tavolin = setup.tavolin,
      .database = database,
      .live = redis_url_,
      .servers = setup.servers,
      .serve_flags = {},
      .balancer = {.workers = 1, .worker_connections = held, .keepalive = 128}});
}

uint16_t ChatUnderLoad::port() const { return single_ ? single_->port() : cluster_->port(); }

int64_t ChatUnderLoad::ResidentBytes() const {
  if (single_) return single_->ResidentBytes();
  return cluster_->ResidentBytes() + ReadRedisInfo(redis_url_).used_memory;
}

std::string ChatUnderLoad::LogSummary(int lines) const {
  return single_ ? single_->LogSummary(lines) : cluster_->LogSummary(lines);
}

}  // namespace tavolin::load
