// Copyright Tavolin developers.
//
// Several `tavolin serve` processes on one database (and one live state,
// when given) behind nginx: each on a loopback port chosen before it starts,
// so that a server killed and started again is where the balancer looks for
// it. The servers start one after the other, the first alone on the chat.
// Everything stops, and the logs go, when the object goes.

#ifndef TAVOLIN_TESTING_SERVED_CLUSTER_H_
#define TAVOLIN_TESTING_SERVED_CLUSTER_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "testing/nginx_balancer.h"
#include "testing/server_process.h"
#include "testing/temp_folder.h"

namespace tavolin::testing {

struct ClusterOptions {
  std::filesystem::path tavolin;  // the binary
  std::string database;           // --db
  std::string live;               // --live; "" for none
  int servers = 2;
  std::vector<std::string> serve_flags;  // given to every server besides those
  BalancerOptions balancer;
};

class ServedCluster {
 public:
  // Throws std::runtime_error when a server or the balancer does not start.
  explicit ServedCluster(ClusterOptions options);

  // The balancer's port.
  uint16_t port() const { return balancer_->port(); }
  int servers() const { return static_cast<int>(ports_.size()); }
  // Server `i`'s own port, past the balancer.
  uint16_t server_port(int i) const { return ports_[i]; }

  // Ends server `i` with SIGKILL, as a crash would.
  void Kill(int i);
  // Starts server `i` again on its port; returns when it listens.
  void Start(int i);

  // The resident memory of all the servers now, in bytes.
  int64_t ResidentBytes() const;
  // Each server's LogSummary(lines) under its number; "" when all are empty.
  std::string LogSummary(int lines) const;

 private:
  ClusterOptions options_;
  TempFolder folder_{"tavolin-cluster"};
  std::vector<uint16_t> ports_;
  std::vector<int> starts_;  // per server, for a log file per start
  std::vector<std::unique_ptr<ServerProcess>> processes_;
  // Last, so it stops first and no request reaches a server that is stopping.
  std::unique_ptr<NginxBalancer> balancer_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_SERVED_CLUSTER_H_
