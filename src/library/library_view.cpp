// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_view.h"

#include "patch/patch.h"

#include <cstring>

namespace zpm {

namespace {

TPatch SidPatchAt(const TPlacedPatch &placed, int device) {
  TPatch patch;
  std::memcpy(patch.Data(), placed.patch.data.data(), placed.patch.data.size());
  patch.Bank = static_cast<uint8_t>(placed.bank);
  patch.SetDeviceNumber(static_cast<uint8_t>(device));
  patch.SetPatchNumber(static_cast<uint8_t>(placed.number));
  patch.UpdateChecksum();
  return patch;
}

TFMPatch FmPatchAt(const TPlacedPatch &placed, int device) {
  TFMPatch patch;
  std::memcpy(patch.Data(), placed.patch.data.data(), placed.patch.data.size());
  patch.SetDeviceNumber(static_cast<uint8_t>(device));
  patch.SetPatchType(FmType(placed.patch.kind));
  patch.SetBank(static_cast<uint8_t>(placed.bank));
  patch.SetPatchNumber(static_cast<uint8_t>(placed.number));
  patch.UpdateChecksum();
  return patch;
}

} // namespace

Bytes PlacedPatchImage(const TPlacedPatch &placed, int device) {
  if (placed.patch.kind == TKind::Sid) {
    const TPatch patch = SidPatchAt(placed, device);
    return Bytes(patch.Dump.begin(), patch.Dump.end());
  }
  const TFMPatch patch = FmPatchAt(placed, device);
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

PatchViewText PlacedPatchView(const TPlacedPatch &placed, int device,
                              const std::string &previousPatchType) {
  if (placed.patch.kind == TKind::Sid)
    return ViewSidPatch(SidPatchAt(placed, device), previousPatchType);
  return ViewFmPatch(FmPatchAt(placed, device), previousPatchType);
}

PatchViewText StoredPatchView(const TPatchBytes &patch, const std::vector<TSightingRow> &seen,
                              const std::string &previousPatchType) {
  TPlacedPatch placed;
  placed.patch = patch;
  int device = 0;
  const TSightingRow *last = nullptr;
  for (const TSightingRow &sighting : seen)
    if (sighting.snapshot != 0 && (!last || sighting.time >= last->time))
      last = &sighting;
  if (last) {
    placed.bank = last->bank;
    placed.number = last->number;
    device = last->device;
  }
  return PlacedPatchView(placed, device, previousPatchType);
}

} // namespace zpm
