// Copyright Tavolin developers.
//
// Text operations with the platform's string semantics, on UTF-8 text where a
// character is a Unicode code point. A byte that does not begin a valid UTF-8
// sequence counts as one character of its own, so counting and cutting always
// agree and never split a valid character.

#ifndef TAVOLIN_TEXT_STRINGS_H_
#define TAVOLIN_TEXT_STRINGS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavolin::text {

// Removes leading and trailing blanks (the space character only).
std::string_view TrimBlanks(std::string_view text);

// Every non-overlapping occurrence of `from`, scanning left to right, becomes
// `to`. An empty `from` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// The first occurrence of `from` becomes `to`. An empty `from` changes nothing.
std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to);

// Splits at every occurrence of `separator`, as the platform's Split does:
// the empty text gives no pieces at all; otherwise n separators give n + 1
// pieces, empty ones included. REQUIRES: !separator.empty(). The views point
// into `text`.
std::vector<std::string_view> Split(std::string_view text, std::string_view separator);
std::string Join(const std::vector<std::string>& pieces, std::string_view separator);

bool Contains(std::string_view text, std::string_view part);

// ASCII letters to small letters; other characters unchanged.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The number of characters.
size_t CharCount(std::string_view text);
// The first `count` characters (all of them when there are fewer).
std::string_view LeftChars(std::string_view text, size_t count);

// Decodes the characters. An invalid byte decodes as the code point of the
// same value in the range U+DC80..U+DCFF (so it round-trips through
// AppendChar).
std::vector<char32_t> Chars(std::string_view text);
// Appends the UTF-8 form of `c` (U+DC80..U+DCFF as the single byte they stand
// for).
void AppendChar(std::string& out, char32_t c);

}  // namespace tavolin::text

#endif  // TAVOLIN_TEXT_STRINGS_H_
