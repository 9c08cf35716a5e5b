// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fetches and sends hand to the patch library, built from what
// they hold; and library patches back into banks as they go to the
// synthesizer. The window and zpm record through these.

#include "fm/fm_send.h"
#include "library/library_types.h"
#include "midi/send_report.h"
#include "patch/patch.h"

#include <functional>
#include <vector>

namespace zpm {

// Banks of patches as they go to the synthesizer, from library patches at
// their slots; the device ID is the one messages will carry.
TPatchBank SidBankOf(const std::vector<TPlacedPatch> &placed, int device);
// Voices, drumsets and ensembles, each in its own bank.
struct TFmBanks {
  TFMPatchBank voices, drums, ensembles;
  TFmLists Lists() const { return {voices, drums, ensembles}; }
};
TFmBanks FmBanksOf(const std::vector<TPlacedPatch> &placed, int device);

// The slots of a finished send that reached the device: written, verified,
// or written but not read back.
bool SlotReached(TSendResult result);

// The records; empty when nothing came or went.
TSnapshotRecord SidFetchRecord(const TPatchBank &fetched, int device);
TSnapshotRecord FmFetchRecord(const std::vector<const TFMPatchBank *> &fetched, int device);
// The slots the report says reached the device; patchOf gives the patch an
// item sent, or false when its row is not there.
TSnapshotRecord SendRecord(const TSendReport &report, bool fm, int device, bool random,
                           const std::function<bool(const TSendItem &, TPatchBytes &)> &patchOf);
TSnapshotRecord SidSendRecord(const TSendReport &report, const TPatchBank &list, int device,
                              bool random = false);
TSnapshotRecord FmSendRecord(const TSendReport &report, const TFmLists &lists, int device,
                             bool random = false);

} // namespace zpm
