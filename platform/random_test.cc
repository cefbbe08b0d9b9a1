// Copyright Tavolin developers.

#include "tavolin/random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tavolin/shared_random.h"

namespace tavolin {
namespace {

// The generator's 24-bit state, read back through Draw(0) (exact in a float).
uint32_t State(LegacyRandom& random) { return static_cast<uint32_t>(random.Draw(0) * 16777216.0F); }

TEST(LegacyRandomTest, SequencesMatchTheClassicPlatform) {
  LegacyRandom random;
  EXPECT_EQ(State(random), 0x50000U);
  // The first numbers after start-up; any positive argument advances.
  EXPECT_FLOAT_EQ(random.Draw(), 0.7055475F);
  EXPECT_EQ(State(random), 0xB49EC3U);
  EXPECT_FLOAT_EQ(random.Draw(), 0.533424F);
  EXPECT_FLOAT_EQ(random.Draw(), 0.5795186F);
  EXPECT_FLOAT_EQ(random.Draw(5.0F), 0.2895625F);
  for (int i = 0; i < 100000; ++i) {
    const float r = random.Draw();
    ASSERT_LT(r, 1.0F);
    ASSERT_EQ(random.Draw(0), r);
  }
  // A negative argument restarts from its bit pattern, whatever came before.
  LegacyRandom fresh;
  EXPECT_FLOAT_EQ(fresh.Draw(-1.0F), 0.224007F);
  EXPECT_EQ(random.Draw(-1.0F), fresh.Draw(-1.0F));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(random.Draw(), fresh.Draw());
  EXPECT_FLOAT_EQ(fresh.Draw(-7.5F), 0.90082568F);
}

TEST(LegacyRandomTest, SeedReplacesTheMiddleBitsOnly) {
  LegacyRandom random;
  // 1.0 has the upper word 0x3FF00000: hash (0x0000 ^ 0x3FF0) << 8.
  random.Seed(1.0);
  EXPECT_EQ(State(random), 0x3FF000U);  // the low byte of 0x50000 is 0
  EXPECT_EQ(static_cast<uint32_t>(random.Draw() * 16777216.0F), 0xC3CEC3U);

  random.Draw(-1.0F);
  ASSERT_EQ(State(random), 0x395886U);
  random.Seed(2.5);  // upper word 0x40040000: hash 0x400400
  EXPECT_EQ(State(random), 0x400486U);
  EXPECT_EQ(static_cast<uint32_t>(random.Draw() * 16777216.0F), 0xA52931U);
  // The same seed after another history differs only through the low byte.
  LegacyRandom other;
  other.Seed(2.5);
  EXPECT_EQ(State(other) & 0xFFFF00U, 0x400400U);
}

// Seeds taken in the same instant still give new numbers, since the state
// carries on; the same seeds on a fresh generator give the same sequence.
TEST(SharedRandomTest, KeepsItsStateAcrossSeedsOfTheSameInstant) {
  const auto draws = [](SharedRandom& random) {
    std::vector<float> drawn;
    for (double timer : {36000.0, 36000.0, 36000.0, 36000.5, 36000.5}) {
      random.Randomize(timer);
      drawn.push_back(random.Draw());
    }
    return drawn;
  };
  SharedRandom first, second, later;
  const std::vector<float> drawn = draws(first);
  for (size_t i = 1; i < drawn.size(); ++i) EXPECT_NE(drawn[i], drawn[i - 1]) << i;
  EXPECT_EQ(draws(second), drawn);
  // The seed is the clock: half a second later another sequence starts.
  later.Randomize(36000.5);
  EXPECT_NE(later.Draw(), drawn[0]);
}

}  // namespace
}  // namespace tavolin
