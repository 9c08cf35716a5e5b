// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/random_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace zpm {
namespace {

std::vector<uint32_t> Draws(int32_t seed, uint32_t n, int count) {
  RandomGenerator random(seed);
  std::vector<uint32_t> values;
  for (int i = 0; i < count; ++i)
    values.push_back(random.RandomBelow(n));
  return values;
}

TEST(RandomGenerator, FirstValuesFollowTheCongruence) {
  // Seed 0: states 1, 08088406h, ...; 08088406h * 100 / 2^32 = 3.14.
  EXPECT_EQ(Draws(0, 100, 4), (std::vector<uint32_t>{0, 3, 86, 20}));
  // -1 is FFFFFFFFh: the first state is 2^32 - 134775812 = F7F77BFCh.
  EXPECT_EQ(Draws(-1, 100, 4), (std::vector<uint32_t>{96, 20, 51, 13}));
  // 80000001h * 08088405h + 1 = 88088406h (mod 2^32).
  EXPECT_EQ(Draws(-2147483647, 100, 4), (std::vector<uint32_t>{53, 36, 70, 77}));

  // Every draw advances the state, whatever the bound.
  RandomGenerator random(0);
  EXPECT_EQ(random.RandomBelow(0), 0u);
  EXPECT_EQ(random.State(), 1u);
  EXPECT_EQ(random.RandomBelow(1), 0u);
  EXPECT_EQ(random.State(), 0x08088406u);
  // With the largest bound the result is the new state less one.
  EXPECT_EQ(random.RandomBelow(0xFFFFFFFFu), 3698175006u);
  EXPECT_EQ(RandomGenerator(-1).State(), 0xFFFFFFFFu);
}

TEST(RandomGenerator, RandomBetweenExcludesTheLargerEnd) {
  RandomGenerator random(42);
  int lowest = 127, highest = 0;
  for (int i = 0; i < 20000; ++i) {
    const int32_t v = random.RandomBetween(0, 127);
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
  }
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, 126);
  // Reversed ends: from the smaller up to the larger less one.
  lowest = 127, highest = 0;
  for (int i = 0; i < 2000; ++i) {
    const int32_t v = random.RandomBetween(10, 3);
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
  }
  EXPECT_EQ(lowest, 3);
  EXPECT_EQ(highest, 9);

  // Equal ends give the value and still take one draw.
  RandomGenerator a(5), b(5);
  EXPECT_EQ(a.RandomBetween(64, 64), 64);
  b.RandomBelow(7);
  EXPECT_EQ(a.State(), b.State());

  // One draw from the smaller end: seed 0's second draw, 08088406h * 117 /
  // 2^32 = 3.67, gives 10 + 3; seed -1's first, F7F77BFCh * 7 / 2^32 = 6.78, 3 + 6.
  RandomGenerator zero(0), minusOne(-1);
  zero.RandomBelow(2);
  EXPECT_EQ(zero.RandomBetween(10, 127), 13);
  EXPECT_EQ(minusOne.RandomBetween(10, 3), 9);
}

} // namespace
} // namespace zpm
