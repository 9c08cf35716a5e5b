// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulator's own deterministic pseudo-random numbers (splitmix64): the
// same seed gives the same memory and the same garbage on every platform.

#include <cstdint>
#include <string>

namespace zpm {

class TSimRandom {
public:
  explicit TSimRandom(uint64_t seed) : m_state(seed) {}
  uint64_t Next();
  uint8_t NextDataByte() { return static_cast<uint8_t>(Next() >> 57); } // 0..7F

private:
  uint64_t m_state;
};

// One patch's seeded contents: 256 7-bit data bytes, the first 16 being the
// name padded with blanks. slot tells the patches of one seed apart.
void SeedPatchData(uint32_t seed, uint64_t slot, const std::string &name, uint8_t *data);

// "SimSID B042" and "SimFM V B042" (V voice, D drumset, E ensemble): bank
// letter and 1-based patch number, so a list shows where a patch came from.
std::string SimSidName(uint8_t bank, uint8_t patch);
std::string SimFmName(uint8_t type, uint8_t bank, uint8_t patch);

} // namespace zpm
