// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <gtest/gtest.h>

#include <limits>

#include "tavolin/error.h"

namespace tavolin {
namespace {

// Runs `action` and returns the code of the CallError it throws.
template <typename Action>
std::optional<ErrorCode> ErrorOf(Action action) {
  try {
    action();
  } catch (const CallError& error) {
    return error.code();
  }
  return std::nullopt;
}

TEST(VariantTest, TypeFollowsTheConstructor) {
  EXPECT_EQ(Variant().type(), Variant::Type::kEmpty);
  EXPECT_EQ(Variant::Null().type(), Variant::Type::kNull);
  EXPECT_EQ(Variant(true).type(), Variant::Type::kBoolean);
  EXPECT_EQ(Variant(int16_t{3}).type(), Variant::Type::kInteger);
  EXPECT_EQ(Variant(3).type(), Variant::Type::kLong);
  EXPECT_EQ(Variant(3.0).type(), Variant::Type::kDouble);
  EXPECT_EQ(Variant(DateTime()).type(), Variant::Type::kDate);
  EXPECT_EQ(Variant("a").type(), Variant::Type::kString);
  EXPECT_EQ(Variant(std::string_view("a")).type(), Variant::Type::kString);
  EXPECT_EQ(Variant(VariantArray(0, 1)).type(), Variant::Type::kArray);
}

TEST(VariantTest, TextForms) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant(true).ToText(), "True");
  EXPECT_EQ(Variant(false).ToText(), "False");
  EXPECT_EQ(Variant(int16_t{-32768}).ToText(), "-32768");
  EXPECT_EQ(Variant(2147483647).ToText(), "2147483647");
  EXPECT_EQ(Variant(9 + 3.0 / 2).ToText(), "10.5");
  EXPECT_EQ(Variant(0.1 + 0.2).ToText(), "0.3");
  EXPECT_EQ(Variant(1.0 / 3).ToText(), "0.333333333333333");
  EXPECT_EQ(Variant(-2.5).ToText(), "-2.5");
  EXPECT_EQ(Variant(100.0).ToText(), "100");
  EXPECT_EQ(Variant(-0.0).ToText(), "0");
  EXPECT_EQ(Variant(123456789012345.0).ToText(), "123456789012345");
  EXPECT_EQ(Variant(1e15).ToText(), "1E+15");
  EXPECT_EQ(Variant(1e20).ToText(), "1E+20");
  EXPECT_EQ(Variant(-1.5e-7).ToText(), "-1.5E-07");
  EXPECT_EQ(Variant(0.0001).ToText(), "0.0001");
  EXPECT_EQ(Variant(DateTime::FromCivil(2024, 3, 5, 7, 8, 9)).ToText(), "2024-03-05 07:08:09");
  EXPECT_EQ(Variant(std::string("x y")).ToText(), "x y");

  EXPECT_EQ(ErrorOf([] { Variant::Null().ToText(); }), ErrorCode::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant(VariantArray(0, 0)).ToText(); }), ErrorCode::kTypeMismatch);

  // view() reads texts without conversion and refuses everything else.
  EXPECT_EQ(Variant("abc").view(), "abc");
  EXPECT_EQ(Variant().view(), "");
  EXPECT_EQ(ErrorOf([] { Variant(5).view(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().view(); }), ErrorCode::kTypeMismatch);
}

