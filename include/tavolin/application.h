// Copyright Tavolin developers.
//
// Application: the process-wide application state that all requests share
// (the live chat and the loaded configuration), and the application lock.
//
// Values are stored immutable: Get hands out a Variant that shares the stored
// text or array, so a read costs O(1), and Set replaces the value whole.
// Keys compare without regard to ASCII letter case, as the page host's do.
//
// Besides values it keeps objects (the page host lets pages keep objects in
// application state too): the engine keeps its live chat there.
//
// A home (ApplicationHome) may keep the state in a store that several
// processes share: the lock then brings this process's copy up to date when
// it is taken, and hands the values changed meanwhile to the home when it is
// let go.
//
// Thread safety: every operation is safe to call from any thread. Get, Set
// and the object operations are each atomic. A read-change-write sequence on a value must hold the
// application lock (ApplicationLock) so that concurrent sequences do not
// overwrite each other's change; plain Get and Set never take that lock, so
// they may be called while holding it.

#ifndef TAVOLIN_APPLICATION_H_
#define TAVOLIN_APPLICATION_H_

#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tavolin/thread_annotations.h"
#include "tavolin/variant.h"

namespace tavolin {

// The base of objects kept in application state.
class ApplicationObject {
 public:
  virtual ~ApplicationObject() = default;
};

class Application;

// Where the application state is kept besides this process: a store shared
// by several servers of one chat. Its calls are made by the application lock.
class ApplicationHome {
 public:
  virtual ~ApplicationHome() = default;
  // Called when the lock has been taken: brings `application`'s copy up to
  // date (through SetFromHome). Throws when the store cannot be reached; the
  // lock is then let go again and the exception reaches the lock's taker.
  virtual void Begin(Application& application) = 0;
  // Called before the lock is let go, with the keys of the values set since
  // the last Commit. Must not throw: a home that cannot store the change
  // reports it its own way.
  virtual void Commit(Application& application, std::vector<std::string> changed_keys) = 0;
};

class Application {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The value stored under `key`, or Empty when nothing is.
  Variant Get(std::string_view key) const LOCKS_EXCLUDED(values_mutex_);
  void Set(std::string_view key, Variant value) LOCKS_EXCLUDED(values_mutex_);

  // The object kept under `key`, or null. Object keys are apart from value
  // keys and compare like them.
  std::shared_ptr<ApplicationObject> GetObject(std::string_view key) const
      LOCKS_EXCLUDED(values_mutex_);
  void SetObject(std::string_view key, std::shared_ptr<ApplicationObject> object)
      LOCKS_EXCLUDED(values_mutex_);
  // The object under `key`; when there is none, `make`'s object is stored and
  // returned. Two threads asking at once get the same object.
  std::shared_ptr<ApplicationObject> GetOrMakeObject(
      std::string_view key, const std::function<std::shared_ptr<ApplicationObject>()>& make)
      LOCKS_EXCLUDED(values_mutex_);

  // The host's application lock. Not recursive: a thread that holds it must
  // not take it again. REQUIRES for Unlock: the calling thread holds it.
  // With a home, Lock throws what the home's Begin throws, not holding the
  // lock.
  void Lock();
  void Unlock();

  // Makes `home` the home of this state. REQUIRES: called before the state
  // is shared between threads.
  void SetHome(std::shared_ptr<ApplicationHome> home) { home_ = std::move(home); }
  // The keys of every value stored (for a home that must store them all).
  std::vector<std::string> ValueKeys() const LOCKS_EXCLUDED(values_mutex_);
  // Stores a value that came from the home, without reporting it back.
  void SetFromHome(std::string_view key, Variant value) LOCKS_EXCLUDED(values_mutex_);

 private:
  // Hashing and comparing keys without regard to ASCII letter case, so that
  // a lookup needs no folded copy of its key (every request makes several).
  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  template <typename Value>
  using FoldedMap = std::unordered_map<std::string, Value, FoldedHash, FoldedEqual>;

  mutable std::shared_mutex values_mutex_;
  FoldedMap<Variant> values_ GUARDED_BY(values_mutex_);
  FoldedMap<std::shared_ptr<ApplicationObject>> objects_ GUARDED_BY(values_mutex_);
  // The keys set since the last Commit, kept only when there is a home.
  std::vector<std::string> changed_ GUARDED_BY(values_mutex_);
  std::shared_ptr<ApplicationHome> home_;
  std::mutex sequence_mutex_;
};

// Holds the application lock for its lifetime.
class ApplicationLock {
 public:
  explicit ApplicationLock(Application& application) : application_(application) {
    application_.Lock();
  }
  ~ApplicationLock() { application_.Unlock(); }
  ApplicationLock(const ApplicationLock&) = delete;
  ApplicationLock& operator=(const ApplicationLock&) = delete;

 private:
  Application& application_;
};

}  // namespace tavolin

#endif  // TAVOLIN_APPLICATION_H_
