// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm's device commands fetched or wrote, kept in the patch library as
// the synthesizer's history. A library that cannot be written makes them
// warn, never fail a transfer that worked.

#include "midi/send_report.h"
#include "patch/patch.h"

#include <functional>

namespace zpm {
struct TPatchBytes;
}

namespace zpm::cli {

class CommandLine;

// --library FILE and --no-library.
void AddLibraryOptions(CommandLine &line);

void RecordSidFetch(const CommandLine &line, int device, const TPatchBank &fetched);
void RecordFmFetch(const CommandLine &line, int device, const TFMPatchBank &voices,
                   const TFMPatchBank &drums, const TFMPatchBank &ensembles);
// The slots the report says were written; patchOf gives the patch an item sent.
void RecordSend(const CommandLine &line, bool fm, int device, const TSendReport &report,
                const std::function<TPatchBytes(const TSendItem &)> &patchOf, bool random);

} // namespace zpm::cli
