// Copyright Tavolin developers.

#include "housekeeping/hour_table.h"

#include <string>

#include "tavolin/error.h"
#include "tavolin/variant.h"
#include "text/strings.h"

namespace tavolin {

namespace {

constexpr int kHours = 24;
constexpr int kLastHourIndex = 24;

}  // namespace

HourTable::HourTable(std::string_view text) {
  for (std::string_view element : text::Split(text, ",")) elements_.emplace_back(element);
  last_hour_ = Variant(Element(kLastHourIndex)).ToInteger();
}

std::string& HourTable::Element(int index) {
  if (index < 0 || index >= static_cast<int>(elements_.size())) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    "the hour table has no element " + std::to_string(index));
  }
  return elements_[index];
}

void HourTable::Count(int hour) {
  if (hour == last_hour_) {
    Element(hour) = Variant(Variant(Element(hour)).ToDouble() + 1).ToText();
    return;
  }
  const auto clear = [this](int from, int to) {
    for (int i = from; i <= to; ++i) Element(i) = "0";
  };
  if (hour > last_hour_ + 1) {
    clear(last_hour_ + 1, hour - 1);
  } else if (hour < last_hour_) {
    // Midnight has passed: the rest of yesterday, then today up to now.
    clear(last_hour_ + 1, kHours - 1);
    clear(0, hour - 1);
  }
  Element(kLastHourIndex) = std::to_string(hour);
  Element(hour) = "1";
  last_hour_ = hour;
}

std::string HourTable::Text() const { return text::Join(elements_, ","); }

}  // namespace tavolin
