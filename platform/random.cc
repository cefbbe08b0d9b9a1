// Copyright Tavolin developers.

#include "tavolin/random.h"

#include <bit>

namespace tavolin {
namespace {

constexpr uint32_t kStateMask = 0xFFFFFF;  // the state is 24 bits

}  // namespace

void LegacyRandom::Seed(double number) {
  // Fold the upper half of the double's bit pattern into 16 bits and put them
  // in the middle of the state; the low byte stays as it was.
  // The shift is arithmetic, as the platform's signed arithmetic did: for a
  // negative number the hash reaches into the state's top byte, which the
  // next step of the sequence masks away again.
  const auto high = static_cast<int32_t>(std::bit_cast<uint64_t>(number) >> 32);
  const auto hash = static_cast<uint32_t>((high & 0xFFFF) ^ (high >> 16)) << 8;
  state_ = (state_ & 0xFF0000FF) | hash;
}

float LegacyRandom::Draw(float x) {
  if (x < 0) {
    // A new state made from the single-precision bit pattern of x alone, so
    // equal negative arguments restart the same sequence.
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    state_ = (bits + (bits >> 24)) & kStateMask;
  }
  if (x != 0) state_ = (state_ * 0x43FD43FDU + 0xC39EC3U) & kStateMask;
  return static_cast<float>(state_) / 16777216.0F;
}

}  // namespace tavolin
