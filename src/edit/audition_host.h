// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transfer host of the audition's own thread: no dialogs, waits bounded
// in time on the reception, what a transfer would tell the user passed on
// as a status line.

#include "midi/reception.h"
#include "midi/transfer_host.h"

#include <functional>
#include <string>

namespace zpm {

class TAuditionHost : public TTransferHost {
public:
  // A fetched patch arrives in well under this, over a cable too.
  static constexpr int kAnswerWaitMs = 2000;

  TAuditionHost(TReception &reception, std::function<void(const std::string &)> tell)
      : m_reception(reception), m_tell(std::move(tell)) {}

  // The one question a fetch or write may ask: a single-PatchCart device,
  // whose one bank holds the audition slot. Yes.
  bool Ask(const std::string &text) override;
  void Inform(const std::string &text) override;
  int WaitForSysEx() override;
  void Delay(int milliseconds) override;
  void WaitForBytes(size_t count, int timeoutMs) override;

private:
  TReception &m_reception;
  std::function<void(const std::string &)> m_tell;
};

} // namespace zpm
