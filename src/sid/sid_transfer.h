// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Talking to the SID synthesizer: the requests, the patch write, the bank
// selection with its answer, and the three fetches ("Get Single &Patch",
// "Get &Single Bank", "Get &All Banks").

#include "midi/fetch_report.h"
#include "midi/midi_link.h"
#include "midi/send_report.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

namespace zpm {

void RequestSidPatch(TMidiLink &link, uint8_t device, uint8_t patch);
void RequestSidBankDump(TMidiLink &link, uint8_t device);

// Times a patch write goes out while the MIDI service cannot tell it arrived.
constexpr int kSidWriteTries = 3;
// Sends one Patch Dump that writes a slot, which the device never answers,
// then pauses delayMs for the device to store it unless pause is false.
// A write whose bytes left while the service fell behind may not have
// arrived: as writing the same patch again changes nothing, it goes out
// once more after the pause, up to kSidWriteTries in all. Each counts in
// item's tries; its result is Written, or Unknown when even the last may
// not have arrived.
void WriteSidPatch(TMidiLink &link, TTransferHost &host, TMemoryStream &message, int delayMs,
                   bool pause, TSendItem &item);
// Selects the bank and waits delayMs for the answer: 1 the bank is there,
// 0 it is not, -1 a single-PatchCart device (firmware 1.6). outcome, when
// given, tells whether the pause was broken (bytes lost, service gone).
int SelectSidBank(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank, int delayMs,
                  TWaitOutcome *outcome = nullptr);

// What each wait takes, for the device number sent (128 and above go out as 0).
// Bank Select: any 9-byte SID message of that device (the classification
// tells an acknowledgement from a refusal) and the 7-byte answer of
// firmware 1.6.
TAwait SidBankSelectAwait(uint8_t device);
TAwait SidPatchDumpAwait(uint8_t device, uint8_t patch);
TAwait SidBankDumpAwait(uint8_t device);

struct TSidFetch {
  uint8_t device = 0; // "Device ID:" of the SID group
  int delayMs = 750;  // "&Delay after SysEx block (ms):"
  int fetchBank = 0;  // the "Get Patch" group's bank, 0..7; a single-PatchCart device resets it
  // Times a dump that came cut short, with a wrong checksum or not at all is
  // asked for again; the window asks once.
  int retries = 0;
};

// Each fetch replaces the contents of into with what arrived whole; into is
// left as it was when the fetch stops before asking the device for a dump.
// A singly fetched patch carries the fetch bank it came from, so that saving
// it writes the right Bank Select. The report has one item per bank or
// patch asked for (for all banks: every bank from A to the last one the
// device can have).
TFetchReport GetSingleSidPatch(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                               int patchNumber, TPatchBank &into);
TFetchReport GetSingleSidBank(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                              TPatchBank &into);
TFetchReport GetAllSidBanks(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                            TPatchBank &into);

} // namespace zpm
