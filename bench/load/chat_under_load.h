// Copyright Tavolin developers.
//
// The chat the load runs against, on a fresh database made for the step's
// visitors: one `tavolin serve` on SQLite, or several on a PostgreSQL
// database sharing their live state in a Redis database of their own (on
// the one Redis server of the run), behind nginx.

#ifndef TAVOLIN_BENCH_LOAD_CHAT_UNDER_LOAD_H_
#define TAVOLIN_BENCH_LOAD_CHAT_UNDER_LOAD_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "testing/served_cluster.h"
#include "testing/server_process.h"

namespace tavolin::load {

struct ChatSetup {
  std::filesystem::path tavolin;
  int servers = 1;
  int visitors = 0;
  int say_ring_lines = 200;
  // Connections the balancer must hold at once from the client.
  int client_connections = 0;
};

class ChatUnderLoad {
 public:
  // Logs and the SQLite database go to `folder`. Throws when a server does
  // not start.
  ChatUnderLoad(const ChatSetup& setup, const std::filesystem::path& folder);

  // Where the client connects: the server, or the balancer.
  uint16_t port() const;
  // The servers' resident memory, with the memory Redis holds.
  int64_t ResidentBytes() const;
  // The live state's Redis database; "" with one server.
  const std::string& redis_url() const { return redis_url_; }
  std::string LogSummary(int lines) const;

 private:
  std::string redis_url_;
  std::unique_ptr<testing::ServerProcess> single_;
  std::unique_ptr<testing::ServedCluster> cluster_;
};

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_CHAT_UNDER_LOAD_H_
