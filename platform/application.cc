// Copyright Tavolin developers.

#include "tavolin/application.h"

#include "platform/ascii.h"

namespace tavolin {

Variant Application::Get(std::string_view key) const {
  const std::string folded = AsciiLower(key);
  std::shared_lock lock(values_mutex_);
  const auto it = values_.find(folded);
  return it == values_.end() ? Variant() : it->second;
}

void Application::Set(std::string_view key, Variant value) {
  std::string folded = AsciiLower(key);
  std::unique_lock lock(values_mutex_);
  values_.insert_or_assign(std::move(folded), std::move(value));
}

}  // namespace tavolin
