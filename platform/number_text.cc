// Copyright Tavolin developers.

#include "platform/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/ascii.h"

namespace tavolin {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);  // from_chars takes no '+', so the sign is applied below
  }

  // Check the shape, and note the decimal order of the first non-zero digit
  // so that an out-of-range result can be told too large from too small.
  size_t i = 0;
  size_t digits = 0;
  int64_t order = 0;
  bool seen_nonzero = false;
  bool in_fraction = false;
  int64_t integer_digits_after_first = 0;
  int64_t fraction_position = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !in_fraction) {
      in_fraction = true;
      continue;
    }
    if (!IsDigit(c)) break;
    ++digits;
    if (in_fraction) ++fraction_position;
    if (!seen_nonzero && c != '0') {
      seen_nonzero = true;
      order = in_fraction ? -fraction_position : 0;
    } else if (seen_nonzero && !in_fraction) {
      ++integer_digits_after_first;
    }
  }
  if (digits == 0) return std::nullopt;
  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    const size_t exponent_start = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');  // saturate
    }
    if (i == exponent_start) return std::nullopt;
    if (exponent_negative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    const int64_t magnitude = order + integer_digits_after_first + exponent;
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string FormatNumber(double value) {
  if (value == 0) return "0";  // also turns -0 into "0"
  // "general" with precision 15 is printf's %.15G: trailing zeros dropped,
  // and plain notation exactly for decimal exponents -4 to 14.
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

}  // namespace tavolin
