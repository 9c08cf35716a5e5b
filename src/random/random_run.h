// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What both random pages share: the control values of a run, the ranges of
// those controls, how many patches a run makes, and the bytes every created
// patch gets the same way (its name, the zero bytes between parameters).

#include "random/random_generator.h"
#include "random/range_grid.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// The ranges of the page's controls and of the Config page's device ID.
constexpr int64_t kRandomSeedMin = -2147483647;
constexpr int64_t kRandomSeedMax = 2147483647;
constexpr int kRandomBankMin = 0; // "Bank A"
constexpr int kRandomBankMax = 7; // "Bank H"
constexpr int kRandomPatchMin = 1;
constexpr int kRandomPatchMax = 128;
constexpr int kRandomCountMin = 1;
constexpr int kRandomCountMax = 128;
constexpr int kRandomDeviceIdMin = 0;
constexpr int kRandomDeviceIdMax = 127;

// The control values of one run, as the user sees them.
struct RandomRun {
  int64_t Seed = 0;   // "Initial Random Seed:"
  int Bank = 0;       // "Bank:", 0..7
  int FirstPatch = 1; // "Patch:", 1..128
  int Count = 1;      // "Number of Patches:", 1..128
  int DeviceId = 0;   // the Config page's device ID, 0..127
  // The bank's slots: 128, or for runs of FM drumsets 16 and of ensembles 32.
  int Slots = kRandomPatchMax;
};

// Fails with RandomSettingError on a value that no control could hold.
void ValidateRandomRun(const RandomRun &run);

// Patches a run makes: it stops at the bank's last slot, so min(count,
// 129 - first) in a bank of 128.
int RandomRunLength(const RandomRun &run);

// "Random Patch %u" with slot + 1, into data bytes 0..15, 0 after the text.
std::string RandomPatchName(int slot);
void PutRandomPatchName(uint8_t *data, int slot);

// An "LFO" row, the same rule on both synthesizers: three draws giving mode
// bit 0, bit 2 and bits 4..5.
uint8_t DrawLfoMode(RandomGenerator &random);
// A range row: one draw between its "Min" and "Max" numbers, lowest 8 bits.
uint8_t DrawFromRange(RandomGenerator &random, const RangeGrid &grid, int row);

// Stores 0 at the running data position and moves on; draws nothing.
void PutZeroByte(size_t &position, uint8_t *data);

// Visits data bytes 16..127 in order: a zero byte where no parameter of the
// grid's table sits, putRandom(entry, position) where one does (it stores
// the byte and moves position on).
template <typename PutRandom>
void FillParameterBytes(const std::vector<int> &entriesByDataByte, uint8_t *data,
                        PutRandom putRandom) {
  size_t position = 16;
  while (position < 128) {
    const int entry = entriesByDataByte[position];
    if (entry < 0)
      PutZeroByte(position, data);
    else
      putRandom(static_cast<size_t>(entry), position);
  }
}

} // namespace zpm
