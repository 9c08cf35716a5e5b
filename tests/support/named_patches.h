// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SID patches made for the library's tests: a name, and a sound from a seed,
// so that two patches can share a sound under two names.

#include "patch/patch.h"
#include "sid/sid_file.h"

#include <string>
#include <vector>

namespace zpm::test {

inline TPatch NamedSid(const std::string &name, uint8_t seed, uint8_t bank = 0,
                       uint8_t number = 0) {
  TPatch patch;
  for (size_t i = 16; i < 256; ++i)
    patch.Data()[i] = static_cast<uint8_t>((seed + i) & 0x7F);
  for (size_t i = 0; i < 16; ++i)
    patch.Data()[i] = i < name.size() ? static_cast<uint8_t>(name[i]) : ' ';
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

inline Bytes SidFileOf(const std::vector<TPatch> &patches) {
  TPatchBank bank;
  for (const TPatch &patch : patches)
    bank.Add(patch);
  return SidFileBytes(bank);
}

} // namespace zpm::test
