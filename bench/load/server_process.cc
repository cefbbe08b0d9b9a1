// Copyright Tavolin developers.

#include "bench/load/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tavolin::load {

namespace {

using std::chrono::steady_clock;

// The first line the server writes, read within `limit`; "" when it ends or
// stays silent.
std::string FirstLine(int fd, std::chrono::seconds limit) {
  const auto deadline = steady_clock::now() + limit;
  std::string line;
  char c = 0;
  while (steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
    if (::poll(&ready, 1, static_cast<int>(std::max<int64_t>(left.count(), 1))) <= 0) continue;
    if (::read(fd, &c, 1) != 1) return "";
    if (c == '\n') return line;
    line += c;
  }
  return "";
}

// The port of "http://HOST:PORT/" in `line`, 0 when there is none.
uint16_t PortNamed(const std::string& line) {
  std::smatch port;
  const bool named = std::regex_search(line, port, std::regex("http://[^/]*:([0-9]{1,5})/"));
  return named ? static_cast<uint16_t>(std::stoi(port[1])) : 0;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& command,
                             const std::filesystem::path& log)
    : log_(log) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for the server");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  output_ = pipe_ends[0];
  if (spawned != 0) {
    pid_ = -1;
    ::close(output_);
    throw std::runtime_error("cannot start " + command[0]);
  }
  port_ = PortNamed(FirstLine(output_, std::chrono::seconds(30)));
  if (port_ == 0) {
    Stop();
    throw std::runtime_error(command[0] + " named no port\n" + LogSummary(10));
  }
}

ServerProcess::~ServerProcess() { Stop(); }

void ServerProcess::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    const auto deadline = steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
  }
  if (output_ >= 0) ::close(output_);
  output_ = -1;
}

int64_t ServerProcess::ResidentBytes() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  return 0;
}

std::string ServerProcess::LogSummary(int lines) const {
  std::ifstream in(log_);
  std::string line;
  std::ostringstream head;
  int count = 0;
  while (std::getline(in, line)) {
    if (count++ < lines) head << "  " << line << '\n';
  }
  if (count == 0) return "";
  head << "  (" << count << " lines in " << log_.filename().string() << ")\n";
  return head.str();
}

}  // namespace tavolin::load
