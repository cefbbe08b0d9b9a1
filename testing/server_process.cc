// Copyright Tavolin developers.

#include "testing/server_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tavolin::testing {

namespace {

using std::chrono::steady_clock;

// The port of "http://HOST:PORT/" in `line`, 0 when there is none.
uint16_t PortNamed(const std::string& line) {
  std::smatch port;
  const bool named = std::regex_search(line, port, std::regex("http://[^/]*:([0-9]{1,5})/"));
  return named ? static_cast<uint16_t>(std::stoi(port[1])) : 0;
}

bool Accepts(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool accepted =
      fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  return accepted;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::filesystem::path& log)
    : log_(log) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for " + command[0]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, led by the child
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  output_ = pipe_ends[0];
  if (spawned != 0) {
    pid_ = -1;
    ::close(output_);
    output_ = -1;
    throw std::runtime_error("cannot start " + command[0]);
  }
}

ChildProcess::~ChildProcess() { Stop(); }

std::string ChildProcess::NextLine(std::chrono::seconds limit) {
  const auto deadline = steady_clock::now() + limit;
  std::string line;
  char c = 0;
  while (output_ >= 0 && steady_clock::now() < deadline) {
    pollfd ready{output_, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
    if (::poll(&ready, 1, static_cast<int>(std::max<int64_t>(left.count(), 1))) <= 0) continue;
    if (::read(output_, &c, 1) != 1) return "";
    if (c == '\n') return line;
    line += c;
  }
  return "";
}

void ChildProcess::AwaitPort(uint16_t port, std::chrono::seconds limit) {
  const auto deadline = steady_clock::now() + limit;
  while (!Accepts(port)) {
    if (!Running() || steady_clock::now() > deadline) {
      throw std::runtime_error("nothing answers on port " + std::to_string(port) + "\n" +
                               LogSummary(10));
    }
    // Between two tries of the port, not a wait for the server.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == 0) return true;
  pid_ = -1;
  return false;
}

void ChildProcess::Stop() { End(SIGTERM, std::chrono::seconds(10)); }

void ChildProcess::Kill() { End(SIGKILL, std::chrono::seconds(0)); }

void ChildProcess::End(int signal, std::chrono::seconds grace) {
  if (pid_ > 0) {
    ::kill(-pid_, signal);
    const auto deadline = steady_clock::now() + grace;
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (steady_clock::now() >= deadline) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Whatever the process left in its group goes too.
    ::kill(-pid_, SIGKILL);
    pid_ = -1;
  }
  if (output_ >= 0) ::close(output_);
  output_ = -1;
}

int64_t ChildProcess::ResidentBytes() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  return 0;
}

std::string ChildProcess::LogSummary(int lines) const {
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

ServerProcess::ServerProcess(const std::vector<std::string>& command,
                             const std::filesystem::path& log)
    : ChildProcess(command, log) {
  port_ = PortNamed(NextLine(std::chrono::seconds(30)));
  if (port_ == 0) {
    const std::string why = command[0] + " named no port\n" + LogSummary(10);
    Stop();
    throw std::runtime_error(why);
  }
}

}  // namespace tavolin::testing
