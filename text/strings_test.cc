// Copyright Tavolin developers.

#include "text/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolin::text {
namespace {

using Pieces = std::vector<std::string_view>;

TEST(StringsTest, TrimBlanksRemovesOnlySpaces) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\ta\n"), "\ta\n");
  EXPECT_EQ(TrimBlanks("\xE3\x80\x80x \xE3\x80\x80"), "\xE3\x80\x80x \xE3\x80\x80");
}

TEST(StringsTest, ReplaceScansLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("a-a", "a", "aa"), "aa-aa");
  EXPECT_EQ(ReplaceAll("&&", "&", "&amp;"), "&amp;&amp;");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "z", "x"), "abc");

  EXPECT_EQ(ReplaceFirst("bad bad", "bad", "X"), "X bad");
  EXPECT_EQ(ReplaceFirst("a bad", "bad", ""), "a ");
  EXPECT_EQ(ReplaceFirst("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceFirst("Bad", "bad", "x"), "Bad");
}

TEST(StringsTest, SplitKeepsEmptyPiecesButEmptyTextHasNone) {
  EXPECT_EQ(Split("", ","), Pieces{});
  EXPECT_EQ(Split("a", ","), Pieces{"a"});
  EXPECT_EQ(Split("a,,b", ","), (Pieces{"a", "", "b"}));
  EXPECT_EQ(Split(",", ","), (Pieces{"", ""}));
  EXPECT_EQ(Split("<$k$>f$>", "$>"), (Pieces{"<$k", "f", ""}));

  EXPECT_EQ(Join({}, ","), "");
  EXPECT_EQ(Join({"a", "", "b"}, ","), "a,,b");
  const std::string record = "x$>$>y";
  std::vector<std::string> pieces;
  for (std::string_view piece : Split(record, "$>")) pieces.emplace_back(piece);
  EXPECT_EQ(Join(pieces, "$>"), record);
}

TEST(StringsTest, ContainsAndAsciiCase) {
  EXPECT_TRUE(Contains("chat room", "t r"));
  EXPECT_FALSE(Contains("chat", "Chat"));
  EXPECT_TRUE(Contains("chat", ""));

  EXPECT_EQ(AsciiLower("AbZ@[长\xC3\x89"), "abz@[长\xC3\x89");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Tavolin.Corvane", "tAVOLIN.corvane"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("Tavolin.Corvane", "Tavolin.Corvan"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));                // neighbours of the letter ranges
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));  // É and é
}

TEST(StringsTest, CountingAndCuttingGoByCodePoint) {
  const std::string text = "a长\xF0\x9F\x98\x80z";  // a, a hanzi, an emoji, z
  EXPECT_EQ(CharCount(""), 0u);
  EXPECT_EQ(CharCount(text), 4u);
  EXPECT_EQ(LeftChars(text, 0), "");
  EXPECT_EQ(LeftChars(text, 2), "a长");
  EXPECT_EQ(LeftChars(text, 3), "a长\xF0\x9F\x98\x80");
  EXPECT_EQ(LeftChars(text, 99), text);

  // A truncated sequence is two stray bytes, and cutting never splits it
  // differently from counting.
  EXPECT_EQ(CharCount("\xE9\x95"), 2u);
  EXPECT_EQ(LeftChars("\xE9\x95x", 1), "\xE9");
}

TEST(StringsTest, InvalidBytesDecodeOneByOneAndRoundTrip) {
  EXPECT_EQ(Chars("a长\xF0\x9F\x98\x80"), (std::vector<char32_t>{'a', 0x957F, 0x1F600}));
  EXPECT_EQ(Chars("\xFF"), (std::vector<char32_t>{0xDCFF}));
  EXPECT_EQ(Chars("\x80x"), (std::vector<char32_t>{0xDC80, 'x'}));
  // Overlong form of "/", an encoded surrogate and a code point past U+10FFFF.
  EXPECT_EQ(Chars("\xC0\xAF"), (std::vector<char32_t>{0xDCC0, 0xDCAF}));
  EXPECT_EQ(Chars("\xED\xA0\x80"), (std::vector<char32_t>{0xDCED, 0xDCA0, 0xDC80}));
  EXPECT_EQ(CharCount("\xF4\x90\x80\x80"), 4u);
  EXPECT_EQ(Chars("\xF4\x8F\xBF\xBF"), (std::vector<char32_t>{0x10FFFF}));

  const std::string mixed = "a\xFF长\xC2\xA9\xE9\xF0\x9F\x98\x80\xC0";
  std::string rebuilt;
  for (char32_t c : Chars(mixed)) AppendChar(rebuilt, c);
  EXPECT_EQ(rebuilt, mixed);

  std::string out;
  AppendChar(out, 0xD800);  // a surrogate that stands for no byte
  AppendChar(out, 0x110000);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tavolin::text
