// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Library patches back into the synthesizer: a user bank to the bank the
// user chooses, a snapshot to the bank it came from. Each goes out as the
// send tabs send a source bank to a destination bank, with their device
// checks, backup, read-back and per-slot report.

#include "library/library.h"
#include "library/library_files.h"

#include <vector>

class QWidget;

namespace zpm {

class TMainContext;

// Sends patches of one kind, all placed in bank `from`, each to its own
// number in bank `to`; the run is kept in the library as a send and ends
// with its per-slot report. False when nothing went out.
bool SendPlacedBank(TMainContext &context, QWidget *parent, const std::vector<TPlacedPatch> &placed,
                    int from, int to, bool backup, bool verify);

} // namespace zpm
