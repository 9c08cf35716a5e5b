// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the patch viewer shows for a library patch, for the window and zpm
// alike: the viewer shows a dump, so the patch is put in one, at the slot
// of the synthesizer where it was last seen, else at A:1, with the checksum
// of its data.

#include "library/library_types.h"
#include "viewer/patch_view.h"

#include <string>
#include <vector>

namespace zpm {

// The dump of a patch placed at its bank and number, sent by device.
Bytes PlacedPatchImage(const TPlacedPatch &placed, int device = 0);
PatchViewText PlacedPatchView(const TPlacedPatch &placed, int device = 0,
                              const std::string &previousPatchType = kInitialPatchTypePanel);

// A stored patch at the slot of its latest sighting on the synthesizer
// (seen as the library lists them).
PatchViewText StoredPatchView(const TPatchBytes &patch, const std::vector<TSightingRow> &seen,
                              const std::string &previousPatchType = kInitialPatchTypePanel);

} // namespace zpm
