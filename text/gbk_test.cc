// Copyright Tavolin developers.

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

#include "text/strings.h"

namespace tavolin::text {
namespace {

using Conversion = std::string (*)(std::string_view);

// Catches a wrong conversion, a character GBK lacks lost instead of referred to, an invalid byte
// taking its neighbour along, and a form reference turned back that a browser never writes.
TEST(GbkTest, ConvertsBothWaysAndTurnsFormReferencesBack) {
  const std::string r = "\xEF\xBF\xBD", emoji = "\xF0\x9F\x98\x80";  // U+FFFD, U+1F600
  const std::tuple<Conversion, std::string, std::string> cases[] = {
      {Utf8ToGbk, "<a href='x'>?</a>\r\n", "<a href='x'>?</a>\r\n"},
      {Utf8ToGbk, "长城，", "\xB3\xA4\xB3\xC7\xA3\xAC"},
      {Utf8ToGbk, "a" + emoji + "한长", "a&#128512;&#54620;\xB3\xA4"},
      {Utf8ToGbk, "x\xFFy", "x&#65533;y"},
      {GbkToUtf8, "\xFF", r},
      {GbkToUtf8, "a\x81", "a" + r},      // cut-off lead byte
      {GbkToUtf8, "\x81<b>", r + "<b>"},  // the ASCII byte after it survives
      {GbkToUtf8, "\xA2\xA0z", r + "z"},  // an unassigned pair is one character
      {GbkFormToUtf8, "&#128512;\xB3\xA4&#x1F600;&#X1f600;&&#54620;;",
       emoji + "长" + emoji + emoji + "&한;"},
      // A character the code page holds would have come as itself; no character; no reference.
      {GbkFormToUtf8, "&#60;&#38;&#38271;&#x957f;", "&#60;&#38;&#38271;&#x957f;"},
      {GbkFormToUtf8, "&#0;&#55357;&#xDE00;&#1114112;&#99999999999999999999;",
       "&#0;&#55357;&#xDE00;&#1114112;&#99999999999999999999;"},
      {GbkFormToUtf8, "&#128512 &#;&#x;&#xZZ;&#-1;&# 1;&#128512",
       "&#128512 &#;&#x;&#xZZ;&#-1;&# 1;&#128512"},
  };
  for (const auto& [convert, from, to] : cases) EXPECT_EQ(convert(from), to) << from;
}

// The code (signed for double-byte characters, 63 for those GBK lacks), the
// encoder and the decoder must agree on every BMP character, or a name that
// passes the rules could reach the wire differently.
TEST(GbkTest, CodeEncoderAndDecoderAgreeOverTheBmp) {
  int double_byte = 0;
  for (uint32_t u = 0; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    std::string utf8;
    AppendChar(utf8, u);
    const int16_t code = GbkCode(u);
    const bool lacking = code == 63 && u != '?';
    double_byte += code < 0;
    const std::string gbk = lacking    ? "&#" + std::to_string(u) + ";"
                            : code < 0 ? std::string{char(code >> 8), char(code)}
                                       : std::string(1, char(code));
    // What GBK lacks goes out as a reference and is not read back.
    ASSERT_EQ(Utf8ToGbk(utf8) + " " + (lacking ? utf8 : GbkToUtf8(gbk)), gbk + " " + utf8)
        << "U+" << std::hex << u;
  }
  EXPECT_GT(double_byte, 21000);  // GB2312 alone has over 7000 characters; GBK over 21000
  EXPECT_EQ(std::to_string(GbkCode(0x1F600)) + std::to_string(GbkCode(0xDCFF)),
            "6363");  // an emoji, a stray byte
}

}  // namespace
}  // namespace tavolin::text
