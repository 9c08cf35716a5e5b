// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asking the device for one dump and waiting for it, again while the answer
// comes cut short, damaged or not at all: what the SID and the FM fetches
// share.

#include "midi/fetch_report.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"

#include <functional>

namespace zpm {

// Before a request: while the device is still sending (a dump the program
// gave up on goes on arriving over a cable for seconds), waits until its
// input has been quiet, at most a whole bank's time on the wire; what comes
// meanwhile is logged and set aside. The front end says so meanwhile. An
// answer asked for now would queue behind it.
void AwaitQuiet(TMidiLink &link, TTransferHost &host);

// The user's "&Cancel" becomes the wait's outcome; the close box leaves it
// without an answer.
TWaitOutcome AwaitDump(TMidiLink &link, TTransferHost &host, const TAwait &await,
                       const Bytes &request);

// Asks for one dump until it arrives whole with checksumOk true, or the tries
// are spent; the user's Cancel or a lost service ends it at once. A dump
// whose checksum stays wrong is kept, flagged in item and logged. Returns
// the answer, or nothing when none arrived whole. An answer that is not a
// dump (a refusal) must pass checksumOk: it is an answer, never asked again.
// After an answer that came cut short, the next try waits retryPauseMs first:
// the device may still be sending the rest of it, and a stall that lost
// bytes is told more than once.
Bytes FetchDump(TMidiLink &link, TTransferHost &host, int retries, int retryPauseMs,
                const TAwait &await, const Bytes &request, TFetchItem &item,
                const std::function<bool(const Bytes &)> &checksumOk);

} // namespace zpm
