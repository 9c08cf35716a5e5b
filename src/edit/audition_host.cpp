// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/audition_host.h"

#include <chrono>

namespace zpm {

namespace {

TReception::Clock::time_point After(int milliseconds) {
  return TReception::Clock::now() + std::chrono::milliseconds(milliseconds);
}

// The transfers' texts break lines with CR LF; a status line has one line.
std::string OneLine(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.replace(at, 2, " ");
  return text;
}

} // namespace

bool TAuditionHost::Ask(const std::string &text) {
  const std::string singleCart = "Zavorin SID 1.6 supports only 1 PatchCart.";
  if (m_tell)
    m_tell(text.compare(0, singleCart.size(), singleCart) == 0
               ? "Zavorin SID 1.6 supports only 1 PatchCart: the audition slot is in its one bank."
               : OneLine(text) + " Yes.");
  return true;
}

void TAuditionHost::Inform(const std::string &text) {
  if (m_tell)
    m_tell(OneLine(text));
}

int TAuditionHost::WaitForSysEx() {
  m_reception.WaitUntilEnded(After(kAnswerWaitMs));
  return kWaitClosed;
}

void TAuditionHost::Delay(int milliseconds) {
  // A lost service ends the pause: nothing more will come.
  m_reception.SleepUnlessLost(After(milliseconds));
}

void TAuditionHost::WaitForBytes(size_t count, int timeoutMs) {
  m_reception.WaitUntilReceived(count, After(timeoutMs));
}

} // namespace zpm
