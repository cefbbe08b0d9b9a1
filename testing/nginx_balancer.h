// Copyright Tavolin developers.
//
// nginx in front of several chat servers on loopback, round-robin, as a
// child process with a configuration of its own in a temporary folder (its
// pid file, temporary files and log there too). It passes the browser's Host
// on (the server refuses a POST whose Origin is not its Host), holds
// requests longer than the longest waiting poll, and sends a request that
// cannot reach one server to the next.

#ifndef TAVOLIN_TESTING_NGINX_BALANCER_H_
#define TAVOLIN_TESTING_NGINX_BALANCER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/server_process.h"
#include "testing/temp_folder.h"

namespace tavolin::testing {

inline constexpr const char* kNginxBinary = "/usr/sbin/nginx";

struct BalancerOptions {
  int workers = 1;
  // Connections a worker holds at once, to browsers and to servers together.
  int worker_connections = 1024;
  // Idle connections to the servers kept open per worker for the next
  // requests; 0 opens one per request.
  int keepalive = 0;
};

// The nginx configuration for `servers` (ports on 127.0.0.1), listening on
// `port`, with its files in `folder`.
std::string NginxConfiguration(const std::vector<uint16_t>& servers, uint16_t port,
                               const std::string& folder, const BalancerOptions& options);

class NginxBalancer {
 public:
  // Starts nginx and waits until its port answers. Throws std::runtime_error
  // when it is not installed (saying to run scripts/install-deps.sh) or does
  // not start.
  explicit NginxBalancer(const std::vector<uint16_t>& servers, const BalancerOptions& options = {});

  uint16_t port() const { return port_; }

 private:
  TempFolder folder_{"tavolin-nginx"};
  uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> nginx_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_NGINX_BALANCER_H_
