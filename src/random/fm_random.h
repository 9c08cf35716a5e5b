// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FM random voices: each parameter byte drawn from its row of the FM range
// grid, the voices of a run built one by one for a file or for the device.
// Drumsets and ensembles are never made at random.

#include "patch/patch.h"
#include "random/random_generator.h"
#include "random/random_run.h"
#include "random/range_grid.h"

#include <array>

namespace zpm {

// The controllers a "WTP" row picks from, in draw order.
extern const std::array<uint8_t, 17> WTPChoices;

// Draws the byte of FM table entry `entry` by its grid row ("LFO": three
// draws, "WTR": one or two, "WTP" and a range: one) into the data byte at
// `position`, then moves the position on.
void PutRandomByte(RandomGenerator &random, const RangeGrid &grid, size_t entry, size_t &position,
                   TFMPatch &patch);

// Builds voice slot 0..127 of the bank into the patch: name, device, type,
// bank, patch number, data bytes 16..127 in order, checksum. Data bytes
// 128..255 are left as they are (0 in a fresh patch).
void BuildFmRandomVoice(RandomGenerator &random, const RangeGrid &grid, int slot, uint8_t bank,
                        uint8_t device, TFMPatch &patch);

// The voices of one run, in slot order. The grid is read as each voice is
// built and must outlive this object.
class FmRandomPatches {
public:
  // Validates the run (RandomSettingError) and seeds the generator.
  FmRandomPatches(const RandomRun &run, const RangeGrid &grid);

  // Builds the next voice; false once the run is complete.
  bool Next();
  const TFMPatch &Patch() const { return m_patch; }
  int Slot() const { return m_slot - 1; }

private:
  const RangeGrid &m_grid;
  RandomGenerator m_random;
  TFMPatch m_patch;
  uint8_t m_bank;
  uint8_t m_device;
  int m_slot;
  int m_end;
};

// "Create && Save to SysEx": the voices' dumps back to back, 268 bytes each;
// the bank travels in every dump.
Bytes CreateFmRandomFile(const RandomRun &run, const RangeGrid &grid);

} // namespace zpm
