// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing FM patches into the synthesizer's memory, one Patch Dump each,
// each answered by an acknowledgement or a refusal: a type's "Send all", the
// copies of a source bank or of the selected patches, the "All Types" sends
// and the get tab's single send to a chosen slot. A run may back up the
// banks it writes into first and read the written slots back afterwards.

#include "midi/midi_link.h"
#include "midi/send_report.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace zpm {

enum class TFmSendMode {
  Type,     // every patch of one type's list, each to its own slot
  AllTypes, // all voices, then all drumsets, then all ensembles, each to its own slot
  Selected, // the selected rows of each list, voices first, each to its own slot
  Bank,     // the patches of sourceBank of one type, each to its own number in destBank
  Rows,     // rows of one type in index order to consecutive numbers from destPosition
  PatchTo   // one row to destBank, destPosition, waiting the full timeout; no progress
};

struct TFmSendJob {
  TFmSendMode mode = TFmSendMode::AllTypes;
  uint8_t type = kFmVoice; // Type, Bank, Rows, PatchTo
  int sourceBank = 0;      // Bank
  int destBank = 0;        // Bank, Rows, PatchTo
  int destPosition = 0;    // Rows, PatchTo: 0-based
  std::vector<int> rows;   // Rows, PatchTo
  // Selected: the selection of the voice, drumset and ensemble lists.
  std::array<std::vector<int>, 3> selected;
};

// The three lists a send takes its patches from.
struct TFmLists {
  const TFMPatchBank &voices;
  const TFMPatchBank &drums;
  const TFMPatchBank &ensembles;
  const TFMPatchBank &Of(int type) const;
};

struct TFmSendOptions {
  uint8_t device = 0;      // "Device ID:" of the FM group
  int ackTimeoutMs = 1500; // "&Acknowledge Timeout (ms):"
  int retries = 0;         // writes without an answer, and the fetches around them
  bool backup = false;
  bool verify = false;
  // The number messages give the first row of a list: the window counts
  // its rows from 1, zpm from 0 as its `index`.
  int firstRow = 1;
  // Saves the fetched banks (voices, drumsets, ensembles) before anything is
  // sent and returns where they went; raises ZpmError when it cannot.
  std::function<std::string(const TFMPatchBank &banks)> saveBackup;
};

// The slots a job would write, before anything is sent: rows past the
// type's last slot are listed as not sent. Raises ZpmError when a patch the
// job would send holds a byte of 80h or above or was cut short by the end of
// its file, naming its row and slot.
std::vector<TSendItem> PlanFmSend(const TFmSendJob &job, const TFmLists &lists, int firstRow = 1);

// Runs a job as the window's button does: nothing when it has nothing to
// send; the device check; the question of a copy of several rows; progress
// over exactly the slots to write; "Bank X not available." and the end of
// the run on a refusal or a missing acknowledgement; Cancel after the
// patch in progress. Raises ZpmError for a closed device, a patch that
// cannot be sent whole, and a driver error.
TSendReport RunFmSend(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                      const TFmSendJob &job, const TFmLists &lists);

// A slot "Retry failed slots" sends again: refused, not answered, not sent
// because the run stopped, read back different or not at all.
bool FmSlotFailed(const TSendItem &item);
// Sends the failed slots again, each to the slot it was meant for, then
// reads them back when the report was verified; the report is updated.
void RetryFmSlots(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                  const TFmLists &lists, TSendReport &report);

// "written", "verified", "differs", "refused", "not verified", "no answer", "not sent".
const char *FmSendResultText(TSendResult result);
// "voices", "drumsets" or "ensembles".
const char *FmListName(int type);

} // namespace zpm
