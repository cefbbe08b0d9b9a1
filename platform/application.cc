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

std::shared_ptr<ApplicationObject> Application::GetObject(std::string_view key) const {
  const std::string folded = AsciiLower(key);
  std::shared_lock lock(values_mutex_);
  const auto it = objects_.find(folded);
  return it == objects_.end() ? nullptr : it->second;
}

void Application::SetObject(std::string_view key, std::shared_ptr<ApplicationObject> object) {
  std::string folded = AsciiLower(key);
  std::unique_lock lock(values_mutex_);
  objects_.insert_or_assign(std::move(folded), std::move(object));
}

std::shared_ptr<ApplicationObject> Application::GetOrMakeObject(
    std::string_view key, const std::function<std::shared_ptr<ApplicationObject>()>& make) {
  if (std::shared_ptr<ApplicationObject> found = GetObject(key)) return found;
  std::string folded = AsciiLower(key);
  std::unique_lock lock(values_mutex_);
  auto& slot = objects_[std::move(folded)];
  if (!slot) slot = make();
  return slot;
}

}  // namespace tavolin
