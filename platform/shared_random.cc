// Copyright Tavolin developers.

#include "tavolin/shared_random.h"

namespace tavolin {

void SharedRandom::Randomize(double timer) {
  std::lock_guard<std::mutex> lock(mutex_);
  random_.Seed(timer);
}

float SharedRandom::Draw() {
  std::lock_guard<std::mutex> lock(mutex_);
  return random_.Draw();
}

}  // namespace tavolin
