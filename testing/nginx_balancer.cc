// Copyright Tavolin developers.

#include "testing/nginx_balancer.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "testing/free_port.h"

namespace tavolin::testing {

std::string NginxConfiguration(const std::vector<uint16_t>& servers, uint16_t port,
                               const std::string& folder, const BalancerOptions& options) {
  std::ostringstream conf;
  conf << "daemon off;\n"
       << "worker_processes " << options.workers << ";\n"
       << "worker_rlimit_nofile " << 2 * options.worker_connections + 64 << ";\n"
       << "pid " << folder << "/nginx.pid;\n"
       << "error_log stderr warn;\n";
  // Run as root, the workers would otherwise become nobody, who may not use
  // this folder.
  if (::geteuid() == 0) conf << "user root;\n";
  conf << "events { worker_connections " << options.worker_connections << "; }\n"
       << "http {\n"
       << "  access_log off;\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    conf << "  " << kind << "_temp_path " << folder << "/" << kind << ";\n";
  }
  conf << "  upstream chat {\n";
  // A server that refused a connection is left out for two seconds, so one
  // started again soon gets its share.
  for (const uint16_t server : servers) {
    conf << "    server 127.0.0.1:" << server << " max_fails=1 fail_timeout=2s;\n";
  }
  if (options.keepalive > 0) conf << "    keepalive " << options.keepalive << ";\n";
  conf << "  }\n"
       << "  server {\n"
       << "    listen 127.0.0.1:" << port << ";\n"
       << "    location / {\n"
       << "      proxy_pass http://chat;\n"
       << "      proxy_http_version 1.1;\n"
       << "      proxy_set_header Connection \"\";\n"
       << "      proxy_set_header Host $http_host;\n"
       // Above the longest waiting poll (30 s).
       << "      proxy_read_timeout 60s;\n"
       << "      proxy_connect_timeout 2s;\n"
       << "      proxy_next_upstream error timeout;\n"
       // A client that shuts down its sending side after the request still
       // reads the answer.
       << "      proxy_ignore_client_abort on;\n"
       << "    }\n"
       << "  }\n"
       << "}\n";
  return conf.str();
}

NginxBalancer::NginxBalancer(const std::vector<uint16_t>& servers, const BalancerOptions& options)
    : port_(static_cast<uint16_t>(FreePort())) {
  if (!std::filesystem::exists(kNginxBinary)) {
    throw std::runtime_error(std::string("nginx is not installed (no ") + kNginxBinary +
                             "): run scripts/install-deps.sh");
  }
  const std::filesystem::path conf = folder_.path / "nginx.conf";
  std::ofstream(conf) << NginxConfiguration(servers, port_, folder_.path.string(), options);
  nginx_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{kNginxBinary, "-e", "stderr", "-p", folder_.path.string(), "-c",
                               conf.string()},
      folder_.path / "error.log");
  nginx_->AwaitPort(port_, std::chrono::seconds(30));
}

}  // namespace tavolin::testing
