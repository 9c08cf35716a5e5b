// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/random_run.h"

#include "patch/patch.h"
#include "random/random_error.h"

#include <algorithm>
#include <cstring>

namespace zpm {

namespace {

void CheckRange(const char *what, int64_t value, int64_t min, int64_t max) {
  if (value < min || value > max)
    throw RandomSettingError(std::string(what) + " " + std::to_string(value) + " outside range " +
                             std::to_string(min) + ".." + std::to_string(max) + ".");
}

} // namespace

void ValidateRandomRun(const RandomRun &run) {
  CheckRange("Seed", run.Seed, kRandomSeedMin, kRandomSeedMax);
  CheckRange("Bank", run.Bank, kRandomBankMin, kRandomBankMax);
  CheckRange("Patch", run.FirstPatch, kRandomPatchMin, std::min(run.Slots, kRandomPatchMax));
  CheckRange("Number of Patches", run.Count, kRandomCountMin, kRandomCountMax);
  CheckRange("Device ID", run.DeviceId, kRandomDeviceIdMin, kRandomDeviceIdMax);
}

int RandomRunLength(const RandomRun &run) {
  return std::min(run.Count, run.Slots + 1 - run.FirstPatch);
}

std::string RandomPatchName(int slot) {
  return "Random Patch " + std::to_string(slot + 1);
}

void PutRandomPatchName(uint8_t *data, int slot) {
  const std::string name = RandomPatchName(slot);
  std::memset(data, 0, kNameSize);
  std::memcpy(data, name.data(), std::min(name.size(), kNameSize));
}

uint8_t DrawLfoMode(RandomGenerator &random) {
  const uint32_t a = random.RandomBelow(2);
  const uint32_t b = random.RandomBelow(2);
  const uint32_t c = random.RandomBelow(4);
  return static_cast<uint8_t>(a + 4 * b + 16 * c);
}

uint8_t DrawFromRange(RandomGenerator &random, const RangeGrid &grid, int row) {
  const int32_t low = CellInteger(grid.Cell(kGridMinColumn, row));
  const int32_t high = CellInteger(grid.Cell(kGridMaxColumn, row));
  return static_cast<uint8_t>(random.RandomBetween(low, high));
}

void PutZeroByte(size_t &position, uint8_t *data) {
  data[position++] = 0;
}

} // namespace zpm
