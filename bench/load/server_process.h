// Copyright Tavolin developers.
//
// A server under load as a child process: found on the port its first line
// of output names ("... listening on http://HOST:PORT/ ..."), its standard
// error kept in a log file, stopped with SIGTERM (SIGKILL after ten seconds)
// when the object goes.

#ifndef TAVOLIN_BENCH_LOAD_SERVER_PROCESS_H_
#define TAVOLIN_BENCH_LOAD_SERVER_PROCESS_H_

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavolin::load {

class ServerProcess {
 public:
  // Throws std::runtime_error when the server cannot start or names no port
  // within 30 seconds.
  ServerProcess(const std::vector<std::string>& command, const std::filesystem::path& log);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  uint16_t port() const { return port_; }
  // The resident memory of the server now, in bytes (from /proc).
  int64_t ResidentBytes() const;
  // The first `lines` lines of the log and how many there are in all; ""
  // for an empty log.
  std::string LogSummary(int lines) const;

 private:
  void Stop();

  pid_t pid_ = -1;
  int output_ = -1;  // read end of the server's standard output
  uint16_t port_ = 0;
  std::filesystem::path log_;
};

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_SERVER_PROCESS_H_
