// Copyright Tavolin developers.

#include "tavolin/session.h"

#include "platform/ascii.h"

namespace tavolin {

Variant MemorySession::Get(std::string_view key) const {
  const std::string folded = AsciiLower(key);
  std::lock_guard lock(mutex_);
  const auto it = values_.find(folded);
  return it == values_.end() ? Variant() : it->second;
}

void MemorySession::Set(std::string_view key, Variant value) {
  std::string folded = AsciiLower(key);
  std::lock_guard lock(mutex_);
  values_.insert_or_assign(std::move(folded), std::move(value));
}

std::vector<std::pair<std::string, Variant>> MemorySession::Values() const {
  std::lock_guard lock(mutex_);
  return {values_.begin(), values_.end()};
}

}  // namespace tavolin
