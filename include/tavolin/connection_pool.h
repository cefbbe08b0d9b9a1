// Copyright Tavolin developers.
//
// ConnectionPool: database connections kept open between requests. Opening
// a connection costs more than a login's statements (the file, its locks,
// the schema read anew, the chat's functions registered), so a connection a
// request is done with waits here for the next request of the same
// application, database and clock.
//
// It is kept in application state, so it lives and ends with the application
// whose requests use it.
//
// Thread safety: Open may be called from any thread; a connection it hands
// out belongs to one thread at a time, as any connection does.

#ifndef TAVOLIN_CONNECTION_POOL_H_
#define TAVOLIN_CONNECTION_POOL_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "tavolin/thread_annotations.h"

namespace tavolin {

class ConnectionPool : public ApplicationObject,
                       public std::enable_shared_from_this<ConnectionPool> {
 public:
  // A connection as OpenConnection gives it, taken from the idle ones when
  // there is one. When the caller lets go of it, a connection that is
  // Reusable waits for the next caller (up to kMaxIdle of them); any other
  // closes.
  std::unique_ptr<Connection> Open(const std::string& connection_string, Env* env,
                                   std::string_view create_script) LOCKS_EXCLUDED(mutex_);

  static constexpr size_t kMaxIdle = 16;

 private:
  using Key = std::pair<std::string, Env*>;
  class Lent;

  void GiveBack(const Key& key, std::unique_ptr<Connection> connection) LOCKS_EXCLUDED(mutex_);

  std::mutex mutex_;
  std::map<Key, std::vector<std::unique_ptr<Connection>>> idle_ GUARDED_BY(mutex_);
};

// The pool of `application`, made on first use.
std::shared_ptr<ConnectionPool> ConnectionPoolOf(Application& application);

}  // namespace tavolin

#endif  // TAVOLIN_CONNECTION_POOL_H_
