// Copyright Tavolin developers.
//
// Session: the state of one visitor's session, kept by the host between the
// visitor's requests.
//
// Thread safety: implementations must allow concurrent calls, since requests
// of one visitor may run at once.

#ifndef TAVOLIN_SESSION_H_
#define TAVOLIN_SESSION_H_

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tavolin/thread_annotations.h"
#include "tavolin/variant.h"

namespace tavolin {

class Session {
 public:
  virtual ~Session() = default;

  // The value stored under `key` (ASCII case-insensitive), Empty when none.
  virtual Variant Get(std::string_view key) const = 0;
  virtual void Set(std::string_view key, Variant value) = 0;
};

// A session held in memory: what tests use, and what the server keeps in its
// session store.
class MemorySession : public Session {
 public:
  Variant Get(std::string_view key) const override;
  void Set(std::string_view key, Variant value) override;
  // Every value with its (lower-case) key, in no set order: what a store
  // outside the process writes down.
  std::vector<std::pair<std::string, Variant>> Values() const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Variant> values_ GUARDED_BY(mutex_);
};

}  // namespace tavolin

#endif  // TAVOLIN_SESSION_H_
