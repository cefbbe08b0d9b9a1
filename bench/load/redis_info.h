// Copyright Tavolin developers.
//
// What a Redis server says of itself (INFO), read with redis-cli: the
// commands it ran with their calls and time, and the memory it holds.

#ifndef TAVOLIN_BENCH_LOAD_REDIS_INFO_H_
#define TAVOLIN_BENCH_LOAD_REDIS_INFO_H_

#include <cstdint>
#include <map>
#include <string>

namespace tavolin::load {

struct CommandCost {
  uint64_t calls = 0;
  uint64_t usec = 0;  // microseconds spent in them
};

struct RedisInfo {
  std::map<std::string, CommandCost> commands;  // by name, e.g. "evalsha"
  int64_t used_memory = 0;                      // bytes

  // Every command's calls and time together.
  CommandCost Total() const;
  // What ran between `before` and this reading.
  RedisInfo Since(const RedisInfo& before) const;
};

// Reads the INFO of the server at `url` (redis://HOST:PORT[/DB]), its own
// INFO commands left out; throws std::runtime_error when redis-cli fails.
RedisInfo ReadRedisInfo(const std::string& url);

// Reads the text of INFO (lines "cmdstat_NAME:calls=N,usec=N,..." and
// "used_memory:N").
RedisInfo ParseRedisInfo(const std::string& info);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_REDIS_INFO_H_
