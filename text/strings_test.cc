// Copyright Tavolin developers.

#include "text/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolin::text {
namespace {

using Pieces = std::vector<std::string_view>;

TEST(StringsTest, ReplaceSplitAndCaseFollowThePlatform) {
  EXPECT_EQ(TrimBlanks(" \ta\n\xE3\x80\x80 "), "\ta\n\xE3\x80\x80");  // blanks only
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");                      // left to right, no rescan
  EXPECT_EQ(ReplaceAll("a-a", "a", "aa"), "aa-aa");
  EXPECT_EQ(ReplaceFirst("bad bad", "bad", "X"), "X bad");
  EXPECT_EQ(ReplaceFirst("abc", "", "x"), "abc");
  EXPECT_EQ(Split("", ","), Pieces{});
  EXPECT_EQ(Split("<$k$>f$>", "$>"), (Pieces{"<$k", "f", ""}));
  EXPECT_EQ(Join({"a", "", "b"}, ","), "a,,b");
  EXPECT_EQ(AsciiLower("AbZ@[长\xC3\x89"), "abz@[长\xC3\x89");
  EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));                // neighbours of the letter ranges
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));  // É and é
}

// Counting, cutting and decoding go by code point; a stray byte is one
// character of its own (U+DC80 and up), written back as that byte.
TEST(StringsTest, CountingCuttingAndDecodingGoByCodePoint) {
  const std::string text = "a长\xF0\x9F\x98\x80z";  // a, a hanzi, an emoji, z
  EXPECT_EQ(CharCount(text), 4u);
  EXPECT_EQ(LeftChars(text, 0), "");
  EXPECT_EQ(LeftChars(text, 3), "a长\xF0\x9F\x98\x80");
  EXPECT_EQ(LeftChars(text, 99), text);
  EXPECT_EQ(CharCount("\xE9\x95"), 2u);  // a truncated sequence is two stray bytes
  EXPECT_EQ(LeftChars("\xE9\x95x", 1), "\xE9");
  const std::pair<std::string, std::vector<char32_t>> decoded[] = {
      {text, {'a', 0x957F, 0x1F600, 'z'}},
      {"\x80x", {0xDC80, 'x'}},
      {"\xC2\xA9\xFF", {0xA9, 0xDCFF}},
      {"\xC0\xAF", {0xDCC0, 0xDCAF}},                          // overlong "/"
      {"\xED\xA0\x80", {0xDCED, 0xDCA0, 0xDC80}},              // an encoded surrogate
      {"\xF4\x90\x80\x80", {0xDCF4, 0xDC90, 0xDC80, 0xDC80}},  // past U+10FFFF
      {"\xF4\x8F\xBF\xBF", {0x10FFFF}},
  };
  for (const auto& [bytes, codes] : decoded) {
    EXPECT_EQ(Chars(bytes), codes) << bytes;
    std::string rebuilt;
    for (char32_t c : codes) AppendChar(rebuilt, c);
    EXPECT_EQ(rebuilt, bytes);
  }
  std::string out;
  for (char32_t none : {0xD800, 0x110000}) AppendChar(out, none);  // stand for no byte
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tavolin::text
