#pragma once
// Writing SID patches into the synthesizer's memory: "Send &patch list to
// SID", "Send selected patch to &destination" (all patches of a bank, or the
// selected ones) and "Send selected to another patch location". The device
// does not acknowledge a Patch Dump; a fixed pause follows each one. A run
// may back up the banks it writes into first and read the written slots back
// afterwards.

#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

#include <algorithm>
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

enum class TSendResult {
  Written,      // sent (the device does not say whether it took it)
  Verified,     // read back with the data bytes that were sent
  Differs,      // read back with other data bytes
  NotAvailable, // its bank is not there; nothing was sent for it
  Unverified,   // sent, but reading it back brought no whole answer
  NoAnswer,     // sent, but the device did not acknowledge it in time (FM)
  NotSent,      // the run ended before it, or it had no place (reason says which)
  Unknown       // in flight when the port, the service or the device went away
};

struct TSendItem {
  int row = 0;      // index in the source list
  int bank = 0;     // destination bank 0..7
  int number = 0;   // destination patch number 0..127
  bool at = false;  // sent with SaveToStreamAt (else SaveToStreamAs, its own number)
  std::string name; // as the list shows it (Latin-1)
  TSendResult result = TSendResult::NotSent;
  std::string reason; // why it was not sent or not verified
  int tries = 0;      // times it was sent
  int type = -1;      // FM type code of its list; -1 for a SID patch
};

// Plans rows sent one after the other from slot first on: the rows in
// order, once each, those outside a list of count rows passed over; a row
// whose slot is past last is planned with pastLast as its reason; with
// single, the first row only. plan(row, slot) makes each item.
template <typename Plan>
void PlanRowsToSlots(std::vector<int> rows, int count, int first, int last, bool single,
                     const char *pastLast, std::vector<TSendItem> &items, Plan plan) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  int slot = first;
  for (int row : rows) {
    if (row < 0 || row >= count)
      continue;
    TSendItem item = plan(row, slot);
    if (slot > last)
      item.reason = pastLast;
    items.push_back(item);
    ++slot;
    if (single)
      break;
  }
}

struct TSendReport {
  std::vector<TSendItem> items; // in the order they were to be sent
  std::string lostReason;       // the service's reason when one was lost
  std::string backupPath;       // where the backup went, when one was made
  std::string backupProblem;    // why the backup is incomplete; nothing was then sent
  bool declined = false;        // the user answered No to the program's question
  bool cancelled = false;       // the user pressed "&Cancel"
  bool verified = false;        // the written slots were read back

  // The slot was written (and, when verified, read back the same).
  bool SlotDone(const TSendItem &item) const;
  // Everything asked for was written (and, when verified, read back the
  // same): a slot whose bank the device does not have counts as not done.
  bool AllDone() const;
  // Rows that were sent but did not arrive intact, could not be read back,
  // or whose arrival is unknown.
  std::vector<int> FailedRows() const;
};

// "Midi output device not open." or "Midi input device not open.", the
// output first.
void CheckSendDevicesOpen(const TMidiLink &link);

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
