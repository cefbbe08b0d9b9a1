// Copyright Tavolin developers.
//
// LegacyRandom: the seedable pseudo-random generator of the classic automation
// platform (a 24-bit linear congruential sequence). Stored passwords are made
// through it, so its sequence and seeding rules must never change for the life
// of a database.
//
// Thread safety: none; each Corvane object owns its own generator.

#ifndef TAVOLIN_RANDOM_H_
#define TAVOLIN_RANDOM_H_

#include <cstdint>

namespace tavolin {

class LegacyRandom {
 public:
  LegacyRandom() = default;

  // Seeds the current sequence from a number: replaces the middle bytes of
  // the state with a hash of the number, leaving the outer bytes as they were.
  void Seed(double number);

  // Draws a number r with 0 <= r < 1: x < 0 restarts the generator from a
  // seed made from x and returns its first number (equal negative arguments
  // give equal results); x == 0 returns the most recent number again; x > 0
  // returns the next number of the current sequence.
  float Draw(float x);
  float Draw() { return Draw(1.0F); }

 private:
  uint32_t state_ = 0x50000;
};

}  // namespace tavolin

#endif  // TAVOLIN_RANDOM_H_
