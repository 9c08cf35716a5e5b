// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an FM send can do around its writes: fetch the banks it will write
// into before anything goes out, and read each written slot back afterwards
// to compare its 256 data bytes with what was sent.

#include "fm/fm_send.h"

#include <utility>
#include <vector>

namespace zpm {

// The (type, bank) pairs the items will write into, each once, voices,
// drumsets, then ensembles, banks in increasing order.
std::vector<std::pair<int, int>> FmBanksOf(const std::vector<TSendItem> &items);

// Fetches every bank the report's items will write into, as the bank fetch
// of its type does, and hands them to options.saveBackup; a bank the device
// refuses is left out, since nothing can be written there. False, with
// report.backupProblem saying why, when a bank did not arrive whole or could
// not be saved: the send must then not start.
bool BackupFmBanks(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                   TSendReport &report);

// Reads back each written slot and marks it Verified, Differs or Unverified
// (with the reason).
void VerifyFmSlots(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                   const TFmLists &lists, TSendReport &report);

} // namespace zpm
