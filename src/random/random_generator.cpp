// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/random_generator.h"

namespace zpm {

uint32_t RandomGenerator::RandomBelow(uint32_t n) {
  m_state = m_state * 134775813u + 1u;
  // The upper half of the 64-bit product scales the state into 0..n-1.
  return static_cast<uint32_t>((static_cast<uint64_t>(m_state) * n) >> 32);
}

int32_t RandomGenerator::RandomBetween(int32_t a, int32_t b) {
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ub = static_cast<uint32_t>(b);
  // Unsigned arithmetic: the span of two signed words always fits 32 bits.
  if (b >= a)
    return static_cast<int32_t>(ua + RandomBelow(ub - ua));
  return static_cast<int32_t>(ub + RandomBelow(ua - ub));
}

} // namespace zpm
