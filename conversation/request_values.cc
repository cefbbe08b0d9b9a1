// Copyright Tavolin developers.

#include "conversation/request_values.h"

#include <charconv>
#include <cmath>
#include <string>

#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

std::optional<int32_t> OptionalSayId(const Variant& value, std::string_view name) {
  const std::string raw = value.ToText();
  const std::string_view text = text::TrimBlanks(raw);
  if (text.empty()) return std::nullopt;
  int32_t id = 0;
  const char* begin = text.data();
  if (text.front() == '+') ++begin;  // a leading plus sign reads as no sign
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), id);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw CallError(ErrorCode::kTypeMismatch,
                    "request value " + std::string(name) + " is not a whole number: '" + raw + "'");
  }
  return id;
}

std::optional<double> SentNumber(const Variant& value) {
  if (value.is_empty() || !value.IsNumeric()) return std::nullopt;
  try {
    return value.ToDouble();
  } catch (const CallError& error) {
    if (error.code() != ErrorCode::kOverflow) throw;
    return std::nullopt;
  }
}

bool IsPrivateFlag(const Variant& value) {
  if (value.IsNumeric()) return SentNumber(value) == -1.0;
  return text::EqualsIgnoringAsciiCase(text::TrimBlanks(value.ToText()), "true");
}

int16_t ChosenActNumber(const Variant& value) {
  const std::optional<double> sent = SentNumber(value);
  if (!sent) return 0;
  const double number = std::nearbyint(*sent);
  if (number < INT16_MIN || number > INT16_MAX) return 0;
  return value.ToInteger();
}

}  // namespace tavolin
