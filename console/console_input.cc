// Copyright Tavolin developers.

#include "console/console_input.h"

#include <algorithm>
#include <charconv>

#include "text/strings.h"

namespace tavolin::console {

std::optional<int32_t> WholeNumber(std::string_view text, int32_t low, int32_t high) {
  text = text::TrimBlanks(text);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

Variant RowId(std::string_view id) {
  return Variant(WholeNumber(id, INT32_MIN, INT32_MAX).value_or(0));
}

std::optional<DateTime> DateInput(std::string_view text) {
  std::string written(text::TrimBlanks(text));
  if (written.size() > 10 && written[10] == 'T') written[10] = ' ';
  // A time alone would be read as a time of the zero date.
  if (written.size() < 10 || written[4] != '-' || written[7] != '-') return std::nullopt;
  // A time without its seconds, as a browser sends it.
  if (written.size() == 16 && written[13] == ':') written += ":00";
  return DateTime::Parse(written);
}

bool FitsLists(std::string_view text) {
  return text.find("$>") == std::string_view::npos && text.find("<$") == std::string_view::npos &&
         std::none_of(text.begin(), text.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool PlainName(std::string_view text) {
  return FitsLists(text) && text.find_first_of("'\"\\<>") == std::string_view::npos;
}

}  // namespace tavolin::console
