// Copyright Tavolin developers.

#include "testing/served_cluster.h"

#include "testing/free_port.h"

namespace tavolin::testing {

ServedCluster::ServedCluster(ClusterOptions options)
    : options_(std::move(options)), starts_(options_.servers), processes_(options_.servers) {
  for (int i = 0; i < options_.servers; ++i) {
    ports_.push_back(static_cast<uint16_t>(FreePort()));
    Start(i);
  }
  balancer_ = std::make_unique<NginxBalancer>(ports_, options_.balancer);
}

void ServedCluster::Kill(int i) { processes_[i]->Kill(); }

void ServedCluster::Start(int i) {
  processes_[i].reset();
  std::vector<std::string> command = {options_.tavolin.string(),
                                      "serve",
                                      "--listen",
                                      "127.0.0.1:" + std::to_string(ports_[i]),
                                      "--db",
                                      options_.database};
  if (!options_.live.empty()) command.insert(command.end(), {"--live", options_.live});
  command.insert(command.end(), options_.serve_flags.begin(), options_.serve_flags.end());
  const std::string log =
      "server-" + std::to_string(i) + "." + std::to_string(starts_[i]++) + ".log";
  processes_[i] = std::make_unique<ServerProcess>(command, folder_.path / log);
}

int64_t ServedCluster::ResidentBytes() const {
  int64_t bytes = 0;
  for (const auto& process : processes_) bytes += process->ResidentBytes();
  return bytes;
}

std::string ServedCluster::LogSummary(int lines) const {
  std::string summary;
  for (int i = 0; i < servers(); ++i) {
    if (const std::string log = processes_[i]->LogSummary(lines); !log.empty()) {
      summary += "server " + std::to_string(i) + ":\n" + log;
    }
  }
  return summary;
}

}  // namespace tavolin::testing
