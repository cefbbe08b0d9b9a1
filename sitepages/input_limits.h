// Copyright Tavolin developers.
//
// What a visitor may store through the site pages: the length limits, in
// characters, and the refusal that names the limit.

#ifndef TAVOLIN_SITEPAGES_INPUT_LIMITS_H_
#define TAVOLIN_SITEPAGES_INPUT_LIMITS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sitepages/site_html.h"

namespace tavolin {

// A name typed as an addressee or a friend: longer than any name the login
// admits.
inline constexpr size_t kMaxNameChars = 20;
inline constexpr size_t kMaxCallChars = 200;
inline constexpr size_t kMaxMessageChars = 500;
// The login scrambles only the first 15 characters of a password.
inline constexpr size_t kMaxPasswordChars = 15;
// Names in one friends list.
inline constexpr size_t kMaxFriends = 50;

// The refusal of `typed` (what the form calls `what`) when it is longer than
// `max` characters.
std::optional<Outcome> TooLong(std::string_view typed, size_t max, std::string_view what);

// A number typed into an address or form: digits alone (blanks around them
// aside), at most nine, or nothing.
std::optional<int32_t> WholeNumberInput(std::string_view typed);

// Rows a list page shows at once, newest first.
inline constexpr int32_t kRowsPerPage = 50;
// The page of a list asked for: a whole number from 1; 1 for anything else.
int32_t PageNumber(std::string_view typed);

// `typed` without blanks, tabs and line breaks at either end.
std::string TrimmedInput(std::string_view typed);

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_INPUT_LIMITS_H_
