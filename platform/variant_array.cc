// Copyright Tavolin developers.

#include "tavolin/variant.h"

#include <cstdint>

#include "tavolin/error.h"

namespace tavolin {
namespace {

[[noreturn]] void ThrowSubscriptOutOfRange() {
  throw CallError(ErrorCode::kSubscriptOutOfRange, "Subscript out of range");
}

// Elements from lower to upper inclusive; upper == lower - 1 gives none.
size_t Extent(int lower, int upper) {
  const int64_t count = static_cast<int64_t>(upper) - lower + 1;
  if (count < 0) ThrowSubscriptOutOfRange();
  return static_cast<size_t>(count);
}

}  // namespace

VariantArray::VariantArray(int lower, int upper)
    : bounds_{{lower, upper}}, cells_(Extent(lower, upper)) {}

VariantArray::VariantArray(int lower1, int upper1, int lower2, int upper2)
    : bounds_{{lower1, upper1}, {lower2, upper2}},
      cells_(Extent(lower1, upper1) * Extent(lower2, upper2)) {}

int VariantArray::lower_bound(int dimension) const {
  if (dimension < 1 || dimension > dimensions()) ThrowSubscriptOutOfRange();
  return bounds_[dimension - 1].lower;
}

int VariantArray::upper_bound(int dimension) const {
  if (dimension < 1 || dimension > dimensions()) ThrowSubscriptOutOfRange();
  return bounds_[dimension - 1].upper;
}

const Variant& VariantArray::at(int i) const { return cells_[Offset(i)]; }
Variant& VariantArray::at(int i) { return cells_[Offset(i)]; }
const Variant& VariantArray::at(int i, int j) const { return cells_[Offset(i, j)]; }
Variant& VariantArray::at(int i, int j) { return cells_[Offset(i, j)]; }

size_t VariantArray::Offset(int i) const {
  if (dimensions() != 1 || i < bounds_[0].lower || i > bounds_[0].upper) {
    ThrowSubscriptOutOfRange();
  }
  return static_cast<size_t>(static_cast<int64_t>(i) - bounds_[0].lower);
}

// Row-major: the second subscript varies fastest.
size_t VariantArray::Offset(int i, int j) const {
  if (dimensions() != 2 || i < bounds_[0].lower || i > bounds_[0].upper || j < bounds_[1].lower ||
      j > bounds_[1].upper) {
    ThrowSubscriptOutOfRange();
  }
  const size_t row = static_cast<size_t>(static_cast<int64_t>(i) - bounds_[0].lower);
  const size_t column = static_cast<size_t>(static_cast<int64_t>(j) - bounds_[1].lower);
  return row * Extent(bounds_[1].lower, bounds_[1].upper) + column;
}

}  // namespace tavolin
