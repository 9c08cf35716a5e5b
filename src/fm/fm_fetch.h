// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three fetches of the FM "Get Patch" group ("Get Single &Patch", "Get
// &Single Bank", "Get &All Banks"): loops over single-patch requests, since
// the FM synthesizer has no bank-wide request.

#include "midi/fetch_report.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

#include <functional>

namespace zpm {

struct TFmFetch {
  uint8_t device = 0;      // "Device ID:" of the FM group
  uint8_t type = kFmVoice; // kFmVoice, kFmDrumset or kFmEnsemble
  int bank = 0;            // the "Get Patch" group's bank, 0..7
  // Times a dump that came cut short, with a wrong checksum or not at all is
  // asked for again; the window asks once.
  int retries = 0;
  // Called after each patch is added, so a list can show it at once.
  std::function<void()> added;
};

// Each fetch empties into (and has the host clear the list's selection)
// once the devices are found open, then adds the patches in the order they
// arrive. The report has one item per patch slot asked for (type, bank,
// one-based number); the slots of a bank the device refused are
// NotAvailable, those after a stop NotAsked.
//
// One patch (number 1..128): a refusal tells "Bank C is not available.".
TFetchReport GetSingleFmPatch(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                              int number, TFMPatchBank &into);
// One bank: a refusal tells the same and ends the fetch; Cancel ends it too.
TFetchReport GetSingleFmBank(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                             TFMPatchBank &into);
// Banks A to H: a refused bank is skipped without a word; Cancel ends it all.
TFetchReport GetAllFmBanks(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                           TFMPatchBank &into);

// For the fetches a send makes around its writes: one bank added to into,
// without messages, without touching a list; a refused bank adds nothing.
TFetchReport FetchFmBankQuietly(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                                TFMPatchBank &into);
// One slot (number 0-based) into patch; its item says what came.
TFetchItem FetchFmSlotQuietly(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                              int number, TFMPatch &patch, TFetchReport &report);

} // namespace zpm
