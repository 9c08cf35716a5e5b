#pragma once
// Talking to the SID synthesizer: the requests, the bank selection with its
// answer, and the three fetches ("Get Single &Patch", "Get &Single Bank",
// "Get &All Banks").

#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

namespace zpm {

void RequestSidPatch(TMidiLink &link, uint8_t device, uint8_t patch);
void RequestSidBankDump(TMidiLink &link, uint8_t device);
// Selects the bank and waits delayMs for the answer: 1 the bank is there,
// 0 it is not, -1 a single-PatchCart device (firmware 1.6).
int SelectSidBank(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank, int delayMs);

struct TSidFetch {
  uint8_t device = 0; // "Device ID:" of the SID group
  int delayMs = 750;  // "&Delay after SysEx block (ms):"
  int fetchBank = 0;  // the "Get Patch" group's bank, 0..7; a single-PatchCart device resets it
};

// Each fetch replaces the contents of into with what arrived whole; into is
// left as it was when the fetch stops before asking the device for a dump.
// A singly fetched patch carries the fetch bank it came from, so that saving
// it writes the right Bank Select.
void GetSingleSidPatch(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, int patchNumber,
                       TPatchBank &into);
void GetSingleSidBank(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, TPatchBank &into);
void GetAllSidBanks(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, TPatchBank &into);

} // namespace zpm
