// Copyright Tavolin developers.
//
// The simplified-Chinese double-byte code page (GB2312 with the GBK
// extension): character codes for the name rules, and whole-text conversion
// for the wire. Inside, text is UTF-8.
//
// Thread safety: all functions may be called concurrently.

#ifndef TAVOLIN_TEXT_GBK_H_
#define TAVOLIN_TEXT_GBK_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tavolin::text {

// The code of `c` in the code page as a signed 16-bit number: a single-byte
// character gives its byte value (0..127, and 128 for the euro sign); a
// double-byte character with lead byte H and trail byte L gives
// H * 256 + L - 65536 (always negative). A character the code page cannot
// hold gives the code of "?" (63).
int16_t GbkCode(char32_t c);

// UTF-8 to code-page bytes. A character the code page cannot hold becomes the
// numeric character reference "&#N;" (N the decimal code point).
std::string Utf8ToGbk(std::string_view utf8);

// Code-page bytes to UTF-8. A byte sequence that is not a valid character
// becomes U+FFFD, so nothing a browser sends can produce invalid UTF-8.
std::string GbkToUtf8(std::string_view gbk);

// A form or query value from the wire to UTF-8. A browser submitting a form
// of a page in this code page sends each character the code page lacks (an
// emoji, most other scripts) as a numeric character reference, "&#128512;"
// or "&#x1F600;": those references become their characters again. A
// reference to a character the code page holds (a typed "&#60;"), to no
// character (0, a surrogate, past U+10FFFF), or without its ";" stays text,
// since the browser would have sent that character itself.
std::string GbkFormToUtf8(std::string_view gbk);

}  // namespace tavolin::text

#endif  // TAVOLIN_TEXT_GBK_H_
