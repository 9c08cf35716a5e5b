// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm tells of a fetch: the JSON slots of "Every device command" and the
// sentence that names what was not fetched.

#include "midi/fetch_report.h"
#include "patch/patch.h"

#include <QJsonArray>
#include <QString>

namespace zpm::cli {

// One slot per patch slot the run was to fetch: a bank item stands for its
// 128 patch slots. Names come from the fetched list.
QJsonArray SidFetchSlots(const TFetchReport &report, const TPatchBank &fetched);

// The same for FM fetches, whose items are single patch slots of a type;
// names come from the fetched voices.
QJsonArray FmFetchSlots(const TFetchReport &report, const TFMPatchBank &voices,
                        const TFMPatchBank &drums, const TFMPatchBank &ensembles);

// "Banks C, H were not fetched (no complete answer)." or "Patch C:17 was not
// fetched (no complete answer)."; empty when nothing failed.
QString NotFetchedText(const TFetchReport &report);

// The line a second signal prints: "Interrupted again: banks A, B fetched,
// not saved; the rest not fetched." or, once savedTo is written,
// "Interrupted again: banks A, B saved to all.syx; the rest not fetched."
QString InterruptedAgainText(const std::vector<TFetchItem> &fetched, const QString &savedTo);

// "banks A, B" or "patch C:17": what the saved file holds.
QString FetchedText(const TFetchReport &report);

} // namespace zpm::cli
