// Copyright Tavolin developers.

#include "component/live_state.h"

#include <stdexcept>

#include "component/keyed_live_state.h"
#include "tavolin/error.h"

namespace tavolin {

namespace {

std::string LiveStateKey(std::string_view prefix) { return std::string(prefix) + "_live"; }

}  // namespace

const std::string& FieldOf(const std::vector<std::string>& fields, int index,
                           std::string_view key) {
  if (index < 0 || index >= static_cast<int>(fields.size())) {
    throw CallError(
        ErrorCode::kSubscriptOutOfRange,
        "field " + std::to_string(index) + " of record '" + std::string(key) + "' does not exist");
  }
  return fields[static_cast<size_t>(index)];
}

const std::string& LiveRecord::field(int index) const {
  const std::string& value = FieldOf(fields_, index, key_);
  if (index == hidden_field_) {
    throw std::logic_error("field " + std::to_string(index) + " of record '" + key_ +
                           "' is read through the live state");
  }
  return value;
}

void LiveRecord::set_field(int index, std::string value) {
  field(index);  // range check
  fields_[static_cast<size_t>(index)] = std::move(value);
}

Application& InProcessLiveState::application() const {
  if (application_ == nullptr) throw std::logic_error("this live state has no say ring");
  return *application_;
}

LiveState::Ring InProcessLiveState::ReadRing() const {
  return {application().Get(prefix_ + "_says"), application().Get(prefix_ + "_current")};
}

void InProcessLiveState::WriteRing(Ring ring) {
  application().Set(prefix_ + "_says", std::move(ring.says));
  application().Set(prefix_ + "_current", std::move(ring.current));
}

LiveState::Ring InProcessLiveState::TakeRing() {
  Ring ring = ReadRing();
  // The stored array is let go, so the taken one is the only holder left
  // (unless a reader still holds it) and changes in place.
  application().Set(prefix_ + "_says", Variant());
  return ring;
}

Variant InProcessLiveState::Counter(std::string_view suffix) const {
  return application().Get(prefix_ + std::string(suffix));
}

void InProcessLiveState::SetCounter(std::string_view suffix, Variant value) {
  application().Set(prefix_ + std::string(suffix), std::move(value));
}

std::shared_ptr<LiveState> LiveStateOf(Application& application, std::string_view prefix) {
  // Only live states are stored under this key, so the cast cannot fail.
  return std::static_pointer_cast<LiveState>(
      application.GetOrMakeObject(LiveStateKey(prefix), [&application, prefix] {
        return std::make_shared<KeyedLiveState>(&application, std::string(prefix));
      }));
}

void UseLiveState(Application& application, std::string_view prefix,
                  std::shared_ptr<LiveState> live) {
  application.SetObject(LiveStateKey(prefix), std::move(live));
}

}  // namespace tavolin
