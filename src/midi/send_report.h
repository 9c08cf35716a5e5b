// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What became of each slot a send wrote into, and the planning and device
// check that the SID and FM sends share.

#include <algorithm>
#include <string>
#include <vector>

namespace zpm {

struct TMidiLink;

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

// Why the slots after a lost port, service or device were not sent; which
// of them was lost is the report's lostReason, in its own words.
extern const char *const kConnectionLost;

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

// Why a patch cannot be sent whole, to follow its name: cut short in its
// file, or holding a byte of 80h or above (which would end the message
// early); empty when it can.
std::string UnsendableText(bool cutShort, bool sendsWhole);

// "Midi output device not open." or "Midi input device not open.", the
// output first.
void CheckSendDevicesOpen(const TMidiLink &link);

} // namespace zpm
