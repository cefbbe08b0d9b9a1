// Copyright Tavolin developers.
//
// Fixed-width date and time texts with two-digit fields, the same whatever
// the server's regional settings.

#include <string>

#include "tavolin/corvane.h"

namespace tavolin {

namespace {

// The decimal text of `value`, with a "0" in front when it is one character.
std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (text.size() == 1) text.insert(0, "0");
  return text;
}

std::string TimeText(const DateTime& d) {
  return TwoDigits(d.hour()) + ":" + TwoDigits(d.minute()) + ":" + TwoDigits(d.second());
}

std::string DateText(const DateTime& d) {
  return TwoDigits(d.year()) + "-" + TwoDigits(d.month()) + "-" + TwoDigits(d.day());
}

}  // namespace

Variant Corvane::GetTimeStr(Variant* TimeStr) {
  return Variant(TimeText(TimeStr != nullptr ? TimeStr->ToDate() : env_->Now()));
}

Variant Corvane::GetDateStr(Variant* DateStr) {
  return Variant(DateText(DateStr != nullptr ? DateStr->ToDate() : env_->Now()));
}

Variant Corvane::AllDateStr(Variant* ADstr) {
  // Anything that is no date comes back as it was given.
  if (ADstr != nullptr && !ADstr->IsDate()) return *ADstr;
  const DateTime d = ADstr != nullptr ? ADstr->ToDate() : env_->Now();
  return Variant(DateText(d) + " " + TimeText(d));
}

}  // namespace tavolin
