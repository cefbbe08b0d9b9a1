// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/ascii.h"
#include "platform/number_text.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

[[noreturn]] void ThrowTypeMismatch() {
  throw CallError(ErrorCode::kTypeMismatch, "Type mismatch");
}

[[noreturn]] void ThrowOverflow() { throw CallError(ErrorCode::kOverflow, "Overflow"); }

[[noreturn]] void ThrowInvalidUseOfNull() {
  throw CallError(ErrorCode::kInvalidUseOfNull, "Invalid use of Null");
}

// Reads a text as a number; anything but numeric text is a type mismatch.
double TextToDouble(std::string_view text) {
  const std::optional<double> number = ParseNumber(text);
  if (!number) ThrowTypeMismatch();
  if (std::isinf(*number)) ThrowOverflow();
  return *number;
}

// Banker's rounding, as the platform rounds a number into an integer.
double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

// The value as a whole number within [low, high], rounding half to even.
int32_t ToWholeNumber(const Variant& value, int32_t low, int32_t high) {
  const double whole = RoundHalfEven(value.ToDouble());
  if (!(whole >= low && whole <= high)) ThrowOverflow();  // also refuses NaN
  return static_cast<int32_t>(whole);
}

}  // namespace

Variant Variant::Null() {
  Variant result;
  result.value_ = NullTag{};
  return result;
}

Variant::Variant(bool value) : value_(value) {}
Variant::Variant(int16_t value) : value_(value) {}
Variant::Variant(int value) : value_(static_cast<int32_t>(value)) {}
Variant::Variant(double value) : value_(value) {}
Variant::Variant(DateTime value) : value_(value) {}
Variant::Variant(std::string value)
    : value_(std::make_shared<const std::string>(std::move(value))) {}
Variant::Variant(std::string_view value) : value_(std::make_shared<const std::string>(value)) {}
Variant::Variant(const char* value) : value_(std::make_shared<const std::string>(value)) {}
Variant::Variant(VariantArray value) : value_(std::make_shared<VariantArray>(std::move(value))) {}

// The Storage alternatives are declared in the order of Type.
Variant::Type Variant::type() const { return static_cast<Type>(value_.index()); }

std::string_view Variant::view() const {
  if (is_empty()) return {};
  if (!is_string()) ThrowTypeMismatch();
  return *std::get<std::shared_ptr<const std::string>>(value_);
}

std::string Variant::ToText() const {
  switch (type()) {
    case Type::kEmpty:
      return "";
    case Type::kNull:
      ThrowInvalidUseOfNull();
    case Type::kBoolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Type::kInteger:
      return std::to_string(std::get<int16_t>(value_));
    case Type::kLong:
      return std::to_string(std::get<int32_t>(value_));
    case Type::kDouble:
      return FormatNumber(std::get<double>(value_));
    case Type::kDate:
      return std::get<DateTime>(value_).ToString();
    case Type::kString:
      return *std::get<std::shared_ptr<const std::string>>(value_);
    case Type::kArray:
      break;
  }
  ThrowTypeMismatch();
}

int16_t Variant::ToInteger() const {
  return static_cast<int16_t>(ToWholeNumber(*this, std::numeric_limits<int16_t>::min(),
                                            std::numeric_limits<int16_t>::max()));
}

int32_t Variant::ToLong() const {
  return ToWholeNumber(*this, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max());
}

double Variant::ToDouble() const {
  switch (type()) {
    case Type::kEmpty:
      return 0;
    case Type::kNull:
      ThrowInvalidUseOfNull();
    case Type::kBoolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::kInteger:
      return std::get<int16_t>(value_);
    case Type::kLong:
      return std::get<int32_t>(value_);
    case Type::kDouble:
      return std::get<double>(value_);
    case Type::kDate:
      return std::get<DateTime>(value_).ToSerial();
    case Type::kString:
      return TextToDouble(view());
    case Type::kArray:
      break;
  }
  ThrowTypeMismatch();
}

bool Variant::ToBoolean() const {
  switch (type()) {
    case Type::kBoolean:
      return std::get<bool>(value_);
    case Type::kString:
      if (EqualsIgnoreAsciiCase(view(), "true")) return true;
      if (EqualsIgnoreAsciiCase(view(), "false")) return false;
      return TextToDouble(view()) != 0;
    default:
      return ToDouble() != 0;
  }
}

DateTime Variant::ToDate() const {
  switch (type()) {
    case Type::kDate:
      return std::get<DateTime>(value_);
    case Type::kString:
      if (const std::optional<DateTime> date = DateTime::Parse(view())) return *date;
      ThrowTypeMismatch();
    default:
      return DateTime::FromSerial(ToDouble());
  }
}

bool Variant::IsNumeric() const {
  switch (type()) {
    case Type::kEmpty:
    case Type::kBoolean:
    case Type::kInteger:
    case Type::kLong:
    case Type::kDouble:
      return true;
    case Type::kString:
      return ParseNumber(view()).has_value();
    case Type::kNull:
    case Type::kDate:
    case Type::kArray:
      break;
  }
  return false;
}

bool Variant::IsDate() const {
  if (type() == Type::kDate) return true;
  return is_string() && DateTime::Parse(view()).has_value();
}

const VariantArray& Variant::array() const {
  if (!is_array()) ThrowTypeMismatch();
  return *std::get<std::shared_ptr<VariantArray>>(value_);
}

VariantArray& Variant::mutable_array() {
  if (!is_array()) ThrowTypeMismatch();
  auto& shared = std::get<std::shared_ptr<VariantArray>>(value_);
  // Another Variant still reads this array: give this one its own copy.
  if (shared.use_count() > 1) shared = std::make_shared<VariantArray>(*shared);
  return *shared;
}

}  // namespace tavolin
