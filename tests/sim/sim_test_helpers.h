// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building what the program sends to the simulated devices.

#include "patch/patch.h"
#include "sim/sim_synth.h"

#include <cstdint>

namespace zpm {

// 256 data bytes that differ from any seeded patch: a ramp from start.
inline Bytes RampData(uint8_t start) {
  Bytes data(kDataSize);
  for (size_t i = 0; i < kDataSize; ++i)
    data[i] = static_cast<uint8_t>((start + i) & 0x7F);
  return data;
}

// The Patch Dump the program sends to write a SID patch.
inline Bytes SidWrite(uint8_t device, uint8_t patch, const Bytes &data) {
  TPatch p;
  p.SetDeviceNumber(device);
  p.SetPatchNumber(patch);
  std::copy(data.begin(), data.end(), p.Data());
  p.UpdateChecksum();
  return Bytes(p.Dump.begin(), p.Dump.end());
}

// The FM Patch Dump the program sends to write a patch.
inline Bytes FmWrite(uint8_t device, uint8_t type, uint8_t bank, uint8_t patch, const Bytes &data) {
  TFMPatch p;
  p.SetDeviceNumber(device);
  p.SetPatchType(type);
  p.SetBank(bank);
  p.SetPatchNumber(patch);
  std::copy(data.begin(), data.end(), p.Data());
  p.UpdateChecksum();
  return Bytes(p.Dump.begin(), p.Dump.end());
}

inline unsigned Sum(const uint8_t *data, size_t count) {
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i)
    sum += data[i];
  return sum;
}

} // namespace zpm
