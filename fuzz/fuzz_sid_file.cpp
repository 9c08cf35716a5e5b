// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the SID file loader: it must never hang, crash or
// read out of bounds, and whatever it loads must be whole patches.
#include "patch/error.h"
#include "sid/sid_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const zpm::Bytes bytes(data, data + size);
  zpm::TPatchBank bank;
  try {
    zpm::LoadSidFile(bytes, "/fuzz/input.syx", bank);
  } catch (const zpm::ZpmError &) {
    if (bank.Count() != 0)
      std::abort(); // a refused file loads nothing
    return 0;
  }
  // Every patch read came from somewhere in the file.
  if (static_cast<size_t>(bank.Count()) > size / 256 + 1)
    std::abort();
  // Saving what was loaded and loading it again gives the same patches.
  zpm::TPatchBank again;
  if (bank.Count() > 0) {
    zpm::LoadSidFile(zpm::SidFileBytes(bank), "/fuzz/again.syx", again);
    if (again.Count() != bank.Count())
      std::abort();
    for (int i = 0; i < bank.Count(); ++i)
      if (again.GetPatch(i).Dump != bank.GetPatch(i).Dump ||
          again.GetPatch(i).Bank != bank.GetPatch(i).Bank)
        std::abort();
  }
  return 0;
}
