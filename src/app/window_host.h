// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's side of a transfer: message boxes, the "Waiting for SysEx"
// dialog, waits that keep the user interface alive (DelayWithMessages) and
// the "Working..." dialog.

#include "app/main_context.h"
#include "app/reception_bridge.h"
#include "midi/transfer_host.h"

#include <QObject>

#include <functional>

namespace zpm {

class TfrmWaitSysEx;
class TfrmWorking;

class TWindowHost : public QObject, public TTransferHost {
  Q_OBJECT
public:
  // controls: what a running send disables, the main window's own controls.
  TWindowHost(TMainContext &context, QWidget *controls, TReceptionBridge &bridge,
              TfrmWaitSysEx &wait, TfrmWorking &working, QObject *parent = nullptr);
  ~TWindowHost() override;

  bool Ask(const std::string &text) override;
  void Inform(const std::string &text) override;
  int WaitForSysEx() override;
  void Delay(int milliseconds) override { DelayWithMessages(milliseconds); }
  void WaitForBytes(size_t count, int timeoutMs) override;

  void BeginProgress(int count) override;
  void StepProgress() override;
  bool ProgressCancelled() override;
  void EndProgress() override;

  void SetBusy(bool busy) override;
  // Told in the log and the status line: no dialog is up between requests.
  void WaitingForQuiet(bool waiting) override;
  void SetCanClose(bool canClose) override { m_context.SetCanClose(canClose); }

  // Waits the full time with the user interface alive; input to the main
  // window is dropped meanwhile. True when the time passed, false when the
  // application was asked to quit (it then still quits).
  bool DelayWithMessages(int milliseconds);
  // WaitForBytes: true when the bytes are there before the time is up.
  bool AwaitBytes(size_t count, int timeoutMs);

private:
  enum class TLoopEnd { Done, TimedOut, Quit };
  // A nested event loop that ends after timeoutMs, or once done() says so
  // (checked whenever the reception's byte count moves), or on a quit request.
  TLoopEnd RunNestedLoop(int timeoutMs, const std::function<bool()> &done);

  TMainContext &m_context;
  QWidget *m_controls;
  TReceptionBridge &m_bridge;
  TfrmWaitSysEx &m_wait;
  TfrmWorking &m_working;
  int m_busy = 0; // SetBusy(true) calls not yet undone
  bool m_inProgress = false;
};

} // namespace zpm
