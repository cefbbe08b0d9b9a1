// Copyright Tavolin developers.
//
// Servers run as child processes, each in a process group of its own so that
// whatever it starts goes with it: the standard error kept in a log file,
// stopped with SIGTERM (SIGKILL after ten seconds) when the object goes, or
// killed at once on request.

#ifndef TAVOLIN_TESTING_SERVER_PROCESS_H_
#define TAVOLIN_TESTING_SERVER_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavolin::testing {

class ChildProcess {
 public:
  // Starts `command` (its first word a path); throws std::runtime_error when
  // it cannot.
  ChildProcess(const std::vector<std::string>& command, const std::filesystem::path& log);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of the standard output, read within `limit`; "" when the
  // process ends or stays silent.
  std::string NextLine(std::chrono::seconds limit);
  // Waits until something accepts connections on 127.0.0.1:`port`; throws
  // std::runtime_error, with the start of the log, when the process ends or
  // `limit` passes first.
  void AwaitPort(uint16_t port, std::chrono::seconds limit);
  // SIGTERM to the group, SIGKILL after ten seconds; the process is reaped.
  void Stop();
  // SIGKILL to the group at once, as a crash would end it; reaped.
  void Kill();
  bool Running();

  // The resident memory of the process now, in bytes (from /proc).
  int64_t ResidentBytes() const;
  // The first `lines` lines of the log and how many there are in all; ""
  // for an empty log.
  std::string LogSummary(int lines) const;

 private:
  void End(int signal, std::chrono::seconds grace);

  pid_t pid_ = -1;
  int output_ = -1;  // read end of the standard output
  std::filesystem::path log_;
};

// A server that names its port in its first line of output
// ("... listening on http://HOST:PORT/ ...").
class ServerProcess : public ChildProcess {
 public:
  // Throws std::runtime_error when the server cannot start or names no port
  // within 30 seconds.
  ServerProcess(const std::vector<std::string>& command, const std::filesystem::path& log);

  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_SERVER_PROCESS_H_
