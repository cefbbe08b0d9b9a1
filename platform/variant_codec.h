// Copyright Tavolin developers.
//
// A compact binary form of Variants, for values kept outside the process
// (in Redis): every type round-trips exactly, doubles bit for bit, texts byte
// for byte, arrays with their dimensions, bounds and nested arrays.
//
// The form starts with a version byte; each value is a type byte followed by
// its content, numbers as little-endian base-128 varints (signed ones
// zigzagged), doubles as their 8 bytes. Decoding accepts only the form that
// encoding writes (shortest varints, nothing left over), so that
// EncodeVariant(DecodeVariant(bytes)) == bytes whenever decoding succeeds.

#ifndef TAVOLIN_PLATFORM_VARIANT_CODEC_H_
#define TAVOLIN_PLATFORM_VARIANT_CODEC_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tavolin/variant.h"

namespace tavolin {

// Arrays nest at most this deep; deeper ones throw std::invalid_argument.
inline constexpr int kMaxVariantNesting = 64;

std::string EncodeVariant(const Variant& value);
// Throws std::invalid_argument for bytes EncodeVariant does not write.
Variant DecodeVariant(std::string_view bytes);

using NamedValues = std::vector<std::pair<std::string, Variant>>;
std::string EncodeNamedValues(const NamedValues& values);
// Throws std::invalid_argument for bytes EncodeNamedValues does not write.
NamedValues DecodeNamedValues(std::string_view bytes);

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_VARIANT_CODEC_H_
