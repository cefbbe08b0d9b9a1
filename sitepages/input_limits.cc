// Copyright Tavolin developers.

#include "sitepages/input_limits.h"

#include <algorithm>

#include "text/strings.h"

namespace tavolin {

std::optional<Outcome> TooLong(std::string_view typed, size_t max, std::string_view what) {
  const size_t length = text::CharCount(typed);
  if (length <= max) return std::nullopt;
  return Outcome::Refused(std::string(what) + "最多" + std::to_string(max) + "个字，现在有" +
                          std::to_string(length) + "个字，没有保存。");
}

std::string TrimmedInput(std::string_view typed) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t first = typed.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return "";
  return std::string(typed.substr(first, typed.find_last_not_of(kSpace) - first + 1));
}

std::optional<int32_t> WholeNumberInput(std::string_view typed) {
  const std::string number = TrimmedInput(typed);
  if (number.empty() || number.size() > 9 ||
      number.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoi(number);
}

int32_t PageNumber(std::string_view typed) {
  // Beyond this page no list reaches; the bound keeps the row offset small.
  constexpr int32_t kLastPage = 100000;
  return std::clamp(WholeNumberInput(typed).value_or(1), 1, kLastPage);
}

}  // namespace tavolin
