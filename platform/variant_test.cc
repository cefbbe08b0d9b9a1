// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "testing/call_error.h"

namespace tavolin {
namespace {

using testing::ErrorOf;

const Variant kArray(VariantArray(0, 0));
// Texts that are no number.
const std::vector<Variant> kNotNumbers = {"",      " ",   ".",     "-",   "1e",  "1e+",
                                          "1.2.3", "abc", "1 2",   "e5",  "--1", "0x10",
                                          "1,000", "+-1", "12abc", "True"};

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
  EXPECT_EQ(Each({"-32768", 32767}, [](const Variant& v) { return v.ToInteger(); }) +
                Each({" -1.25E2 ", "1e-400", DateTime::FromCivil(2000, 1, 1, 12)},
                     [](const Variant& v) { return v.ToDouble(); }),
            "-32768|32767|-125|0|36526.5|");
  EXPECT_EQ(Each({"True", "tRuE", " -2 ", 0.5, "FALSE", "0", Variant()},
                 [](const Variant& v) { return v.ToBoolean(); }),
            "True|True|True|True|False|False|False|");
  EXPECT_EQ(Each({36526.5, Variant(), " 2000-01-01 12:00:00"},
                 [](const Variant& v) { return v.ToDate(); }),
            "2000-01-01 12:00:00|1899-12-30 00:00:00|2000-01-01 12:00:00|");
}

TEST(VariantTest, NumericAndDateTests) {
  const auto numeric = [](const Variant& v) { return v.IsNumeric(); };
  EXPECT_EQ(Each({"12", " +1.5e3 ", ".5", "5.", "-0", "1E-3", "\t7\t", "1e400", Variant(), false,
                  Variant::Null(), DateTime(), kArray},
                 numeric),
            "True|True|True|True|True|True|True|True|True|True|False|False|False|");
  EXPECT_EQ(Each(kNotNumbers, numeric).find("True"), std::string::npos);
  EXPECT_EQ(Each({DateTime(), "2000/1/1", "12:30", "2000-02-30", "36526", 36526, Variant::Null(),
                  Variant()},
                 [](const Variant& v) { return v.IsDate(); }),
            "True|True|True|False|False|False|False|False|");
}

TEST(VariantTest, ConversionsRefuseWithTheClassicErrors) {
  // Conversions by letter: T text, L Long, I Integer, D Double, B Boolean, A date, V view.
  const std::map<char, std::function<void(const Variant&)>> convert = {
      {'T', &Variant::ToText},   {'L', &Variant::ToLong},    {'I', &Variant::ToInteger},
      {'D', &Variant::ToDouble}, {'B', &Variant::ToBoolean}, {'A', &Variant::ToDate},
      {'V', &Variant::view}};
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
        EXPECT_EQ(ErrorOf([&] { convert.at (*conversion)(value); }), c.code)
            << *conversion << " of " << (value.is_string() ? value.view() : "a non-text");
      }
    }
  }
}

TEST(VariantTest, ArrayCopiesShareStorageUntilOneIsWrittenAndCheckBounds) {
  Variant original(VariantArray(0, 2));
  original.mutable_array().at(1) = "x";
  const VariantArray* storage = &original.array();
  Variant copy = original;
  EXPECT_EQ(&copy.array(), storage);
  copy.mutable_array().at(1) = "y";
  EXPECT_EQ(original.array().at(1).ToText() + copy.array().at(1).ToText(), "xy");
  original.mutable_array().at(0) = 5;  // the sole owner again writes in place
  EXPECT_EQ(&original.array(), storage);

  VariantArray row(1, 3), grid(0, 4, 1, 6);
  row.at(3) = "last";
  EXPECT_EQ(row.at(3).ToText() + Variant(row.at(2).is_empty()).ToText(), "lastTrue");
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
  EXPECT_EQ(ErrorOf([] { Variant("a").array(); }), ErrorCode::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant().mutable_array(); }), ErrorCode::kTypeMismatch);
}

}  // namespace
}  // namespace tavolin
