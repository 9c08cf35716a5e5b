// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Patch files as the library reads and writes them: any file the loaders
// take, into patches with their rows; sets of library patches back into a
// file of the program's own format.

#include "library/library_types.h"
#include "patch/patch.h"

#include <string>
#include <vector>

namespace zpm {

TPatchBytes PatchBytesOf(const TPatch &patch);
TPatchBytes PatchBytesOf(const TFMPatch &patch);

struct TFilePatch {
  int row = 0; // in its kind's list of the file, from 0
  TPatchBytes patch;
};

struct TFilePatches {
  int64_t size = 0;
  int64_t mtime = 0; // ns since the epoch
  std::vector<TFilePatch> patches;
  std::string warning; // cut short or wrong checksums
};

// Reads a file as the window's "&Load SysEx file" would (SID or FM by its
// first bytes; at most 64 MiB). Throws ZpmError with the loader's reason.
TFilePatches ReadPatchFile(const std::string &path);

// The patches as a file: every patch at its own bank and number, the device
// ID given; all SID or all FM (a set with both raises TLibraryError).
Bytes PlacedPatchFile(const std::vector<TPlacedPatch> &placed, int device);

// Numbers patches in the order given from slot 1 of bank A on, each kind on
// its own; raises TLibraryError when one would go past bank H's last slot.
std::vector<TPlacedPatch> PlaceFromFirstSlot(const std::vector<TStoredPatch> &patches);

} // namespace zpm
