// Copyright Tavolin developers.

#include "component/live_state.h"

#include <stdexcept>

#include "component/keyed_live_state.h"
#include "tavolin/error.h"

namespace tavolin {

namespace {

std::string LiveStateKey(std::string_view prefix) { return std::string(prefix) + "_live"; }

}  // namespace

const std::string& LiveRecord::field(int index) const {
  if (index < 0 || index >= static_cast<int>(fields_.size())) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    "field " + std::to_string(index) + " of record '" + key_ + "' does not exist");
  }
  if (index == hidden_field_) {
    throw std::logic_error("field " + std::to_string(index) + " of record '" + key_ +
                           "' is read through the live state");
  }
  return fields_[static_cast<size_t>(index)];
}

void LiveRecord::set_field(int index, std::string value) {
  field(index);  // range check
  fields_[static_cast<size_t>(index)] = std::move(value);
}

std::shared_ptr<LiveState> LiveStateOf(Application& application, std::string_view prefix) {
  // Only live states are stored under this key, so the cast cannot fail.
  return std::static_pointer_cast<LiveState>(application.GetOrMakeObject(
      LiveStateKey(prefix), [] { return std::make_shared<KeyedLiveState>(); }));
}

void UseLiveState(Application& application, std::string_view prefix,
                  std::shared_ptr<LiveState> live) {
  application.SetObject(LiveStateKey(prefix), std::move(live));
}

}  // namespace tavolin
