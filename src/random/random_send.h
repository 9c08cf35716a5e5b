// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random runs into the synthesizer, "Create && Save to SID" and "Create &&
// Save to FM": the same patches a file run writes, sent one message each with
// the pause after it, "Working..." with "&Cancel" after the patch in
// progress, and the progress always ended. Like the sends, a run may back up
// the bank it writes into first and read the written slots back afterwards,
// and says what became of each patch. The window and `zpm random --send`
// both run them over their own transfer host.

#include "fm/fm_send.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "random/random_run.h"
#include "random/range_grid.h"
#include "sid/sid_send.h"

#include <string>

namespace zpm {

struct TRandomSendReport {
  int sent = 0;             // patches sent, each with its pause waited
  bool cancelled = false;   // "&Cancel" stopped the run after a patch
  bool bankRefused = false; // SID: bank not available, or the single-PatchCart question answered No
  // FM: how the device answered each voice.
  int acknowledged = 0;
  int refused = 0;
  int unanswered = 0;
  // The service, a port or the device went away: the run stopped, the
  // patch then on its way may or may not have arrived (unknown is 1).
  std::string lostReason;
  int unknown = 0;
  // One slot per patch made, row i the i-th patch: what the send report,
  // its retries and zpm's report show.
  TSendReport send;
  // The patches made, for the read-back and a retry of failed slots; the
  // FM ones are voices in a random run, of any one type in a run of patches
  // made elsewhere.
  TPatchBank sidPatches;
  TFMPatchBank fmVoices;
  // The FM patches as the list of their type, the other two empty, for the
  // read-back and the record.
  TFmLists FmLists() const;
};

// The SID run: device check, Bank Select and its answer (a single-PatchCart
// device asks first, a missing bank is told), then one Patch Dump and a
// pause of delayMs per patch.
TRandomSendReport SendSidRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                   const RangeGrid &grid, int delayMs);
// The same with a send's options: the pause is options.delayMs, the device
// the run's; with options.backup the run's bank is fetched and saved before
// anything is sent (nothing is sent when that fails), with options.verify
// the written slots are read back afterwards.
TRandomSendReport SendSidRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                   const RangeGrid &grid, const TSidSendOptions &options);

// The FM run: every voice sent and its full acknowledge timeout waited,
// whatever the device answers; the answers are counted.
TRandomSendReport SendFmRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const RangeGrid &grid, int ackTimeoutMs);
// The same with a send's options: the timeout is options.ackTimeoutMs, a
// voice left unanswered is sent again up to options.retries times, and the
// backup and the read-back are as for SID.
TRandomSendReport SendFmRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const RangeGrid &grid, const TFmSendOptions &options);

// The same runs with patches made elsewhere (explored candidates), in the
// order given, each already at its number: SID patches into the run's bank,
// FM patches of one type, each into its own bank. The run's Count is the
// progress's length.
TRandomSendReport SendSidPatchRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const TPatchBank &patches, const TSidSendOptions &options);
TRandomSendReport SendFmPatchRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                 const TFMPatchBank &patches, const TFmSendOptions &options);

// What a run made, for the window's status and zpm's output:
// "3 patches, slots 126-128 of bank A; 1 past slot 128 not made".
std::string RandomRunSummary(const RandomRun &run, int made);

// The end of a run that lost the service, a port or the device: the reason
// and what became of the patches; empty when nothing was lost.
std::string RandomLostText(const RandomRun &run, const TRandomSendReport &report);

// The end of an FM run into a bank the device refused voices for; empty
// when it refused none.
std::string FmRefusalText(const RandomRun &run, const TRandomSendReport &report);

} // namespace zpm
