// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/checksum.h"
#include "random/fm_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace zpm {
namespace {

void Skip(RandomGenerator &random, int draws) {
  for (int i = 0; i < draws; ++i)
    random.RandomBelow(0);
}

bool IsWtpChoice(uint8_t byte) {
  const uint8_t choices[] = {20, 21, 22, 23, 48, 49, 50, 51, 66, 67, 72, 82, 83, 88, 105, 110, 116};
  return std::find(std::begin(choices), std::end(choices), byte) != std::end(choices);
}

TEST(FmRandom, CodedRowsTakeTheirDrawsAndLaterBytesFollow) {
  const RangeGrid grid = MakeFmRandomGrid();
  bool sawNoWavetable = false, sawWavetable = false;
  for (int32_t seed = -20; seed < 20; ++seed) {
    TFMPatch patch;
    RandomGenerator random(seed);
    BuildFmRandomVoice(random, grid, 0, 0, 0, patch);
    const uint8_t *d = patch.Data();

    // 38 operator rows, then "LFO1_Mode" takes three draws, "LFO1_Phase" one.
    RandomGenerator twin(seed);
    Skip(twin, 38);
    const uint32_t a = twin.RandomBelow(2), b = twin.RandomBelow(2), c = twin.RandomBelow(4);
    EXPECT_EQ(d[64], a + 4 * b + 16 * c) << seed;
    EXPECT_EQ(d[65], twin.RandomBelow(127)) << seed;

    // 86 rows with two "LFO" rows before "WT_Rate": 90 draws. A second draw
    // only when the first says the voice has a wavetable.
    twin.Seed(seed);
    Skip(twin, 90);
    if (twin.RandomBelow(2) == 1) {
      sawWavetable = true;
      EXPECT_EQ(d[119], 64 + twin.RandomBelow(64)) << seed;
    } else {
      sawNoWavetable = true;
      EXPECT_EQ(d[119], 0) << seed;
    }
    for (int byte = 120; byte <= 122; ++byte)
      EXPECT_EQ(d[byte], WTPChoices[twin.RandomBelow(17)]) << seed << " " << byte;
    Skip(twin, 3); // the three modwheel rows
    EXPECT_EQ(random.State(), twin.State()) << seed;
  }
  EXPECT_TRUE(sawWavetable && sawNoWavetable);
}

TEST(FmRandom, EachRowLandsOnItsDataByte) {
  RangeGrid grid = MakeFmRandomGrid();
  for (int row = 1; row < grid.RowCount(); ++row)
    if (!grid.IsCodedRow(row))
      grid.SetRange(grid.Cell(0, row), row, row);
  TFMPatch patch;
  std::memset(patch.Data() + 16, 0xEE, 112);
  RandomGenerator random(8);
  BuildFmRandomVoice(random, grid, 0, 0, 0, patch);
  const uint8_t *d = patch.Data();
  const int expected[][2] = {{16, 1},  {51, 36},  {56, 37},  {60, 38},  {65, 40},  {73, 48},
                             {76, 49}, {78, 51},  {81, 53},  {89, 61},  {92, 62},  {94, 64},
                             {96, 65}, {114, 83}, {116, 84}, {118, 86}, {124, 91}, {126, 93}};
  for (const auto &e : expected)
    EXPECT_EQ(d[e[0]], e[1]) << "data byte " << e[0];
  for (int byte : {52, 53, 54, 55, 57, 58, 59, 61, 62, 63, 74, 75, 79, 90, 91, 95, 115, 123, 127})
    EXPECT_EQ(d[byte], 0) << byte;
  for (int byte = 128; byte < 256; ++byte)
    ASSERT_EQ(d[byte], 0) << byte;
}

TEST(FmRandom, FileHoldsVoiceDumpsBackToBack) {
  const RangeGrid grid = MakeFmRandomGrid();
  const Bytes file = CreateFmRandomFile({1000, 2, 126, 3, 4}, grid);
  ASSERT_EQ(file.size(), 3u * 268u);
  for (int k = 0; k < 3; ++k) {
    const uint8_t *dump = file.data() + 268 * k;
    EXPECT_EQ(Bytes(dump, dump + 10), (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x04, 0x02, 0x00, 0x02,
                                             static_cast<uint8_t>(125 + k)}));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(dump + 10), 16),
              "Random Patch 12" + std::to_string(6 + k));
    EXPECT_EQ(dump[266], DataChecksum(dump + 10)) << k;
    EXPECT_EQ(dump[267], 0xF7);
  }
  // "Patch:" 128 makes one voice, whatever the number.
  const Bytes last = CreateFmRandomFile({0, 0, 128, 5, 0}, grid);
  ASSERT_EQ(last.size(), 268u);
  EXPECT_EQ(last[9], 127);
  EXPECT_THROW(CreateFmRandomFile({0, 0, 1, 1, 0}, MakeSidRandomGrid()), std::invalid_argument);
}

TEST(FmRandom, DefaultRangesAndRules) {
  const RangeGrid grid = MakeFmRandomGrid();
  FmRandomPatches voices({-5, 0, 1, 128, 0}, grid);
  int built = 0, withoutWavetable = 0;
  while (voices.Next()) {
    const uint8_t *d = voices.Patch().Data();
    ++built;
    EXPECT_TRUE(d[28] >= 48 && d[28] <= 62) << int(d[28]); // "OP1_Volume" 48..63
    EXPECT_TRUE(d[29] == 63 && d[117] == 2 && d[126] == 64);
    EXPECT_TRUE(d[119] == 0 || d[119] >= 64);
    withoutWavetable += d[119] == 0;
    for (int byte = 120; byte <= 122; ++byte)
      EXPECT_TRUE(IsWtpChoice(d[byte])) << int(d[byte]);
  }
  EXPECT_EQ(built, 128);
  EXPECT_TRUE(withoutWavetable > 30 && withoutWavetable < 98) << withoutWavetable;
}

} // namespace
} // namespace zpm
