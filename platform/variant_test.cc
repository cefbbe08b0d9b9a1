// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tavolin/error.h"

namespace tavolin {
namespace {

std::optional<ErrorCode> ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const CallError& error) {
    return error.code();
  }
  return std::nullopt;
}

const Variant kArray(VariantArray(0, 0));

TEST(VariantTest, TextForms) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(), ""},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(int16_t{-32768}), "-32768"},
      {Variant(2147483647), "2147483647"},
      {Variant(9 + 3.0 / 2), "10.5"},
      {Variant(0.1 + 0.2), "0.3"},
      {Variant(1.0 / 3), "0.333333333333333"},
      {Variant(-2.5), "-2.5"},
      {Variant(100.0), "100"},
      {Variant(-0.0), "0"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E+15"},
      {Variant(-1.5e-7), "-1.5E-07"},
      {Variant(0.0001), "0.0001"},
      {Variant(DateTime::FromCivil(2024, 3, 5, 7, 8, 9)), "2024-03-05 07:08:09"},
      {Variant(std::string_view("x y")), "x y"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text);
  EXPECT_EQ(Variant(3).type(), Variant::Type::kLong);
  EXPECT_EQ(Variant(int16_t{3}).type(), Variant::Type::kInteger);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToText(); }), ErrorCode::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { kArray.ToText(); }), ErrorCode::kTypeMismatch);
  // view() reads texts without conversion and refuses everything else.
  EXPECT_EQ(Variant().view(), "");
  EXPECT_EQ(ErrorOf([] { Variant(5).view(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().view(); }), ErrorCode::kTypeMismatch);
}

TEST(VariantTest, WholeNumbersRoundHalfToEvenAndCheckRange) {
  const std::pair<Variant, int32_t> longs[] = {
      {Variant("2.5"), 2},
      {Variant("3.5"), 4},
      {Variant(-2.5), -2},
      {Variant(-3.5), -4},
      {Variant(2.4999), 2},
      {Variant(2.5001), 3},
      {Variant(" 42 "), 42},
      {Variant("1e3"), 1000},
      {Variant(), 0},
      {Variant(true), -1},
      {Variant(int16_t{-7}), -7},
      {Variant(-2147483648.5), INT32_MIN},
      {Variant(DateTime::FromCivil(2000, 1, 1, 18)), 36527},  // 36526.75
      {Variant("-2147483648"), INT32_MIN},
      {Variant(2147483647.0), INT32_MAX},
  };
  for (const auto& [value, expected] : longs) EXPECT_EQ(value.ToLong(), expected);
  EXPECT_EQ(Variant("-32768").ToInteger(), -32768);
  EXPECT_EQ(Variant(32767).ToInteger(), 32767);

  const std::pair<Variant, ErrorCode> refused[] = {
      {Variant("2147483648"), ErrorCode::kOverflow},
      {Variant(-2147483649.0), ErrorCode::kOverflow},
      {Variant(""), ErrorCode::kTypeMismatch},
      {Variant("12abc"), ErrorCode::kTypeMismatch},
      {Variant("True"), ErrorCode::kTypeMismatch},
      {Variant::Null(), ErrorCode::kInvalidUseOfNull},
      {kArray, ErrorCode::kTypeMismatch},
  };
  for (const auto& [value, code] : refused) {
    EXPECT_EQ(ErrorOf([&] { value.ToLong(); }), code);
    EXPECT_EQ(ErrorOf([&] { value.ToInteger(); }), code);
  }
  for (const Variant& value : {Variant("32768"), Variant(32767.5), Variant(-32769)}) {
    EXPECT_EQ(ErrorOf([&] { value.ToInteger(); }), ErrorCode::kOverflow) << value.ToText();
  }
}

TEST(VariantTest, NumericTextsBooleansAndDates) {
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
  EXPECT_FALSE(Variant::Null().IsNumeric());
  EXPECT_FALSE(Variant(DateTime()).IsNumeric());
  EXPECT_FALSE(kArray.IsNumeric());
  EXPECT_DOUBLE_EQ(Variant(" -1.25E2 ").ToDouble(), -125.0);
  EXPECT_EQ(Variant("1e-400").ToDouble(), 0.0);
  EXPECT_EQ(ErrorOf([] { Variant("1e400").ToDouble(); }), ErrorCode::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant("-0.00001e320").ToDouble(); }), ErrorCode::kOverflow);

  for (const Variant& yes : {Variant("True"), Variant("tRuE"), Variant(" -2 "), Variant(0.5)}) {
    EXPECT_TRUE(yes.ToBoolean()) << yes.ToText();
  }
  for (const Variant& no : {Variant("FALSE"), Variant("0"), Variant()}) {
    EXPECT_FALSE(no.ToBoolean()) << no.ToText();
  }
  EXPECT_EQ(ErrorOf([] { Variant("yes").ToBoolean(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToBoolean(); }), ErrorCode::kInvalidUseOfNull);

  const DateTime noon = DateTime::FromCivil(2000, 1, 1, 12);
  EXPECT_DOUBLE_EQ(Variant(noon).ToDouble(), 36526.5);
  EXPECT_EQ(Variant(36526.5).ToDate(), noon);
  EXPECT_EQ(Variant().ToDate(), DateTime());
  EXPECT_EQ(Variant(" 2000-01-01 12:00:00").ToDate(), noon);
  for (const Variant& date : {Variant(noon), Variant("2000/1/1"), Variant("12:30")}) {
    EXPECT_TRUE(date.IsDate()) << date.ToText();
  }
  for (const Variant& other :
       {Variant("2000-02-30"), Variant("36526"), Variant(36526), Variant::Null(), Variant()}) {
    EXPECT_FALSE(other.IsDate());
  }
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

TEST(VariantArrayTest, BoundsAndDistinctCells) {
  VariantArray row(1, 3);
  EXPECT_EQ(row.dimensions(), 1);
  EXPECT_EQ(row.lower_bound(), 1);
  row.at(3) = "last";
  EXPECT_EQ(row.at(3).view(), "last");
  EXPECT_TRUE(row.at(2).is_empty());
  VariantArray grid(0, 4, 1, 6);
  EXPECT_EQ(grid.upper_bound(2), 6);
  for (int i = 0; i <= 4; ++i) {
    for (int j = 1; j <= 6; ++j) grid.at(i, j) = i * 10 + j;
  }
  for (int i = 0; i <= 4; ++i) {
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(grid.at(i, j).ToLong(), i * 10 + j);
  }
  const VariantArray empty(0, -1);
  EXPECT_EQ(empty.upper_bound(), -1);
  for (const auto& out_of_range : std::vector<std::function<void()>>{
           [&] { row.at(0); }, [&] { row.at(4); }, [&] { row.at(1, 1); },
           [&] { row.lower_bound(2); }, [&] { empty.at(0); }, [] { VariantArray(0, -2); },
           [&] { grid.at(0, 0); }, [&] { grid.at(5, 1); }, [&] { grid.at(0, 7); },
           [&] { grid.at(1); }}) {
    EXPECT_EQ(ErrorOf(out_of_range), ErrorCode::kSubscriptOutOfRange);
  }
}

}  // namespace
}  // namespace tavolin
