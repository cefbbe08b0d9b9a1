// Copyright Tavolin developers.

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

#include "text/strings.h"

namespace tavolin::text {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

TEST(GbkTest, ConvertsBothWaysReferringToMissingAndReplacingInvalid) {
  const std::pair<std::string, std::string> to_gbk[] = {
      {"<a href='x'>?</a>\r\n", "<a href='x'>?</a>\r\n"},
      {"长城，", "\xB3\xA4\xB3\xC7\xA3\xAC"},
      {"a\xF0\x9F\x98\x80한长", "a&#128512;&#54620;\xB3\xA4"},
      {"x\xFFy", "x&#65533;y"},
  };
  for (const auto& [utf8, gbk] : to_gbk) EXPECT_EQ(Utf8ToGbk(utf8), gbk) << utf8;
  const std::pair<std::string, std::string> to_utf8[] = {
      {"\xFF", kReplacement},
      {"a\x81", std::string("a") + kReplacement},      // cut-off lead byte
      {"\x81<b>", std::string(kReplacement) + "<b>"},  // the ASCII byte after it survives
      {"\xA2\xA0z", std::string(kReplacement) + "z"},  // an unassigned pair is one character
  };
  for (const auto& [gbk, utf8] : to_utf8) EXPECT_EQ(GbkToUtf8(gbk), utf8) << gbk;
}

TEST(GbkTest, FormValuesTurnReferencesToMissingCharactersBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"&#128512;", "\xF0\x9F\x98\x80"},
      {"\xB3\xA4&#x1F600;&#X1f600;", "长\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
      {"&&#54620;;", "&한;"},
      // A character the code page holds would have come as itself.
      {"&#60;&#38;&#38271;&#x957f;", "&#60;&#38;&#38271;&#x957f;"},
      // No character, or no reference.
      {"&#0;&#55357;&#xDE00;&#1114112;&#99999999999999999999;",
       "&#0;&#55357;&#xDE00;&#1114112;&#99999999999999999999;"},
      {"&#128512 &#;&#x;&#xZZ;&#-1;&# 1;&#128512", "&#128512 &#;&#x;&#xZZ;&#-1;&# 1;&#128512"},
  };
  for (const auto& [gbk, utf8] : cases) EXPECT_EQ(GbkFormToUtf8(gbk), utf8) << gbk;
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
    ASSERT_EQ(Utf8ToGbk(utf8), gbk) << "U+" << std::hex << u;
    if (!lacking) {
      ASSERT_EQ(GbkToUtf8(gbk), utf8) << "U+" << std::hex << u;
    }
  }
  EXPECT_GT(double_byte, 21000);  // GB2312 alone has over 7000 characters; GBK over 21000
  for (char32_t lacking : {0x1F600, 0xDCFF}) EXPECT_EQ(GbkCode(lacking), 63);  // emoji, stray byte
}

}  // namespace
}  // namespace tavolin::text
