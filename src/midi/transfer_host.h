// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a transfer operation needs from the front end that runs it: the
// message boxes, the "Waiting for SysEx" dialog, the delay that keeps the
// user interface alive, and the "Working..." progress. The window implements
// it with dialogs and nested event loops, zpm with the terminal and bounded
// waits, the tests with a fake clock and scripted answers.

#include "midi/fetch_report.h"

#include <cstddef>
#include <string>

namespace zpm {

// Modal results of the wait dialog: closed by the reception (or its close
// box), or cancelled by the user's "&Cancel".
constexpr int kWaitClosed = 2;
constexpr int kWaitCancelled = 3;

class TTransferHost {
public:
  virtual ~TTransferHost() = default;

  // An information box with Yes and No; true for Yes.
  virtual bool Ask(const std::string &text) = 0;
  // An information box with OK.
  virtual void Inform(const std::string &text) = 0;
  // Shows the wait dialog until the reception's wait is complete (also when
  // the bytes arrived before it was shown) or the user ends it; returns
  // kWaitClosed or kWaitCancelled.
  virtual int WaitForSysEx() = 0;
  // Waits the full time, the user interface alive; a quit request ends it early.
  virtual void Delay(int milliseconds) = 0;
  // Waits until the reception holds at least count bytes or timeoutMs have
  // passed, the user interface alive.
  virtual void WaitForBytes(size_t count, int timeoutMs) = 0;

  // The "Working..." dialog over a run of count items.
  virtual void BeginProgress(int count) { (void)count; }
  virtual void StepProgress() {}
  // True once the user pressed "&Cancel".
  virtual bool ProgressCancelled() { return false; }
  virtual void EndProgress() {}

  // False while patches are being written outside the "Working..." dialog:
  // the window then refuses to close.
  virtual void SetCanClose(bool canClose) { (void)canClose; }

  // The hourglass pointer during "Get &All Banks".
  virtual void SetBusy(bool busy) { (void)busy; }
  // A fetch is about to empty the list it fills: the list's selection goes.
  virtual void ListClearing() {}

  // A thing a fetch asked for has arrived whole.
  virtual void FetchItemDone(const TFetchItem &item) { (void)item; }

  // The device is still sending something nobody waits for, and the next
  // request waits until it has finished: "Waiting for the synthesizer to
  // finish sending..." (true), or it has (false).
  virtual void WaitingForQuiet(bool waiting) { (void)waiting; }
};

} // namespace zpm
