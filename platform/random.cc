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
  const uint32_t high = static_cast<uint32_t>(std::bit_cast<uint64_t>(number) >> 32);
  const uint32_t hash = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  state_ = (state_ & 0xFF0000FF) | (hash & 0x00FFFF00);
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
