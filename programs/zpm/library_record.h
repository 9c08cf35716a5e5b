// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm's device commands fetched or wrote, kept in the patch library as
// the synthesizer's history. A library that cannot be written makes them
// warn, never fail a transfer that worked.

#include "library/library_types.h"
#include "patch/patch.h"

#include <cstdint>

namespace zpm::cli {

class CommandLine;

// --library FILE and --no-library.
void AddLibraryOptions(CommandLine &line);

void RecordSidFetch(const CommandLine &line, int device, const TPatchBank &fetched);
void RecordFmFetch(const CommandLine &line, int device, const TFMPatchBank &voices,
                   const TFMPatchBank &drums, const TFMPatchBank &ensembles);
// A send's record, as SidSendRecord or FmSendRecord make it.
void RecordSend(const CommandLine &line, const TSnapshotRecord &record);

// A patch changed from an original (whole dump images), kept with the
// original as its parent. The new patch's ID and its parent's; 0 for both
// with --no-library, or when the library could not be written (which warns).
struct TKeptEdit {
  int64_t id = 0;
  int64_t parent = 0;
};
TKeptEdit RecordEdit(const CommandLine &line, const Bytes &made, const Bytes &original);

} // namespace zpm::cli
