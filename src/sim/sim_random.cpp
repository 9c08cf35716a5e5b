// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_random.h"

#include "patch/patch.h"

#include <cstdio>

namespace zpm {

uint64_t TSimRandom::Next() {
  m_state += 0x9E3779B97F4A7C15ULL;
  uint64_t z = m_state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

void SeedPatchData(uint32_t seed, uint64_t slot, const std::string &name, uint8_t *data) {
  // Mixing the slot through one step keeps neighbouring slots unrelated.
  TSimRandom random((static_cast<uint64_t>(seed) << 32) ^ TSimRandom(slot).Next());
  for (size_t i = 0; i < kDataSize; ++i)
    data[i] = random.NextDataByte();
  for (size_t i = 0; i < kNameSize; ++i)
    data[i] = i < name.size() ? static_cast<uint8_t>(name[i]) & 0x7F : ' ';
}

std::string SimSidName(uint8_t bank, uint8_t patch) {
  char text[32];
  std::snprintf(text, sizeof text, "SimSID %c%03d", 'A' + bank, patch + 1);
  return text;
}

std::string SimFmName(uint8_t type, uint8_t bank, uint8_t patch) {
  const char kind = type == kFmDrumset ? 'D' : type == kFmEnsemble ? 'E' : 'V';
  char text[32];
  std::snprintf(text, sizeof text, "SimFM %c %c%03d", kind, 'A' + bank, patch + 1);
  return text;
}

} // namespace zpm
