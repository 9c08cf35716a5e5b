// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a send can do around its writes: fetch the banks it will write into
// before anything goes out, and read the written slots back afterwards to
// compare their 256 data bytes with what was sent.

#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"
#include "sid/sid_send.h"

#include <vector>

namespace zpm {

// The destination banks of the items, each once, in the order they first
// appear; with onlySent just those of items that were sent, whether or not
// they are known to have arrived.
std::vector<int> SidBanksOf(const std::vector<TSendItem> &items, bool onlySent);

// Fetches every bank the report's items will write into, as "Get &Single
// Bank" does, and hands them to options.saveBackup; a bank the device does
// not have is left out, since nothing can be written there. False, with
// report.backupProblem saying why, when a bank did not arrive whole or could
// not be saved: the send must then not start.
bool BackupSidBanks(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                    const TPatchBank &list, TSendReport &report);

// Reads back each bank with written slots and marks every written item
// Verified, Differs or Unverified (with the reason).
void VerifySidSlots(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                    const TPatchBank &list, TSendReport &report);

} // namespace zpm
