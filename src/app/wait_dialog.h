// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Waiting for SysEx": shows the bytes received so far and stays until the
// reception has what it waits for, or the user ends the wait.

#include "app/reception_bridge.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zpm {

class TfrmWaitSysEx : public QDialog {
  Q_OBJECT
public:
  TfrmWaitSysEx(TReceptionBridge &bridge, QWidget *parent = nullptr);

  // kWaitCancelled for "&Cancel"; kWaitClosed when the reception's wait is
  // complete (also when it was before the dialog showed) or the user closed
  // the dialog.
  int exec() override;
  // The close box closes, it does not cancel; Escape cancels.
  void reject() override;

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  void ShowByteCount();
  void ShowAwaited();
  void CloseIfComplete();
  void btnCancelClick();

  TReception &m_reception;
  QLabel *lbBytes;
  // What the wait awaits, and how much of it has come.
  QLabel *lbAwaited;
  QProgressBar *pbReceived;
  QPushButton *btnCancel;
};

} // namespace zpm
