// Copyright Tavolin developers.
//
// SharedStateHome: the application state of one chat kept in Redis, so that
// several servers are one chat. The chat's values and its live state (users,
// rooms, the say ring) are fields of one hash; every change made under the
// application lock is one entry of a change log, and the version counts the
// entries.
//
// Taking the application lock takes the chat's lock in Redis and brings in,
// in the same script, the fields changed since the version this process
// last saw (or the whole hash when it is too far behind). Letting go stores
// the fields this process changed, logs them, and lets the lock go, in one
// script. So a locked sequence, such as a poll, costs two round trips to
// Redis whoever is online, and every such sequence is atomic across the
// servers. The lock is a lease: a server killed while holding it holds the
// others up for the lease at most. When Redis loses the chat (a restart
// without persistence), the first server to take the lock stores its copy
// again, and the others read it from there.
//
// All keys share one hash tag, so a Redis Cluster keeps them in one slot.
//
// Thread safety: Begin and Commit are called under the process's
// application lock, one at a time; the counters may be read from any thread.

#ifndef TAVOLIN_CLUSTER_SHARED_STATE_HOME_H_
#define TAVOLIN_CLUSTER_SHARED_STATE_HOME_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cluster/mirrored_live_state.h"
#include "platform/redis_connection.h"
#include "tavolin/application.h"

namespace tavolin::cluster {

class SharedStateHome : public ApplicationHome {
 public:
  struct Options {
    // How long the lock is held for a server that stops answering.
    std::chrono::milliseconds lease{3000};
    // How long Begin waits for the lock before it gives up.
    std::chrono::milliseconds longest_wait{10000};
  };

  // `url`: redis://host:port[/db]; `chat`: the chat's state prefix, which
  // names its keys. Connects at once: throws RedisError when it cannot.
  SharedStateHome(const std::string& url, const std::string& chat,
                  std::shared_ptr<MirroredLiveState> live, Options options);

  // Throws CallError (kDatabase) when Redis cannot be reached or the lock
  // stays taken longer than longest_wait.
  void Begin(Application& application) override;
  void Commit(Application& application, std::vector<std::string> changed_keys) override;

  // Runs `load` on the first server of the chat only, and on the others waits
  // until it has run: the start-up load, which fills the shared state once.
  // A loader that dies without finishing is replaced after `lease`.
  // Returns whether this server ran it.
  bool LoadOnce(const std::function<void()>& load);

  // The channel a message is published on whenever a line is written.
  const std::string& news_channel() const { return news_channel_; }

  // Round trips to Redis and the time they took, since the start.
  uint64_t round_trips() const { return round_trips_.load(std::memory_order_relaxed); }
  uint64_t redis_microseconds() const { return redis_micros_.load(std::memory_order_relaxed); }

 private:
  // Takes the chat's lock in Redis, waiting while another server holds it,
  // and applies what changed since this process last held it.
  void TakeLock(Application& application);
  // The store holds nothing though this process knew a version of it: Redis
  // lost the chat (a restart without persistence). This process's copy is
  // stored again whole at the Commit that follows.
  void Restore(Application& application, int64_t version);
  RedisReply Run(const RedisScript& script, const std::vector<std::string>& args);
  void Apply(Application& application, const RedisReply& reply);

  RedisConnection redis_;
  const std::shared_ptr<MirroredLiveState> live_;
  const Options options_;
  const std::string owner_;
  const std::vector<std::string> keys_;  // lock, version, log, data
  const std::string loaded_key_;
  const std::string news_channel_;
  // The version of the store this process's copy reflects; -1: none yet,
  // or lost track (the next Begin reads the whole store).
  int64_t version_ = -1;
  // The values to store at the next Commit besides those changed: all of
  // them, after a Restore.
  std::vector<std::string> restore_keys_;
  std::atomic<uint64_t> round_trips_{0};
  std::atomic<uint64_t> redis_micros_{0};
};

}  // namespace tavolin::cluster

#endif  // TAVOLIN_CLUSTER_SHARED_STATE_HOME_H_
