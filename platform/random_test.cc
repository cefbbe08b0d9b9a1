// Copyright Tavolin developers.

#include "tavolin/random.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tavolin {
namespace {

// The generator's 24-bit state, read back through Draw(0) (exact in a float).
uint32_t State(LegacyRandom& random) { return static_cast<uint32_t>(random.Draw(0) * 16777216.0F); }

TEST(LegacyRandomTest, SequenceFromTheInitialStateMatchesTheClassicPlatform) {
  LegacyRandom random;
  EXPECT_EQ(State(random), 0x50000U);
  // The classic platform's first numbers after start-up.
  EXPECT_FLOAT_EQ(random.Draw(), 0.7055475F);
  EXPECT_EQ(State(random), 0xB49EC3U);
  EXPECT_FLOAT_EQ(random.Draw(), 0.533424F);
  EXPECT_FLOAT_EQ(random.Draw(), 0.5795186F);
  EXPECT_FLOAT_EQ(random.Draw(5.0F), 0.2895625F);  // any positive argument advances
}

TEST(LegacyRandomTest, NegativeArgumentRestartsFromItsBitPattern) {
  LegacyRandom first;
  LegacyRandom second;
  second.Draw();
  second.Draw();
  // Rnd(-1) is 0.224007 on the classic platform, whatever came before.
  EXPECT_FLOAT_EQ(first.Draw(-1.0F), 0.224007F);
  EXPECT_EQ(first.Draw(-1.0F), second.Draw(-1.0F));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(first.Draw(), second.Draw());

  EXPECT_NE(first.Draw(-7.5F), first.Draw(-1.0F));
  EXPECT_FLOAT_EQ(first.Draw(-7.5F), 0.90082568F);
}

TEST(LegacyRandomTest, ZeroRepeatsAndResultsStayBelowOne) {
  LegacyRandom random;
  for (int i = 0; i < 100000; ++i) {
    const float r = random.Draw();
    ASSERT_GE(r, 0.0F);
    ASSERT_LT(r, 1.0F);
    ASSERT_EQ(random.Draw(0), r);
  }
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

  // The same seed after different histories differs only through the low byte.
  LegacyRandom other;
  other.Seed(2.5);
  EXPECT_EQ(State(other) & 0xFFFF00U, 0x400400U);
}

}  // namespace
}  // namespace tavolin
