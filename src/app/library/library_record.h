// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pages hand to the patch library as they work: every fetch and
// every send as a snapshot of the slots it brought or wrote, every file
// loaded as sightings. Keeping a patch never fails the work that brought
// it: a library that refuses says so in one line of the log and the status
// line.

#include "app/library/library_access.h"
#include "fm/fm_send.h"
#include "midi/fetch_report.h"
#include "midi/send_report.h"
#include "patch/patch.h"
#include "viewer/patch_view.h"

#include <QString>

#include <vector>

namespace zpm {

class TMainContext;

// Banks of patches as they go to the synthesizer, from library patches at
// their slots; the device ID is the one messages will carry.
TPatchBank SidBankOf(const std::vector<TPlacedPatch> &placed, int device);
// Voices, drumsets and ensembles, each in its own bank.
struct TFmBanks {
  TFMPatchBank voices, drums, ensembles;
  TFmLists Lists() const { return {voices, drums, ensembles}; }
};
TFmBanks FmBanksOf(const std::vector<TPlacedPatch> &placed, int device);

// The patch viewer's texts for a library patch, shown at slot A1.
PatchViewText LibraryPatchView(const TPatchBytes &patch, const std::string &patchType);

// The slots of a finished send that reached the device: written, verified,
// or written but not read back.
bool SlotReached(TSendResult result);

// The items of a report that a retry sent again, for recording only those.
TSendReport SentAgain(const TSendReport &before, const TSendReport &after);

// A fetch brought at least one patch whole: what it fetched replaced the list.
bool AnyFetched(const TFetchReport &report);

// The records, built from what the pages hold; empty when nothing came.
TSnapshotRecord SidFetchRecord(const TPatchBank &fetched, int device);
TSnapshotRecord FmFetchRecord(const TFMPatchBank &fetched, int device);
TSnapshotRecord SidSendRecord(const TSendReport &report, const TPatchBank &list, int device);
TSnapshotRecord FmSendRecord(const TSendReport &report, const TFmLists &lists, int device);
// The same record with every slot a random patch, as a random run sends them.
TSnapshotRecord AsRandom(TSnapshotRecord record);
std::vector<TSighting> FileSightings(const QString &path,
                                     const std::vector<const TPatchBank *> &sid,
                                     const std::vector<const TFMPatchBank *> &fm);

// Records into the main window's library when it is open and the Config
// page keeps patches; a refusal is told in one line.
void KeepSnapshot(TMainContext &context, const TSnapshotRecord &record);
void KeepSightings(TMainContext &context, const std::vector<TSighting> &sightings);

} // namespace zpm
