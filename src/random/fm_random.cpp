// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/fm_random.h"

#include <stdexcept>
#include <vector>

namespace zpm {

const std::array<uint8_t, 17> WTPChoices = {20, 21, 22, 23, 48, 49,  50,  51, 66,
                                            67, 72, 82, 83, 88, 105, 110, 116};

namespace {

constexpr int kLastVoiceSlot = 127;

const std::vector<int> &FmEntriesByDataByte() {
  static const std::vector<int> entries = EntriesByDataByte(FMParameterTable());
  return entries;
}

void CheckFmGrid(const RangeGrid &grid) {
  if (&grid.Table() != &FMParameterTable())
    throw std::invalid_argument("The FM generator needs the FM range grid.");
}

} // namespace

void PutRandomByte(RandomGenerator &random, const RangeGrid &grid, size_t entry, size_t &position,
                   TFMPatch &patch) {
  const int row = static_cast<int>(entry) + 1;
  const std::string &max = grid.Cell(kGridMaxColumn, row);
  uint8_t byte;
  if (max == kTagLfo) {
    byte = DrawLfoMode(random);
  } else if (max == kTagWtr) {
    // Half the voices get no wavetable at all, and then no second draw.
    byte = random.RandomBelow(2) == 1 ? static_cast<uint8_t>(64 + random.RandomBelow(64)) : 0;
  } else if (max == kTagWtp) {
    byte = WTPChoices[random.RandomBelow(WTPChoices.size())];
  } else {
    byte = DrawFromRange(random, grid, row);
  }
  patch.Data()[position++] = byte;
}

void BuildFmRandomVoice(RandomGenerator &random, const RangeGrid &grid, int slot, uint8_t bank,
                        uint8_t device, TFMPatch &patch) {
  CheckFmGrid(grid);
  PutRandomPatchName(patch.Data(), slot);
  patch.SetDeviceNumber(device);
  patch.SetPatchType(kFmVoice);
  patch.SetBank(bank);
  patch.SetPatchNumber(static_cast<uint8_t>(slot));
  FillParameterBytes(FmEntriesByDataByte(), patch.Data(), [&](size_t entry, size_t &position) {
    PutRandomByte(random, grid, entry, position, patch);
  });
  patch.UpdateChecksum();
}

FmRandomPatches::FmRandomPatches(const RandomRun &run, const RangeGrid &grid) : m_grid(grid) {
  ValidateRandomRun(run);
  CheckFmGrid(grid);
  m_random.Seed(static_cast<int32_t>(run.Seed));
  m_bank = static_cast<uint8_t>(run.Bank);
  m_device = static_cast<uint8_t>(run.DeviceId);
  m_slot = run.FirstPatch - 1;
  m_end = m_slot + run.Count;
}

bool FmRandomPatches::Next() {
  if (m_slot >= m_end || m_slot > kLastVoiceSlot)
    return false;
  BuildFmRandomVoice(m_random, m_grid, m_slot, m_bank, m_device, m_patch);
  ++m_slot;
  return true;
}

Bytes CreateFmRandomFile(const RandomRun &run, const RangeGrid &grid) {
  FmRandomPatches voices(run, grid);
  TMemoryStream stream;
  while (voices.Next())
    voices.Patch().SaveToStream(stream);
  return stream.TakeData();
}

} // namespace zpm
