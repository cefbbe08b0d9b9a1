// Copyright Tavolin developers.

#include "platform/variant_codec.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace tavolin {
namespace {

constexpr char kVersion = 1;

enum Tag : uint8_t {
  kEmpty,
  kNull,
  kFalse,
  kTrue,
  kInteger,
  kLong,
  kDouble,
  kDate,
  kString,
  kArray1,
  kArray2,
};

uint64_t ZigZag(int64_t value) {
  return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}
int64_t UnZigZag(uint64_t value) {
  return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
}

class Writer {
 public:
  void Byte(uint8_t byte) { out_.push_back(static_cast<char>(byte)); }
  void Unsigned(uint64_t value) {
    for (; value >= 0x80; value >>= 7) Byte(static_cast<uint8_t>(value | 0x80));
    Byte(static_cast<uint8_t>(value));
  }
  void Signed(int64_t value) { Unsigned(ZigZag(value)); }
  void Text(std::string_view text) {
    Unsigned(text.size());
    out_.append(text);
  }

  void Value(const Variant& value, int depth) {
    switch (value.type()) {
      case Variant::Type::kEmpty:
        return Byte(kEmpty);
      case Variant::Type::kNull:
        return Byte(kNull);
      case Variant::Type::kBoolean:
        return Byte(value.ToBoolean() ? kTrue : kFalse);
      case Variant::Type::kInteger:
        Byte(kInteger);
        return Signed(value.ToInteger());
      case Variant::Type::kLong:
        Byte(kLong);
        return Signed(value.ToLong());
      case Variant::Type::kDouble: {
        Byte(kDouble);
        const uint64_t bits = std::bit_cast<uint64_t>(value.ToDouble());
        for (int shift = 0; shift < 64; shift += 8) Byte(static_cast<uint8_t>(bits >> shift));
        return;
      }
      case Variant::Type::kDate:
        Byte(kDate);
        return Signed(value.ToDate().SecondsSinceEpoch());
      case Variant::Type::kString:
        Byte(kString);
        return Text(value.view());
      case Variant::Type::kArray:
        return Array(value.array(), depth + 1);
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  void Bounds(int lower, int upper) {
    Signed(lower);
    Unsigned(static_cast<uint64_t>(static_cast<int64_t>(upper) - lower + 1));
  }

  void Array(const VariantArray& array, int depth) {
    if (depth > kMaxVariantNesting) throw std::invalid_argument("arrays nested too deep to encode");
    if (array.dimensions() == 1) {
      Byte(kArray1);
      Bounds(array.lower_bound(), array.upper_bound());
      for (int64_t i = array.lower_bound(); i <= array.upper_bound(); ++i) {
        Value(array.at(static_cast<int>(i)), depth);
      }
      return;
    }
    Byte(kArray2);
    Bounds(array.lower_bound(1), array.upper_bound(1));
    Bounds(array.lower_bound(2), array.upper_bound(2));
    // An empty second dimension leaves no cells, however long the first.
    if (array.upper_bound(2) < array.lower_bound(2)) return;
    for (int64_t i = array.lower_bound(1); i <= array.upper_bound(1); ++i) {
      for (int64_t j = array.lower_bound(2); j <= array.upper_bound(2); ++j) {
        Value(array.at(static_cast<int>(i), static_cast<int>(j)), depth);
      }
    }
  }

  std::string out_;
};

[[noreturn]] void Malformed(const char* why) {
  throw std::invalid_argument(std::string("malformed encoded value: ") + why);
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  uint8_t Byte() {
    if (rest_.empty()) Malformed("it ends too soon");
    const auto byte = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  uint64_t Unsigned() {
    uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
      const uint8_t byte = Byte();
      if (shift == 63 && byte > 1) Malformed("a number too large");
      value |= static_cast<uint64_t>(byte & 0x7f) << shift;
      if ((byte & 0x80) == 0) {
        if (byte == 0 && shift > 0) Malformed("a number not in its shortest form");
        return value;
      }
    }
  }
  int64_t Signed(int64_t min, int64_t max) {
    const int64_t value = UnZigZag(Unsigned());
    if (value < min || value > max) Malformed("a number out of its type's range");
    return value;
  }
  // A count of items of at least one byte each, so never more than remain.
  size_t Count() {
    const uint64_t count = Unsigned();
    if (count > rest_.size()) Malformed("a count larger than the bytes that follow");
    return static_cast<size_t>(count);
  }
  std::string_view Text() {
    const size_t length = Count();
    const std::string_view text = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return text;
  }

  Variant Value(int depth) {
    switch (Byte()) {
      case kEmpty:
        return Variant();
      case kNull:
        return Variant::Null();
      case kFalse:
        return Variant(false);
      case kTrue:
        return Variant(true);
      case kInteger:
        return Variant(static_cast<int16_t>(Int<int16_t>()));
      case kLong:
        return Variant(static_cast<int>(Int<int32_t>()));
      case kDouble: {
        uint64_t bits = 0;
        for (int shift = 0; shift < 64; shift += 8) bits |= static_cast<uint64_t>(Byte()) << shift;
        return Variant(std::bit_cast<double>(bits));
      }
      case kDate:
        return Variant(DateTime::FromSecondsSinceEpoch(Int<int64_t>()));
      case kString:
        return Variant(std::string(Text()));
      case kArray1:
        return Variant(Array(false, depth + 1));
      case kArray2:
        return Variant(Array(true, depth + 1));
      default:
        Malformed("an unknown type");
    }
  }

  bool done() const { return rest_.empty(); }

 private:
  template <typename T>
  int64_t Int() {
    return Signed(std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
  }

  struct Extent {
    int lower;
    int upper;
    size_t count;
  };
  Extent Bounds() {
    const int64_t lower = Int<int32_t>();
    const uint64_t count = Unsigned();
    const int64_t upper = lower - 1 + static_cast<int64_t>(std::min<uint64_t>(count, 1ull << 33));
    if (upper < std::numeric_limits<int32_t>::min() ||
        upper > std::numeric_limits<int32_t>::max()) {
      Malformed("array bounds out of range");
    }
    return {static_cast<int>(lower), static_cast<int>(upper), static_cast<size_t>(count)};
  }

  VariantArray Array(bool two, int depth) {
    if (depth > kMaxVariantNesting) Malformed("arrays nested too deep");
    const Extent first = Bounds();
    const Extent second = two ? Bounds() : Extent{0, 0, 1};
    // Every cell takes a byte at least: a claim of more cells than bytes is
    // refused before anything is allocated.
    if (first.count != 0 && second.count > rest_.size() / first.count) {
      Malformed("more array cells than the bytes that follow");
    }
    if (!two) {
      VariantArray array(first.lower, first.upper);
      for (int64_t i = first.lower; i <= first.upper; ++i)
        array.at(static_cast<int>(i)) = Value(depth);
      return array;
    }
    VariantArray array(first.lower, first.upper, second.lower, second.upper);
    // An empty second dimension leaves no cells, however long the first.
    if (second.count == 0) return array;
    for (int64_t i = first.lower; i <= first.upper; ++i) {
      for (int64_t j = second.lower; j <= second.upper; ++j) {
        array.at(static_cast<int>(i), static_cast<int>(j)) = Value(depth);
      }
    }
    return array;
  }

  std::string_view rest_;
};

// Checks the version byte and returns a reader of what follows.
Reader Open(std::string_view bytes) {
  Reader reader(bytes);
  if (reader.Byte() != kVersion) Malformed("an unknown version");
  return reader;
}

void ExpectEnd(const Reader& reader) {
  if (!reader.done()) Malformed("bytes after the end");
}

}  // namespace

std::string EncodeVariant(const Variant& value) {
  Writer writer;
  writer.Byte(kVersion);
  writer.Value(value, 0);
  return writer.Take();
}

Variant DecodeVariant(std::string_view bytes) {
  Reader reader = Open(bytes);
  Variant value = reader.Value(0);
  ExpectEnd(reader);
  return value;
}

std::string EncodeNamedValues(const NamedValues& values) {
  Writer writer;
  writer.Byte(kVersion);
  writer.Unsigned(values.size());
  for (const auto& [name, value] : values) {
    writer.Text(name);
    writer.Value(value, 0);
  }
  return writer.Take();
}

NamedValues DecodeNamedValues(std::string_view bytes) {
  Reader reader = Open(bytes);
  NamedValues values(reader.Count());
  for (auto& [name, value] : values) {
    name = reader.Text();
    value = reader.Value(0);
  }
  ExpectEnd(reader);
  return values;
}

}  // namespace tavolin
