// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the FM file loader: it must never hang, crash or
// read out of bounds, and a refused file loads nothing.
#include "fm/fm_file.h"
#include "patch/error.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const zpm::Bytes bytes(data, data + size);
  zpm::TFMPatchBank voices, drums, ensembles;
  try {
    zpm::LoadFmFile(bytes, "/fuzz/input.syx", voices, drums, ensembles);
  } catch (const zpm::ZpmError &) {
    return 0;
  }
  const size_t loaded = static_cast<size_t>(voices.Count() + drums.Count() + ensembles.Count());
  if (loaded > size / 268 + 1)
    std::abort();
  return 0;
}
