// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/cli_host.h"

#include "zpm/cli_io.h"
#include "zpm/fetch_summary.h"
#include "zpm/interrupts.h"

#include <chrono>

namespace zpm::cli {

namespace {

// The window's texts break lines with CR LF; a terminal wants LF alone.
QString TerminalText(const std::string &text) {
  return QString::fromStdString(text).replace("\r\n", "\n");
}

std::chrono::steady_clock::time_point After(int milliseconds) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

} // namespace

bool TCliHost::Ask(const std::string &text) {
  PrintErr(TerminalText(text) + (m_yes ? " Yes (--yes)\n" : " No (give --yes to answer Yes)\n"));
  return m_yes;
}

void TCliHost::Inform(const std::string &text) {
  // A message in the middle of a run starts a line of its own.
  if (m_progressLine)
    PrintErr("\n");
  m_progressLine = false;
  PrintErr(TerminalText(text) + "\n");
}

int TCliHost::WaitForSysEx() {
  // A wait that runs out ends as timed out, not cancelled: the run goes on
  // with the next thing to fetch and says at its end what did not come.
  if (!m_reception.WaitUntilEnded(After(m_waitMs)))
    PrintErr(QString("No complete answer within %1 ms (%2 bytes received).\n")
                 .arg(m_waitMs)
                 .arg(m_reception.ReceivedSize()));
  return kWaitClosed;
}

void TCliHost::Delay(int milliseconds) {
  // A lost service ends the pause: nothing more will come.
  m_reception.SleepUnlessLost(After(milliseconds));
}

void TCliHost::WaitForBytes(size_t count, int timeoutMs) {
  m_reception.WaitUntilReceived(count, After(timeoutMs));
}

void TCliHost::BeginProgress(int count) {
  m_progressCount = count;
  m_progressDone = 0;
}

void TCliHost::StepProgress() {
  ++m_progressDone;
  PrintErr(QString("\r%1 of %2").arg(m_progressDone).arg(m_progressCount));
  TInterrupts::SetLastWords(QString("Interrupted again: %1 of %2 done, the rest not sent.")
                                .arg(m_progressDone)
                                .arg(m_progressCount)
                                .toStdString());
  m_progressLine = true;
}

void TCliHost::WaitingForQuiet(bool waiting) {
  if (waiting)
    Inform("Waiting for the synthesizer to finish sending...");
}

void TCliHost::FetchItemDone(const TFetchItem &item) {
  m_fetched.push_back(item);
  TInterrupts::SetLastWords(InterruptedAgainText(m_fetched, QString()).toStdString());
}

bool TCliHost::ProgressCancelled() {
  return TInterrupts::Received() != 0;
}

void TCliHost::EndProgress() {
  if (m_progressLine)
    PrintErr("\n");
  m_progressLine = false;
}

} // namespace zpm::cli
