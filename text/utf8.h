// Copyright Tavolin developers.
//
// Decoding one UTF-8 character at a time, shared by the string functions and
// the code-page conversion so that both agree on what a character is.
//
// Thread safety: pure functions.

#ifndef TAVOLIN_TEXT_UTF8_H_
#define TAVOLIN_TEXT_UTF8_H_

#include <cstddef>
#include <string_view>

namespace tavolin::text {

// A byte that does not begin a valid sequence stands for the code point
// kInvalidByteBase + byte (U+DC80..U+DCFF), a range no valid UTF-8 text can
// hold because it lies among the surrogates.
inline constexpr char32_t kInvalidByteBase = 0xDC00;

// True for the code points that stand for an invalid byte.
inline bool IsInvalidByte(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Decodes the character that begins at text[pos] into *c and returns its
// length in bytes (1 to 4). Overlong forms, surrogates, code points above
// U+10FFFF and truncated sequences are invalid: their first byte decodes on
// its own as an invalid byte (length 1). REQUIRES: pos < text.size().
size_t DecodeChar(std::string_view text, size_t pos, char32_t* c);

}  // namespace tavolin::text

#endif  // TAVOLIN_TEXT_UTF8_H_