TEST(VariantTest, WholeNumberConversionsRoundHalfToEvenAndCheckRange) {
  EXPECT_EQ(Variant("2.5").ToInteger(), 2);
  EXPECT_EQ(Variant("3.5").ToInteger(), 4);
  EXPECT_EQ(Variant(-2.5).ToInteger(), -2);
  EXPECT_EQ(Variant(-3.5).ToLong(), -4);
  EXPECT_EQ(Variant(2.4999).ToLong(), 2);
  EXPECT_EQ(Variant(2.5001).ToLong(), 3);
  EXPECT_EQ(Variant(" 42 ").ToInteger(), 42);
  EXPECT_EQ(Variant("1e3").ToInteger(), 1000);
  EXPECT_EQ(Variant().ToInteger(), 0);
  EXPECT_EQ(Variant(true).ToInteger(), -1);
  EXPECT_EQ(Variant(false).ToLong(), 0);
  EXPECT_EQ(Variant(int16_t{-7}).ToLong(), -7);
  EXPECT_EQ(Variant(DateTime::FromCivil(2000, 1, 1, 18)).ToLong(), 36527);  // 36526.75

  EXPECT_EQ(Variant("-32768").ToInteger(), std::numeric_limits<int16_t>::min());
  EXPECT_EQ(Variant(32767).ToInteger(), 32767);
  EXPECT_EQ(ErrorOf([] { Variant("32768").ToInteger(); }), ErrorCode::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(32767.5).ToInteger(); }), ErrorCode::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(-32769).ToInteger(); }), ErrorCode::kOverflow);
  EXPECT_EQ(Variant("-2147483648").ToLong(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Variant(2147483647.0).ToLong(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ErrorOf([] { Variant("2147483648").ToLong(); }), ErrorCode::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(-2147483648.5).ToLong(); }), std::nullopt);
  EXPECT_EQ(ErrorOf([] { Variant(-2147483649.0).ToLong(); }), ErrorCode::kOverflow);

  EXPECT_EQ(ErrorOf([] { Variant("").ToInteger(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("12abc").ToLong(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("True").ToLong(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToLong(); }), ErrorCode::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant(VariantArray(0, 0)).ToInteger(); }), ErrorCode::kTypeMismatch);
}

TEST(VariantTest, NumericTexts) {
  for (const char* text : {"12", " +1.5e3 ", ".5", "5.", "-0", "1E-3", "\t7\t", "1e400"}) {
    EXPECT_TRUE(Variant(text).IsNumeric()) << text;
  }
  for (const char* text : {"", " ", ".", "-", "1e", "1e+", "1.2.3", "abc", "1 2", "e5", "--1",
                           "0x10", "1,000", "+-1"}) {
    EXPECT_FALSE(Variant(text).IsNumeric()) << text;
    EXPECT_EQ(ErrorOf([text] { Variant(text).ToDouble(); }), ErrorCode::kTypeMismatch) << text;
  }
  EXPECT_TRUE(Variant().IsNumeric());
  EXPECT_TRUE(Variant(false).IsNumeric());
  EXPECT_TRUE(Variant(1.5).IsNumeric());
  EXPECT_FALSE(Variant::Null().IsNumeric());
  EXPECT_FALSE(Variant(DateTime()).IsNumeric());
  EXPECT_FALSE(Variant(VariantArray(0, 0)).IsNumeric());

  EXPECT_DOUBLE_EQ(Variant(" -1.25E2 ").ToDouble(), -125.0);
  EXPECT_DOUBLE_EQ(Variant(".5").ToDouble(), 0.5);
  EXPECT_EQ(Variant("1e-400").ToDouble(), 0.0);
  EXPECT_EQ(ErrorOf([] { Variant("1e400").ToDouble(); }), ErrorCode::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant("-0.00001e320").ToDouble(); }), ErrorCode::kOverflow);
  EXPECT_EQ(Variant("0.00001e-330").ToDouble(), 0.0);
}

