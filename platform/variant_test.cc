// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "testing/call_error.h"

namespace tavolin {
namespace {

using testing::ErrorOf;

const Variant kArray(VariantArray(0, 0));

// The error of one conversion of `value`, named by a letter: T text, L Long,
// I Integer, D Double, B Boolean, A date, V view.
std::optional<ErrorCode> ConversionError(const Variant& value, char conversion) {
  return ErrorOf([&] {
    if (conversion == 'T') value.ToText();
    if (conversion == 'L') value.ToLong();
    if (conversion == 'I') value.ToInteger();
    if (conversion == 'D') value.ToDouble();
    if (conversion == 'B') value.ToBoolean();
    if (conversion == 'A') value.ToDate();
    if (conversion == 'V') value.view();
  });
}

// The results of `convert` on each value, each followed by "|".
template <typename Convert>
std::string Each(const std::vector<Variant>& values, Convert convert) {
  std::string results;
  for (const Variant& value : values) results += Variant(convert(value)).ToText() + "|";
  return results;
}

TEST(VariantTest, ConversionsThatSucceed) {
  EXPECT_EQ(Each({Variant(), true, false, int16_t{-32768}, 2147483647, 9 + 3.0 / 2, 0.1 + 0.2,
                  1.0 / 3, -2.5, 100.0, -0.0, 123456789012345.0, 1e15, -1.5e-7, 0.0001,
                  DateTime::FromCivil(2024, 3, 5, 7, 8, 9), std::string_view("x y")},
                 [](const Variant& v) { return v.ToText(); }),
            "|True|False|-32768|2147483647|10.5|0.3|0.333333333333333|-2.5|100|0|123456789012345|"
            "1E+15|-1.5E-07|0.0001|2024-03-05 07:08:09|x y|");
  EXPECT_EQ(Variant().view(), "");
  // Whole numbers round half to even; 2000-01-01 18:00 is 36526.75.
  EXPECT_EQ(
      Each({"2.5", "3.5", -2.5, -3.5, 2.4999, 2.5001, " 42 ", "1e3", Variant(), true, int16_t{-7},
            -2147483648.5, DateTime::FromCivil(2000, 1, 1, 18), "-2147483648", 2147483647.0},
           [](const Variant& v) { return v.ToLong(); }),
      "2|4|-2|-4|2|3|42|1000|0|-1|-7|-2147483648|36527|-2147483648|2147483647|");
  EXPECT_EQ(Each({"-32768", 32767}, [](const Variant& v) { return v.ToInteger(); }),
            "-32768|32767|");
  EXPECT_EQ(Each({" -1.25E2 ", "1e-400"}, [](const Variant& v) { return v.ToDouble(); }),
            "-125|0|");
  EXPECT_EQ(Each({"True", "tRuE", " -2 ", 0.5, "FALSE", "0", Variant()},
                 [](const Variant& v) { return v.ToBoolean(); }),
            "True|True|True|True|False|False|False|");
  const DateTime noon = DateTime::FromCivil(2000, 1, 1, 12);
  EXPECT_DOUBLE_EQ(Variant(noon).ToDouble(), 36526.5);
  EXPECT_EQ(Each({36526.5, Variant(), " 2000-01-01 12:00:00"},
                 [](const Variant& v) { return v.ToDate(); }),
            "2000-01-01 12:00:00|1899-12-30 00:00:00|2000-01-01 12:00:00|");
}

// Texts that are no number.
const std::vector<Variant> kNotNumbers = {"",      " ",   ".",     "-",   "1e",  "1e+",
                                          "1.2.3", "abc", "1 2",   "e5",  "--1", "0x10",
                                          "1,000", "+-1", "12abc", "True"};

TEST(VariantTest, NumericAndDateTests) {
  for (const Variant& numeric :
       {Variant("12"), Variant(" +1.5e3 "), Variant(".5"), Variant("5."), Variant("-0"),
        Variant("1E-3"), Variant("\t7\t"), Variant("1e400"), Variant(), Variant(false)}) {
    EXPECT_TRUE(numeric.IsNumeric()) << numeric.ToText();
  }
  std::vector<Variant> others = {Variant::Null(), DateTime(), kArray};
  others.insert(others.end(), kNotNumbers.begin(), kNotNumbers.end());
  for (const Variant& other : others) EXPECT_FALSE(other.IsNumeric());
  for (const Variant& date : {Variant(DateTime()), Variant("2000/1/1"), Variant("12:30")}) {
    EXPECT_TRUE(date.IsDate()) << date.ToText();
  }
  for (const Variant& other :
       {Variant("2000-02-30"), Variant("36526"), Variant(36526), Variant::Null(), Variant()}) {
    EXPECT_FALSE(other.IsDate());
  }
}

TEST(VariantTest, ConversionsRefuseWithTheClassicErrors) {
  const struct {
    const char* conversions;
    ErrorCode code;
    std::vector<Variant> values;
  } cases[] = {
      {"TLIDBA", ErrorCode::kInvalidUseOfNull, {Variant::Null()}},
      {"V", ErrorCode::kTypeMismatch, {Variant::Null(), 5}},
      {"TLID", ErrorCode::kTypeMismatch, {kArray}},
      {"LI", ErrorCode::kOverflow, {"2147483648", -2147483649.0}},
      {"I", ErrorCode::kOverflow, {"32768", 32767.5, -32769}},
      {"LID", ErrorCode::kTypeMismatch, kNotNumbers},
      {"D", ErrorCode::kOverflow, {"1e400", "-0.00001e320"}},
      {"B", ErrorCode::kTypeMismatch, {"yes"}},
      {"A", ErrorCode::kTypeMismatch, {"tomorrow", "36526"}},
      {"A", ErrorCode::kOverflow, {1e9}},
  };
  for (const auto& c : cases) {
    for (const Variant& value : c.values) {
      for (const char* conversion = c.conversions; *conversion != '\0'; ++conversion) {
        EXPECT_EQ(ConversionError(value, *conversion), c.code)
            << *conversion << " of " << (value.is_string() ? value.view() : "a non-text");
      }
    }
  }
}

TEST(VariantTest, CopiesShareAnArrayUntilOneIsWritten) {
  Variant original(VariantArray(0, 2));
  original.mutable_array().at(1) = "x";
  const VariantArray* storage = &original.array();
  Variant copy = original;
  EXPECT_EQ(&copy.array(), storage);
  copy.mutable_array().at(1) = "y";
  EXPECT_EQ(original.array().at(1).view(), "x");
  EXPECT_EQ(copy.array().at(1).view(), "y");
  // The original is the sole owner again, so it writes in place.
  original.mutable_array().at(0) = 5;
  EXPECT_EQ(&original.array(), storage);
  EXPECT_EQ(ErrorOf([] { Variant("a").array(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant().mutable_array(); }), ErrorCode::kTypeMismatch);
}

TEST(VariantArrayTest, BoundsAndDistinctCells) {
  VariantArray row(1, 3);
  row.at(3) = "last";
  EXPECT_EQ(row.at(3).view(), "last");
  EXPECT_TRUE(row.at(2).is_empty());
  VariantArray grid(0, 4, 1, 6);
  for (int k = 0; k < 30; ++k) grid.at(k / 6, k % 6 + 1) = k;
  for (int k = 0; k < 30; ++k) EXPECT_EQ(grid.at(k / 6, k % 6 + 1).ToLong(), k);
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
