// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/checksum.h"
#include "random/random_error.h"
#include "random/sid_random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zpm {
namespace {

void Skip(RandomGenerator &random, int draws) {
  for (int i = 0; i < draws; ++i)
    random.RandomBelow(0);
}

uint8_t Lfo(RandomGenerator &r) {
  const uint32_t a = r.RandomBelow(2), b = r.RandomBelow(2), c = r.RandomBelow(4);
  return static_cast<uint8_t>(a + 4 * b + 16 * c);
}

std::string Name(const uint8_t *data) {
  return std::string(reinterpret_cast<const char *>(data), 16);
}

TEST(SidRandom, CodedRowsTakeTheirDrawsAndLaterBytesFollow) {
  const RangeGrid grid = MakeSidRandomGrid();
  for (int32_t seed : {0, -1, 99991, -2147483647}) {
    TPatch patch;
    RandomGenerator random(seed);
    BuildSidRandomPatch(random, grid, 0, 0, patch);
    const uint8_t *d = patch.Data();

    // 18 single draws for data bytes 16..35 (22 and 23 draw nothing), then
    // "Voice1_Waveform" takes two and "Voice1_Pulsewidth" the next.
    RandomGenerator twin(seed);
    Skip(twin, 18);
    const uint32_t x = twin.RandomBelow(9), y = twin.RandomBelow(4);
    EXPECT_EQ(d[36], x + 32 * y) << seed;
    EXPECT_EQ(d[37], twin.RandomBelow(127)) << seed;

    // 78 rows before data byte 96, three of them "WAV": 81 draws. Each "LFO"
    // row takes three, its rate and depth one each.
    twin.Seed(seed);
    Skip(twin, 81);
    EXPECT_EQ(d[96], Lfo(twin)) << seed;
    EXPECT_EQ(d[97], twin.RandomBelow(127)) << seed;
    EXPECT_EQ(d[98], twin.RandomBelow(127)) << seed;
    EXPECT_EQ(d[99], Lfo(twin)) << seed;

    // 23 rows from 96 to 118 with six "LFO" rows: 116 draws before "ENV2_Depth".
    twin.Seed(seed);
    Skip(twin, 116);
    for (int byte = 119; byte <= 123; ++byte)
      EXPECT_EQ(d[byte], twin.RandomBelow(127)) << seed << " " << byte;
    // A patch takes 106 + 3 + 12 = 121 draws; the next one goes on from there.
    EXPECT_EQ(random.State(), twin.State()) << seed;
  }
}

TEST(SidRandom, EachRowLandsOnItsDataByte) {
  RangeGrid grid = MakeSidRandomGrid();
  // Pin every numeric row to its own row number.
  for (int row = 1; row < grid.RowCount(); ++row)
    if (!grid.IsCodedRow(row))
      grid.SetRange(grid.Cell(0, row), row, row);
  TPatch patch;
  std::memset(patch.Data() + 16, 0xEE, 112); // a reused patch keeps no stale byte
  RandomGenerator random(3);
  BuildSidRandomPatch(random, grid, 0, 0, patch);
  const uint8_t *d = patch.Data();
  const int expected[][2] = {{16, 1},   {21, 6},   {24, 7},   {29, 12},   {30, 100},
                             {31, 106}, {32, 13},  {35, 16},  {37, 18},   {47, 28},
                             {48, 30},  {63, 45},  {64, 47},  {79, 62},   {80, 64},
                             {92, 76},  {93, 29},  {94, 46},  {95, 63},   {97, 78},
                             {113, 94}, {114, 95}, {118, 99}, {119, 101}, {123, 105}};
  for (const auto &e : expected)
    EXPECT_EQ(d[e[0]], e[1]) << "data byte " << e[0];
  for (int byte : {22, 23, 124, 125, 126, 127})
    EXPECT_EQ(d[byte], 0) << byte;
  for (int byte = 128; byte < 256; ++byte)
    ASSERT_EQ(d[byte], 0) << byte;
}

TEST(SidRandom, FileRunStopsAtTheLastSlot) {
  const RandomRun run{-12345, 5, 120, 20, 9};
  EXPECT_EQ(RandomRunLength(run), 9);
  const Bytes file = CreateSidRandomFile(run, MakeSidRandomGrid());
  ASSERT_EQ(file.size(), 9u + 266u * 9u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 9),
            (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x09, 0x0B, 0x05, 0xF7}));
  for (int k = 0; k < 9; ++k) {
    const uint8_t *dump = file.data() + 9 + 266 * k;
    EXPECT_EQ(Bytes(dump, dump + 8),
              (Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x09, 0x02, static_cast<uint8_t>(119 + k)}));
    EXPECT_EQ(Name(dump + 8), "Random Patch 1" + std::to_string(20 + k));
    EXPECT_EQ(dump[264], DataChecksum(dump + 8)) << k;
    EXPECT_EQ(dump[265], 0xF7);
  }
  // A short name is followed by 0 bytes.
  const Bytes first = CreateSidRandomFile({0, 0, 1, 1, 0}, MakeSidRandomGrid());
  ASSERT_EQ(first.size(), 9u + 266u);
  EXPECT_EQ(Name(first.data() + 9 + 8), std::string("Random Patch 1\0\0", 16));
}

TEST(SidRandom, RangesRulesAndReversedRanges) {
  RangeGrid grid = MakeSidRandomGrid();
  grid.SetRange("Volume", 10, 3);
  SidRandomPatches patches({0, 0, 1, 128, 0}, grid);
  int built = 0;
  while (patches.Next()) {
    const uint8_t *d = patches.Patch().Data();
    ASSERT_EQ(patches.Slot(), built++);
    EXPECT_TRUE(d[16] >= 3 && d[16] <= 9) << int(d[16]);     // "Volume" 10..3
    EXPECT_TRUE(d[26] < 127 && d[35] < 15);                  // 0..127 and 0..15 exclude the top
    EXPECT_EQ(d[111] & 0xCA, 0);                             // "LFO6_Mode"
    EXPECT_TRUE((d[68] & 0x0F) <= 8 && (d[68] & 0x90) == 0); // "Voice3_Waveform"
  }
  EXPECT_EQ(built, 128);
}

TEST(SidRandom, ControlsOutsideTheirRangesAreRefused) {
  const RangeGrid grid = MakeSidRandomGrid();
  const RandomRun bad[] = {{-2147483648LL, 0, 1, 1, 0},
                           {2147483648LL, 0, 1, 1, 0},
                           {0, 8, 1, 1, 0},
                           {0, -1, 1, 1, 0},
                           {0, 0, 0, 1, 0},
                           {0, 0, 129, 1, 0},
                           {0, 0, 1, 0, 0},
                           {0, 0, 1, 129, 0},
                           {0, 0, 1, 1, 128}};
  for (const RandomRun &run : bad)
    EXPECT_THROW(CreateSidRandomFile(run, grid), RandomSettingError);
  const RandomRun edge{-2147483647, 7, 128, 128, 127};
  EXPECT_EQ(CreateSidRandomFile(edge, grid).size(), 9u + 266u);
  EXPECT_THROW(CreateSidRandomFile(edge, MakeFmRandomGrid()), std::invalid_argument);
}

} // namespace
} // namespace zpm
