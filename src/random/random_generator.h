// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seeded pseudo-random generator both random pages draw from: a 32-bit
// linear congruential state, so a seed always gives the same patches.

#include <cstdint>

namespace zpm {

class RandomGenerator {
public:
  explicit RandomGenerator(int32_t seed = 0) { Seed(seed); }

  // The seed's two's-complement word becomes the state (-1 gives FFFFFFFFh).
  void Seed(int32_t seed) { m_state = static_cast<uint32_t>(seed); }
  uint32_t State() const { return m_state; }

  // 0..n-1 (0 for n = 0 and 1); the state advances on every call.
  uint32_t RandomBelow(uint32_t n);
  // From the smaller of a and b up to, but not including, the larger; a when
  // the two are equal. Always one draw.
  int32_t RandomBetween(int32_t a, int32_t b);

private:
  uint32_t m_state = 0;
};

} // namespace zpm
