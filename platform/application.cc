// Copyright Tavolin developers.

#include "tavolin/application.h"

#include "platform/ascii.h"

namespace tavolin {

size_t Application::FoldedHash::operator()(std::string_view key) const {
  // FNV-1a over the lower-case bytes.
  size_t hash = 14695981039346656037ull;
  for (const char c : key) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool Application::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualsIgnoreAsciiCase(a, b);
}

namespace {

// Stores `value` under `key`, keeping the spelling of the key first stored.
template <typename Map, typename Value>
void Store(Map& map, std::string_view key, Value value) {
  const auto it = map.find(key);
  if (it != map.end()) {
    it->second = std::move(value);
  } else {
    map.emplace(std::string(key), std::move(value));
  }
}

}  // namespace

Variant Application::Get(std::string_view key) const {
  std::shared_lock lock(values_mutex_);
  const auto it = values_.find(key);
  return it == values_.end() ? Variant() : it->second;
}

void Application::Set(std::string_view key, Variant value) {
  std::unique_lock lock(values_mutex_);
  Store(values_, key, std::move(value));
  if (home_) changed_.emplace_back(key);
}

std::vector<std::string> Application::ValueKeys() const {
  std::shared_lock lock(values_mutex_);
  std::vector<std::string> keys;
  keys.reserve(values_.size());
  for (const auto& [key, value] : values_) keys.push_back(key);
  return keys;
}

void Application::SetFromHome(std::string_view key, Variant value) {
  std::unique_lock lock(values_mutex_);
  Store(values_, key, std::move(value));
}

void Application::Lock() {
  sequence_mutex_.lock();
  if (!home_) return;
  try {
    home_->Begin(*this);
  } catch (...) {
    sequence_mutex_.unlock();
    throw;
  }
}

void Application::Unlock() {
  if (home_) {
    std::vector<std::string> changed;
    {
      std::unique_lock lock(values_mutex_);
      changed.swap(changed_);
    }
    home_->Commit(*this, std::move(changed));
  }
  sequence_mutex_.unlock();
}

std::shared_ptr<ApplicationObject> Application::GetObject(std::string_view key) const {
  std::shared_lock lock(values_mutex_);
  const auto it = objects_.find(key);
  return it == objects_.end() ? nullptr : it->second;
}

void Application::SetObject(std::string_view key, std::shared_ptr<ApplicationObject> object) {
  std::unique_lock lock(values_mutex_);
  Store(objects_, key, std::move(object));
}

std::shared_ptr<ApplicationObject> Application::GetOrMakeObject(
    std::string_view key, const std::function<std::shared_ptr<ApplicationObject>()>& make) {
  if (std::shared_ptr<ApplicationObject> found = GetObject(key)) return found;
  std::unique_lock lock(values_mutex_);
  auto it = objects_.find(key);
  if (it == objects_.end()) it = objects_.emplace(std::string(key), nullptr).first;
  if (!it->second) it->second = make();
  return it->second;
}

}  // namespace tavolin
