// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What became of each thing a fetch asked the device for, so that a front end
// can say exactly what arrived and what did not.

#include "midi/reception.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zpm {

enum class TFetchResult {
  Fetched,      // arrived whole (checksumOk says whether its checksum matched)
  NotAvailable, // the device refused: an answer, never asked again
  CutShort,     // the answer came cut short or broken on every try
  NoAnswer,     // no whole answer within the wait on every try
  Cancelled,    // the user ended the wait
  ServiceLost,  // the MIDI service or port went away
  NotAsked      // the run ended before it came to this one
};

struct TFetchItem {
  int bank = 0;  // 0..7
  int patch = 0; // 1..128, or 0 for a whole bank
  int type = 0;  // FM type code; 0 on the SID side
  TFetchResult result = TFetchResult::NotAsked;
  int tries = 0; // requests sent for it
  bool checksumOk = true;
  size_t received = 0; // CutShort: bytes of the last try and the size awaited
  size_t expected = 0;
  TCutCause cause = TCutCause::Ended; // CutShort: why the last try came short
};

struct TFetchReport {
  std::vector<TFetchItem> items; // in the order they were fetched or skipped
  std::string lostReason;        // the service's reason when one was lost
  bool declined = false;         // the user answered No to the program's question
  // The user's Cancel or a signal stopped the run: the item in progress is
  // cancelled, those it had not come to are left not asked.
  bool cancelled = false;

  bool AllFetched() const;
};

// How a wait ended, as a result for the thing awaited.
TFetchResult FetchResultOf(const TWaitOutcome &outcome);
// The items with the result, patches of a bank in runs: "banks A, B",
// "patch C:17", "patches A:1-A:128, B:1-B:12"; empty when there are none.
std::string ItemNames(const std::vector<TFetchItem> &items, TFetchResult result);

// "Fetching was cancelled; banks A, B arrived whole, the rest were
// cancelled.": empty unless the run was cancelled.
std::string CancelledText(const TFetchReport &report);

// "fetched", "not available", "cut short", "no answer", "cancelled",
// "service lost", "not sent".
const char *FetchResultText(TFetchResult result);

// "The bank dump was cut short (30297 of 32777 bytes); nothing was added.",
// or as the cause says: "The bank dump stopped after 1000 of 32777 bytes;
// nothing was added.", "Bytes of the bank dump were lost ...".
std::string CutShortText(const char *what, size_t received, size_t expected,
                         TCutCause cause = TCutCause::Ended);

// Why the last try of an item that was not fetched failed, and what to try:
// "the dump stopped after 1000 of 32777 bytes; check the cable and try
// again", "no complete answer", ...
std::string FetchFailureCause(const TFetchItem &item);

} // namespace zpm
