// Copyright Tavolin developers.
//
// Variant: the value type of the engine's interface. Every method argument and
// result, every application-state and session value and every database field
// is a Variant.
//
// Texts and arrays are held immutable behind shared pointers, so copying a
// Variant costs O(1) whatever it holds: reading the user list or the say ring
// out of application state never copies them. Changing an array through
// mutable_array() copies it first when it is shared (copy on write).
//
// Thread safety: a Variant is a value; distinct Variant objects may be used
// from different threads even when they share storage.

#ifndef TAVOLIN_VARIANT_H_
#define TAVOLIN_VARIANT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tavolin/date_time.h"

namespace tavolin {

class VariantArray;

class Variant {
 public:
  enum class Type { kEmpty, kNull, kBoolean, kInteger, kLong, kDouble, kDate, kString, kArray };

  Variant() = default;  // Empty
  static Variant Null();

  Variant(bool value);              // NOLINT(google-explicit-constructor)
  Variant(int16_t value);           // NOLINT: Integer, 16-bit
  Variant(int value);               // NOLINT: Long, 32-bit
  Variant(double value);            // NOLINT
  Variant(DateTime value);          // NOLINT
  Variant(std::string value);       // NOLINT
  Variant(std::string_view value);  // NOLINT
  Variant(const char* value);       // NOLINT
  Variant(VariantArray value);      // NOLINT

  Type type() const;
  bool is_empty() const { return type() == Type::kEmpty; }
  bool is_null() const { return type() == Type::kNull; }
  bool is_string() const { return type() == Type::kString; }
  bool is_array() const { return type() == Type::kArray; }

  // The text of a String or "" for Empty, without copying. Throws CallError
  // (kTypeMismatch) for any other type: use ToText() to convert those.
  std::string_view view() const;

  // Conversions. Each throws CallError on failure: kTypeMismatch for a value
  // that cannot be read as the target, kOverflow for a number outside the
  // target range, kInvalidUseOfNull for Null.
  //
  // ToText: Empty "", Boolean "True"/"False", integers plain, doubles in the
  // shortest form of up to 15 significant digits (9 + 3/2 gives "10.5"),
  // dates in DateTime::ToString() form.
  std::string ToText() const;
  // Round half to even ("2.5" gives 2, "3.5" gives 4); Empty gives 0,
  // Boolean true gives -1; texts must be numeric (see IsNumeric).
  int16_t ToInteger() const;
  int32_t ToLong() const;
  double ToDouble() const;
  bool ToBoolean() const;
  // Dates; texts in a DateTime::Parse form; numbers as serial dates.
  DateTime ToDate() const;

  // True for Empty, Boolean, the numeric types, and texts that read as a
  // decimal number (surrounding blanks, a sign, a decimal point and an
  // exponent allowed). False for Null, dates, arrays and other texts.
  bool IsNumeric() const;
  // True for dates and for texts in a DateTime::Parse form.
  bool IsDate() const;

  // Throws CallError (kTypeMismatch) unless type() is kArray.
  const VariantArray& array() const;
  // Copy on write: copies the array first when another Variant shares it.
  // Throws CallError (kTypeMismatch) unless type() is kArray.
  VariantArray& mutable_array();

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  using Storage = std::variant<std::monostate, NullTag, bool, int16_t, int32_t, double, DateTime,
                               std::shared_ptr<const std::string>, std::shared_ptr<VariantArray>>;
  Storage value_;
};

// An array of Variants with one or two dimensions and fixed bounds, each
// dimension from a lower to an upper bound inclusive. Indexing outside the
// bounds, or with the wrong number of subscripts, throws CallError
// (kSubscriptOutOfRange).
class VariantArray {
 public:
  // REQUIRES: upper >= lower - 1 (upper == lower - 1 gives no elements).
  VariantArray(int lower, int upper);
  VariantArray(int lower1, int upper1, int lower2, int upper2);

  int dimensions() const { return static_cast<int>(bounds_.size()); }
  // dimension counts from 1, as the platform's bounds functions do.
  int lower_bound(int dimension = 1) const;
  int upper_bound(int dimension = 1) const;

  const Variant& at(int i) const;
  Variant& at(int i);
  const Variant& at(int i, int j) const;
  Variant& at(int i, int j);

 private:
  struct Bounds {
    int lower;
    int upper;
  };
  size_t Offset(int i) const;
  size_t Offset(int i, int j) const;

  std::vector<Bounds> bounds_;
  std::vector<Variant> cells_;
};

}  // namespace tavolin

#endif  // TAVOLIN_VARIANT_H_
