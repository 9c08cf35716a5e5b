// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pages hand to the patch library as they work: every fetch and
// every send as a snapshot of the slots it brought or wrote, every file
// loaded as sightings. Keeping a patch never fails the work that brought
// it: a library that refuses says so in one line of the log and the status
// line.

#include "fm/fm_send.h"
#include "library/library.h"
#include "library/library_files.h"
#include "library/library_records.h"
#include "midi/fetch_report.h"
#include "midi/send_report.h"
#include "patch/patch.h"
#include "viewer/patch_view.h"

#include <QString>

#include <vector>

namespace zpm {

class TMainContext;

// The items of a report that a retry sent again, for recording only those.
TSendReport SentAgain(const TSendReport &before, const TSendReport &after);

// A fetch brought at least one patch whole: what it fetched replaced the list.
bool AnyFetched(const TFetchReport &report);

// Every row of the lists of a file loaded, at its path.
std::vector<TSighting> FileSightings(const QString &path,
                                     const std::vector<const TPatchBank *> &sid,
                                     const std::vector<const TFMPatchBank *> &fm);

// Records into the main window's library when it is open and the Config
// page keeps patches; a refusal is told in one line.
void KeepSnapshot(TMainContext &context, const TSnapshotRecord &record);
void KeepSightings(TMainContext &context, const std::vector<TSighting> &sightings);

} // namespace zpm
