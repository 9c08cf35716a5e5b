// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// zpm's side of a transfer: questions answered from --yes, waits bounded by
// --wait, delays as plain sleeps, progress and notices on standard error.

#include "midi/reception.h"
#include "midi/transfer_host.h"

#include <vector>

namespace zpm::cli {

class TCliHost : public TTransferHost {
public:
  TCliHost(TReception &reception, bool yes, int waitMs)
      : m_reception(reception), m_yes(yes), m_waitMs(waitMs) {}

  bool Ask(const std::string &text) override;
  void Inform(const std::string &text) override;
  int WaitForSysEx() override;
  void Delay(int milliseconds) override;
  void WaitForBytes(size_t count, int timeoutMs) override;
  void BeginProgress(int count) override;
  void StepProgress() override;
  void EndProgress() override;
  // Ctrl+C or SIGTERM asked the run to stop.
  bool ProgressCancelled() override;
  void WaitingForQuiet(bool waiting) override;
  // What a second signal says is updated with every item that arrives.
  void FetchItemDone(const TFetchItem &item) override;

private:
  TReception &m_reception;
  bool m_yes;
  int m_waitMs;
  int m_progressCount = 0;
  int m_progressDone = 0;
  bool m_progressLine = false; // the cursor stands after a progress count
  std::vector<TFetchItem> m_fetched;
};

} // namespace zpm::cli
