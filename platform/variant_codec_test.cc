// Copyright Tavolin developers.

#include "platform/variant_codec.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavolin {
namespace {

// The type and exact content of `value`: doubles by their bits, arrays with
// their bounds and cells.
std::string Describe(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::kEmpty:
      return "Empty";
    case Variant::Type::kNull:
      return "Null";
    case Variant::Type::kBoolean:
      return value.ToBoolean() ? "True" : "False";
    case Variant::Type::kInteger:
      return "Integer " + std::to_string(value.ToInteger());
    case Variant::Type::kLong:
      return "Long " + std::to_string(value.ToLong());
    case Variant::Type::kDouble: {
      char bits[32];
      std::snprintf(bits, sizeof bits, "%016llx",
                    static_cast<unsigned long long>(std::bit_cast<uint64_t>(value.ToDouble())));
      return std::string("Double ") + bits;
    }
    case Variant::Type::kDate:
      return "Date " + std::to_string(value.ToDate().SecondsSinceEpoch());
    case Variant::Type::kString:
      return "String [" + std::string(value.view()) + "]";
    case Variant::Type::kArray: {
      const VariantArray& array = value.array();
      std::string text = "Array";
      for (int d = 1; d <= array.dimensions(); ++d) {
        text += " " + std::to_string(array.lower_bound(d)) + ".." +
                std::to_string(array.upper_bound(d));
      }
      text += " (";
      for (int64_t i = array.lower_bound(1); i <= array.upper_bound(1); ++i) {
        if (array.dimensions() == 1) {
          text += Describe(array.at(static_cast<int>(i))) + "; ";
          continue;
        }
        for (int64_t j = array.lower_bound(2); j <= array.upper_bound(2); ++j) {
          text += Describe(array.at(static_cast<int>(i), static_cast<int>(j))) + "; ";
        }
      }
      return text + ")";
    }
  }
  return "?";
}

Variant Array1(int lower, std::vector<Variant> cells) {
  // Bracketed, so that an array ending at the largest int never passes it.
  VariantArray array(lower, lower + (static_cast<int>(cells.size()) - 1));
  for (size_t i = 0; i < cells.size(); ++i) array.at(lower + static_cast<int>(i)) = cells[i];
  return array;
}

Variant Nested(int depth) { return depth == 0 ? Variant(1) : Array1(0, {Nested(depth - 1)}); }

TEST(VariantCodecTest, EveryTypeRoundTripsExactlyAndCompactly) {
  VariantArray grid(-2, -1, 5, 7);
  grid.at(-2, 5) = "a";
  grid.at(-1, 7) = Array1(1, {2.5, Variant::Null()});
  VariantArray empty_rows(3, 2, -1, 1);
  const double nan_with_payload = std::bit_cast<double>(uint64_t{0x7ff8000000000123});
  const int kMax = std::numeric_limits<int>::max();
  const int kMin = std::numeric_limits<int>::min();
  struct Case {
    Variant value;
    size_t max_size;  // a bound on the encoding's length, version byte included
  } cases[] = {
      {Variant(), 2},
      {Variant::Null(), 2},
      {true, 2},
      {false, 2},
      {int16_t{0}, 3},
      {std::numeric_limits<int16_t>::min(), 5},
      {std::numeric_limits<int16_t>::max(), 5},
      {5, 3},
      {kMin, 7},
      {kMax, 7},
      {-0.0, 10},
      {nan_with_payload, 10},
      {std::numeric_limits<double>::infinity(), 10},
      {std::numeric_limits<double>::denorm_min(), 10},
      {0.1 + 0.2, 10},
      {DateTime::FromCivil(2024, 2, 29, 23, 59, 59), 8},
      {DateTime::FromCivil(100, 1, 1), 12},
      {DateTime(), 12},
      {"", 3},
      {std::string("nul\0and \xff\xfe bytes", 16), 19},
      {std::string(300, 'x'), 304},
      {Array1(0, {}), 5},
      {Array1(-5, {1, "two", int16_t{3}, Variant(), Variant::Null()}), 20},
      {Array1(kMax, {"last"}), 15},
      {Array1(kMin, {"first"}), 15},
      {grid, 40},
      {empty_rows, 8},
      {Array1(1, {Array1(0, {Array1(7, {"deep"})}), DateTime::FromCivil(2001, 1, 1)}), 40},
      {Nested(kMaxVariantNesting), 4 * kMaxVariantNesting + 3},
  };
  for (const Case& c : cases) {
    const std::string encoded = EncodeVariant(c.value);
    SCOPED_TRACE(Describe(c.value));
    EXPECT_EQ(Describe(DecodeVariant(encoded)), Describe(c.value));
    EXPECT_LE(encoded.size(), c.max_size);
  }

  const NamedValues named = {{"myname", "Lin"}, {"", Variant()}, {"grid", grid}, {"myname", 7}};
  const NamedValues decoded = DecodeNamedValues(EncodeNamedValues(named));
  ASSERT_EQ(decoded.size(), named.size());
  for (size_t i = 0; i < named.size(); ++i) {
    EXPECT_EQ(decoded[i].first, named[i].first);
    EXPECT_EQ(Describe(decoded[i].second), Describe(named[i].second));
  }
  EXPECT_TRUE(DecodeNamedValues(EncodeNamedValues({})).empty());
  EXPECT_THROW(EncodeVariant(Nested(kMaxVariantNesting + 1)), std::invalid_argument);
}

TEST(VariantCodecTest, MalformedBytesAreRefused) {
  using namespace std::string_literals;
  const std::string too_deep = "\x01"s + [] {
    std::string nest;
    for (int i = 0; i <= kMaxVariantNesting; ++i) nest += "\x09\x00\x01"s;
    return nest + "\x00"s;
  }();
  struct Case {
    std::string bytes;
    bool named = false;  // for DecodeNamedValues rather than DecodeVariant
  } cases[] = {
      {""s},
      {"\x02\x00"s},      // unknown version
      {"\x01"s},          // no value
      {"\x01\x63"s},      // unknown type
      {"\x01\x00\x00"s},  // bytes after the value
      {"\x01\x08\x05"
       "abc"s},                                               // text shorter than its length
      {"\x01\x05\x80\x00"s},                                  // number not in its shortest form
      {"\x01\x05\x80"s},                                      // number cut short
      {"\x01\x04\x80\x80\x04"s},                              // Integer past 16 bits
      {"\x01\x05\x80\x80\x80\x80\x10"s},                      // Long past 32 bits
      {"\x01\x07\xff\xff\xff\xff\xff\xff\xff\xff\xff\x02"s},  // number past 64 bits
      {"\x01\x06\x00\x00\x00"s},                              // Double cut short
      {"\x01\x09\x00\xff\xff\xff\xff\x0f"s},                  // more cells than bytes
      {"\x01\x09\xfe\xff\xff\xff\x0f\x02\x00\x00"s},          // upper bound past 32 bits
      {"\x01\x09\xff\xff\xff\xff\x0f\x00"s},                  // no cells below the least bound
      {"\x01\x0a\x00\x80\x80\x04\x00\x80\x80\x04\x00"s},      // rows times columns past the bytes
      {too_deep},
      {"\x01\x01"s, true},      // a count larger than the bytes
      {"\x01\x01\x01"s, true},  // a name without its value
      {"\x01\x00\x00"s, true},  // bytes after the values
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    if (c.named) {
      EXPECT_THROW(DecodeNamedValues(c.bytes), std::invalid_argument);
    } else {
      EXPECT_THROW(DecodeVariant(c.bytes), std::invalid_argument);
    }
  }
}

}  // namespace
}  // namespace tavolin
