// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/sid_random.h"

#include "sid/sid_messages.h"

#include <stdexcept>
#include <vector>

namespace zpm {

namespace {

const std::vector<int> &SidEntriesByDataByte() {
  static const std::vector<int> entries = EntriesByDataByte(SIDParameterTable());
  return entries;
}

void CheckSidGrid(const RangeGrid &grid) {
  if (&grid.Table() != &SIDParameterTable())
    throw std::invalid_argument("The SID generator needs the SID range grid.");
}

} // namespace

void PutRandomByte(RandomGenerator &random, const RangeGrid &grid, size_t entry, size_t &position,
                   TPatch &patch) {
  const int row = static_cast<int>(entry) + 1;
  const std::string &max = grid.Cell(kGridMaxColumn, row);
  uint8_t byte;
  if (max == kTagLfo) {
    byte = DrawLfoMode(random);
  } else if (max == kTagWav) {
    const uint32_t x = random.RandomBelow(9);
    const uint32_t y = random.RandomBelow(4);
    byte = static_cast<uint8_t>(x + 32 * y);
  } else {
    byte = DrawFromRange(random, grid, row);
  }
  patch.Data()[position++] = byte;
}

void BuildSidRandomPatch(RandomGenerator &random, const RangeGrid &grid, int slot, uint8_t device,
                         TPatch &patch) {
  CheckSidGrid(grid);
  PutRandomPatchName(patch.Data(), slot);
  patch.SetDeviceNumber(device);
  patch.SetPatchNumber(static_cast<uint8_t>(slot));
  FillParameterBytes(SidEntriesByDataByte(), patch.Data(), [&](size_t entry, size_t &position) {
    PutRandomByte(random, grid, entry, position, patch);
  });
  patch.UpdateChecksum();
}

SidRandomPatches::SidRandomPatches(const RandomRun &run, const RangeGrid &grid) : m_grid(grid) {
  ValidateRandomRun(run);
  CheckSidGrid(grid);
  m_random.Seed(static_cast<int32_t>(run.Seed));
  m_device = static_cast<uint8_t>(run.DeviceId);
  m_slot = run.FirstPatch - 1;
  m_end = m_slot + run.Count;
}

bool SidRandomPatches::Next() {
  if (m_slot >= m_end || m_slot >= kSidPatchesPerBank)
    return false;
  BuildSidRandomPatch(m_random, m_grid, m_slot, m_device, m_patch);
  ++m_slot;
  return true;
}

Bytes CreateSidRandomFile(const RandomRun &run, const RangeGrid &grid) {
  SidRandomPatches patches(run, grid);
  TMemoryStream stream;
  WriteSidBankSelect(stream, static_cast<uint8_t>(run.DeviceId), static_cast<uint8_t>(run.Bank));
  while (patches.Next())
    patches.Patch().SaveToStream(stream);
  return stream.TakeData();
}

} // namespace zpm