TEST(VariantTest, BooleanConversions) {
  EXPECT_TRUE(Variant("True").ToBoolean());
  EXPECT_TRUE(Variant("tRuE").ToBoolean());
  EXPECT_FALSE(Variant("FALSE").ToBoolean());
  EXPECT_FALSE(Variant("0").ToBoolean());
  EXPECT_TRUE(Variant(" -2 ").ToBoolean());
  EXPECT_TRUE(Variant(0.5).ToBoolean());
  EXPECT_FALSE(Variant().ToBoolean());
  EXPECT_TRUE(Variant(int16_t{-1}).ToBoolean());
  EXPECT_EQ(Variant(true).ToDouble(), -1.0);
  EXPECT_EQ(ErrorOf([] { Variant("yes").ToBoolean(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToBoolean(); }), ErrorCode::kInvalidUseOfNull);
}

TEST(VariantTest, DateConversions) {
  const DateTime noon = DateTime::FromCivil(2000, 1, 1, 12);
  EXPECT_DOUBLE_EQ(Variant(noon).ToDouble(), 36526.5);
  EXPECT_EQ(Variant(36526.5).ToDate(), noon);
  EXPECT_EQ(Variant(36526).ToDate(), DateTime::FromCivil(2000, 1, 1));
  EXPECT_EQ(Variant().ToDate(), DateTime());
  EXPECT_EQ(Variant(" 2000-01-01 12:00:00").ToDate(), noon);
  EXPECT_EQ(Variant(noon.ToString()).ToDate(), noon);

  EXPECT_TRUE(Variant(noon).IsDate());
  EXPECT_TRUE(Variant("2000/1/1").IsDate());
  EXPECT_TRUE(Variant("12:30").IsDate());
  EXPECT_FALSE(Variant("2000-02-30").IsDate());
  EXPECT_FALSE(Variant("36526").IsDate());
  EXPECT_FALSE(Variant(36526).IsDate());
  EXPECT_FALSE(Variant::Null().IsDate());
  EXPECT_FALSE(Variant().IsDate());

  EXPECT_EQ(ErrorOf([] { Variant("tomorrow").ToDate(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("36526").ToDate(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToDate(); }), ErrorCode::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant(1e9).ToDate(); }), ErrorCode::kOverflow);
}

TEST(VariantTest, CopiesShareStorageUntilWrittenThroughMutableArray) {
  Variant original(VariantArray(0, 2));
  original.mutable_array().at(1) = "x";
  const VariantArray* storage = &original.array();
  EXPECT_EQ(&original.mutable_array(), storage);  // not shared: changed in place

  Variant copy = original;
  EXPECT_EQ(&copy.array(), storage);  // copying shares, it does not clone

  copy.mutable_array().at(1) = "y";
  EXPECT_NE(&copy.array(), storage);
  EXPECT_EQ(original.array().at(1).ToText(), "x");
  EXPECT_EQ(copy.array().at(1).ToText(), "y");

  // The original is the sole owner again, so it writes in place.
  original.mutable_array().at(0) = 5;
  EXPECT_EQ(&original.array(), storage);
  EXPECT_TRUE(copy.array().at(0).is_empty());

  EXPECT_EQ(ErrorOf([] { Variant("a").array(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant().mutable_array(); }), ErrorCode::kTypeMismatch);
}

TEST(VariantArrayTest, OneDimension) {
  VariantArray array(1, 3);
  EXPECT_EQ(array.dimensions(), 1);
  EXPECT_EQ(array.lower_bound(), 1);
  EXPECT_EQ(array.upper_bound(1), 3);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(array.at(i).is_empty());
  array.at(3) = "last";
  EXPECT_EQ(array.at(3).view(), "last");
  EXPECT_TRUE(array.at(2).is_empty());

  EXPECT_EQ(ErrorOf([&] { array.at(0); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { array.at(4); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { array.at(1, 1); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { array.lower_bound(2); }), ErrorCode::kSubscriptOutOfRange);

  const VariantArray empty(0, -1);
  EXPECT_EQ(empty.upper_bound(), -1);
  EXPECT_EQ(ErrorOf([&] { empty.at(0); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([] { VariantArray(0, -2); }), ErrorCode::kSubscriptOutOfRange);
}

TEST(VariantArrayTest, TwoDimensionsAddressDistinctCells) {
  VariantArray array(0, 4, 1, 6);
  EXPECT_EQ(array.dimensions(), 2);
  EXPECT_EQ(array.lower_bound(2), 1);
  EXPECT_EQ(array.upper_bound(2), 6);
  for (int i = 0; i <= 4; ++i) {
    for (int j = 1; j <= 6; ++j) array.at(i, j) = i * 10 + j;
  }
  const VariantArray& read = array;
  for (int i = 0; i <= 4; ++i) {
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(read.at(i, j).ToLong(), i * 10 + j);
  }
  EXPECT_EQ(ErrorOf([&] { read.at(0, 0); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { read.at(5, 1); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { read.at(0, 7); }), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { read.at(1); }), ErrorCode::kSubscriptOutOfRange);
}

}  // namespace
}  // namespace tavolin
