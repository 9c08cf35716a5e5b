// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SID random patches: each parameter byte drawn from its row of the SID range
// grid, the patches of a run built one by one for a file or for the device.

#include "patch/patch.h"
#include "random/random_generator.h"
#include "random/random_run.h"
#include "random/range_grid.h"

namespace zpm {

// Draws the byte of SID table entry `entry` by its grid row ("LFO": three
// draws, "WAV": two, a range: one) into the data byte at `position`, then
// moves the position on.
void PutRandomByte(RandomGenerator &random, const RangeGrid &grid, size_t entry, size_t &position,
                   TPatch &patch);

// Builds slot 0..127 into the patch: name, device, patch number, data bytes
// 16..127 in order, checksum. Data bytes 128..255 are left as they are (0 in
// a fresh patch).
void BuildSidRandomPatch(RandomGenerator &random, const RangeGrid &grid, int slot, uint8_t device,
                         TPatch &patch);

// The patches of one run, in slot order. The grid is read as each patch is
// built and must outlive this object.
class SidRandomPatches {
public:
  // Validates the run (RandomSettingError) and seeds the generator.
  SidRandomPatches(const RandomRun &run, const RangeGrid &grid);

  // Builds the next patch; false once the run is complete.
  bool Next();
  const TPatch &Patch() const { return m_patch; }
  int Slot() const { return m_slot - 1; }

private:
  const RangeGrid &m_grid;
  RandomGenerator m_random;
  TPatch m_patch;
  uint8_t m_device;
  int m_slot;
  int m_end;
};

// "Create && Save to SysEx": the Bank Select of the run's bank, then every
// patch's dump (9 + 266 bytes per patch).
Bytes CreateSidRandomFile(const RandomRun &run, const RangeGrid &grid);

} // namespace zpm
