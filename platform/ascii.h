// Copyright Tavolin developers.
//
// ASCII-only text helpers. The host compares keys and names without regard to
// ASCII letter case and leaves other bytes (the double-byte code page's
// characters) untouched, so these never consult the C locale.

#ifndef TAVOLIN_PLATFORM_ASCII_H_
#define TAVOLIN_PLATFORM_ASCII_H_

#include <string>
#include <string_view>

namespace tavolin {

// `text` with the letters A-Z turned into a-z and every other byte kept.
std::string AsciiLower(std::string_view text);

// True when `a` and `b` are equal after AsciiLower.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// `text` without leading and trailing blanks (spaces and tabs).
std::string_view TrimBlanks(std::string_view text);

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_ASCII_H_
