// Copyright Tavolin developers.

#include "bench/load/redis_info.h"

#include <stdio.h>

#include <regex>
#include <sstream>
#include <stdexcept>

namespace tavolin::load {

namespace {

// The output of redis-cli with `arguments` against `url`; throws
// std::runtime_error when it fails.
std::string RedisCommand(const std::string& url, const std::string& arguments) {
  const std::string command = "redis-cli -u '" + url + "' " + arguments;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char chunk[4096];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, got);
  if (::pclose(pipe) != 0) throw std::runtime_error(command + " failed: " + output);
  return output;
}

}  // namespace

CommandCost RedisInfo::Total() const {
  CommandCost total;
  for (const auto& [name, cost] : commands) {
    total.calls += cost.calls;
    total.usec += cost.usec;
  }
  return total;
}

RedisInfo RedisInfo::Since(const RedisInfo& before) const {
  RedisInfo since{{}, used_memory - before.used_memory};
  for (const auto& [name, cost] : commands) {
    const auto earlier = before.commands.find(name);
    const CommandCost old = earlier == before.commands.end() ? CommandCost{} : earlier->second;
    if (cost.calls > old.calls)
      since.commands[name] = {cost.calls - old.calls, cost.usec - old.usec};
  }
  return since;
}

RedisInfo ParseRedisInfo(const std::string& info) {
  static const std::regex command("^cmdstat_([^:]+):calls=([0-9]+),usec=([0-9]+)");
  static const std::regex memory("^used_memory:([0-9]+)");
  RedisInfo read;
  std::istringstream lines(info);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, command)) {
      read.commands[match[1]] = {std::stoull(match[2]), std::stoull(match[3])};
    } else if (std::regex_search(line, match, memory)) {
      read.used_memory = std::stoll(match[1]);
    }
  }
  return read;
}

RedisInfo ReadRedisInfo(const std::string& url) {
  // INFO speaks for the whole server: asked without a database number,
  // redis-cli sends no SELECT that would count among the commands.
  const std::string server = std::regex_replace(url, std::regex("/[0-9]+$"), "");
  RedisInfo read = ParseRedisInfo(RedisCommand(server, "INFO commandstats") +
                                  RedisCommand(server, "INFO memory"));
  read.commands.erase("info");  // the readings' own
  return read;
}

}  // namespace tavolin::load
