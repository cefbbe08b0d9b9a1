// Copyright Tavolin developers.

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

#include "text/strings.h"

namespace tavolin::text {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

TEST(GbkTest, CodesAreSignedForDoubleByteCharacters) {
  EXPECT_EQ(GbkCode('a'), 97);
  EXPECT_EQ(GbkCode('?'), 63);
  EXPECT_EQ(GbkCode(0), 0);
  EXPECT_EQ(GbkCode(0xFF0C), 0xA3AC - 65536);  // full-width comma
  EXPECT_EQ(GbkCode(0x957F), 0xB3A4 - 65536);  // 长
  EXPECT_LT(GbkCode(0x4E00), 0);               // 一, first of the unified ideographs
  EXPECT_LT(GbkCode(0x9FA5), 0);               // the last one GBK holds
  // Characters the code page lacks read as "?".
  EXPECT_EQ(GbkCode(0xD55C), 63);   // Korean 한
  EXPECT_EQ(GbkCode(0x1F600), 63);  // an emoji, outside the BMP
  EXPECT_EQ(GbkCode(0xDCFF), 63);   // a stray byte
}

TEST(GbkTest, EncodesHanziAndRefersToMissingCharacters) {
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(Utf8ToGbk("<a href='x'>?</a>\r\n"), "<a href='x'>?</a>\r\n");
  EXPECT_EQ(Utf8ToGbk("长城，"), "\xB3\xA4\xB3\xC7\xA3\xAC");
  EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                      "b"),
            "a&#128512;b");
  EXPECT_EQ(Utf8ToGbk("한长"), "&#54620;\xB3\xA4");
  EXPECT_EQ(Utf8ToGbk("x\xFFy"), "x&#65533;y");
}

TEST(GbkTest, DecodesAndReplacesInvalidSequences) {
  const std::string text = "Hi 长城，你好! <b>\xC2\xB7</b>";
  EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
  EXPECT_EQ(GbkToUtf8("\xB3\xA4"), "长");

  EXPECT_EQ(GbkToUtf8("\xFF"), kReplacement);
  EXPECT_EQ(GbkToUtf8("a\x81"), std::string("a") + kReplacement);  // cut-off lead byte
  // An ASCII byte after a lead byte that cannot pair with it survives.
  EXPECT_EQ(GbkToUtf8("\x81<b>"), std::string(kReplacement) + "<b>");
  // An unassigned pair is one bad character, not two.
  EXPECT_EQ(GbkToUtf8("\xA2\xA0z"), std::string(kReplacement) + "z");
}

// The code, the encoder and the decoder must agree on every BMP character,
// or a name that passes the rules could reach the wire differently.
TEST(GbkTest, CodeEncoderAndDecoderAgreeOverTheBmp) {
  int double_byte = 0;
  for (uint32_t u = 0x80; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const char32_t c = u;
    std::string utf8;
    AppendChar(utf8, c);
    const std::string bytes = Utf8ToGbk(utf8);
    const int16_t code = GbkCode(c);
    if (code == 63) {
      ASSERT_EQ(bytes, "&#" + std::to_string(u) + ";") << "U+" << std::hex << u;
      continue;
    }
    if (code < 0) {
      ++double_byte;
      const int unsigned_code = code + 65536;
      ASSERT_EQ(bytes.size(), 2u) << "U+" << std::hex << u;
      ASSERT_EQ(static_cast<unsigned char>(bytes[0]), unsigned_code >> 8);
      ASSERT_EQ(static_cast<unsigned char>(bytes[1]), unsigned_code & 0xFF);
    } else {
      ASSERT_EQ(bytes, std::string(1, static_cast<char>(code))) << "U+" << std::hex << u;
    }
    ASSERT_EQ(GbkToUtf8(bytes), utf8) << "U+" << std::hex << u;
  }
  // GB2312 alone has over 7000 characters; GBK over 21000.
  EXPECT_GT(double_byte, 21000);
}

}  // namespace
}  // namespace tavolin::text
