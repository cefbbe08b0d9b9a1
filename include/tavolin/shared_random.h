// Copyright Tavolin developers.
//
// SharedRandom: one LegacyRandom sequence for every request of a process, as
// a page host keeps one generator for its pages. Its state carries on from
// call to call, so two draws in the same instant still differ.
//
// Thread safety: every call takes the generator's own lock.

#ifndef TAVOLIN_SHARED_RANDOM_H_
#define TAVOLIN_SHARED_RANDOM_H_

#include <mutex>

#include "tavolin/random.h"

namespace tavolin {

class SharedRandom {
 public:
  // Seeds the sequence from the clock: `timer` is the seconds since local
  // midnight with their fraction.
  void Randomize(double timer);
  // The next number of the sequence, 0 <= r < 1.
  float Draw();

 private:
  std::mutex mutex_;
  LegacyRandom random_;
};

}  // namespace tavolin

#endif  // TAVOLIN_SHARED_RANDOM_H_
