// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing SID patches into the synthesizer's memory: "Send &patch list to
// SID", "Send selected patch to &destination" (all patches of a bank, or the
// selected ones) and "Send selected to another patch location". The device
// does not acknowledge a Patch Dump; a fixed pause follows each one. A run
// may back up the banks it writes into first and read the written slots back
// afterwards.

#include "midi/midi_link.h"
#include "midi/send_report.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

#include <functional>
#include <string>
#include <vector>

namespace zpm {

enum class TSidSendMode {
  PatchList, // every patch to its own bank and number
  Bank,      // the patches of sourceBank, each to its own number in destBank
  Rows,      // the rows in index order to consecutive numbers from destPosition
  PatchTo    // one patch to destBank, destPosition; no pause and no progress
};

struct TSidSendJob {
  TSidSendMode mode = TSidSendMode::PatchList;
  int sourceBank = 0;    // Bank: 0..7
  int destBank = 0;      // Bank, Rows, PatchTo: 0..7
  int destPosition = 0;  // Rows, PatchTo: 0..127
  std::vector<int> rows; // Rows: the selected rows of the list; PatchTo: the one row
};

struct TSidSendOptions {
  uint8_t device = 0; // "Device ID:" of the SID group
  int delayMs = 750;  // "&Delay after SysEx block (ms):"
  int retries = 0;    // for the fetches of backup and verification
  bool backup = false;
  bool verify = false;
  // The number messages give the first row of the list: the window counts
  // its rows from 1, zpm from 0 as its `index`.
  int firstRow = 1;
  // Saves the fetched banks before anything is sent and returns where they
  // went, for the log; raises ZpmError when it cannot.
  std::function<std::string(const TPatchBank &banks)> saveBackup;
};

// The slots a job would write, before anything is sent: a Rows job lists the
// rows past patch 128 as not sent. Raises ZpmError when a patch the job would
// send holds a byte of 80h or above or was cut short by the end of its file,
// naming its row, slot and name.
std::vector<TSendItem> PlanSidSend(const TSidSendJob &job, const TPatchBank &list,
                                   int firstRow = 1);

// Runs a job as the window's button does, with its device check, questions,
// progress and pauses; an empty list or no rows does nothing. Neither the
// list nor any other list is changed. Raises ZpmError for a closed device, a
// patch that cannot be sent whole, and a driver error.
TSendReport RunSidSend(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                       const TSidSendJob &job, const TPatchBank &list);

// Sends the report's failed slots again, each to the slot it was meant for,
// then reads them back when the report was verified; the report is updated.
void RetrySidSlots(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                   const TPatchBank &list, TSendReport &report);

// "sent", "verified", "differs", "not available", "not verified", "not sent",
// "unknown".
const char *SendResultText(TSendResult result);

} // namespace zpm
