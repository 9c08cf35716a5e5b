// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wait_dialog.h"

#include "midi/transfer_host.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

TfrmWaitSysEx::TfrmWaitSysEx(TReceptionBridge &bridge, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_reception(bridge.Reception()), lbBytes(new QLabel("0", this)), lbAwaited(new QLabel(this)),
      pbReceived(new QProgressBar(this)), btnCancel(new QPushButton("&Cancel", this)) {
  setObjectName("frmWaitSysEx");
  setWindowTitle("Waiting for SysEx");

  auto *received = new QLabel("Received", this);
  auto *bytes = new QLabel("bytes", this);
  lbBytes->setObjectName("lbBytes");
  for (QLabel *label : {received, lbBytes, bytes})
    label->setAlignment(Qt::AlignCenter);
  QFont big = lbBytes->font();
  big.setBold(true);
  lbBytes->setFont(big);

  btnCancel->setObjectName("btnCancel");
  btnCancel->setDefault(true);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmWaitSysEx::btnCancelClick);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(received);
  layout->addWidget(lbBytes);
  layout->addWidget(bytes);
  lbAwaited->setObjectName("lbAwaited");
  lbAwaited->setAlignment(Qt::AlignCenter);
  pbReceived->setObjectName("pbReceived");
  pbReceived->setAccessibleName("Bytes received of the awaited message");
  pbReceived->setTextVisible(false);
  layout->addWidget(lbAwaited);
  layout->addWidget(pbReceived);
  layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
  setFixedSize(std::max(200, fontMetrics().horizontalAdvance(
                                 "Awaited: a SID bank dump of 32777 bytes (bank H, 8 of 8)") +
                                 24),
               sizeHint().height());

  connect(&bridge, &TReceptionBridge::byteCountChanged, this, &TfrmWaitSysEx::ShowByteCount);
  connect(&bridge, &TReceptionBridge::closeWaitRequested, this, &TfrmWaitSysEx::CloseIfComplete);
}

int TfrmWaitSysEx::exec() {
  lbBytes->setText("0");
  ShowAwaited();
  setResult(kWaitClosed);
  // Bytes that came before the dialog showed: their notices found it hidden.
  QTimer::singleShot(0, this, [this] {
    ShowByteCount();
    CloseIfComplete();
  });
  // A dump that has begun and then stopped brings no byte to say so: it is
  // looked at four times a second, and the wait then ends as cut short.
  QTimer stalls;
  connect(&stalls, &QTimer::timeout, this, [this] { m_reception.CheckStalled(); });
  stalls.start(250);
  const int result = QDialog::exec();
  return result == kWaitCancelled ? kWaitCancelled : kWaitClosed;
}

void TfrmWaitSysEx::reject() {
  done(kWaitClosed);
}

// Escape is the keyboard's "&Cancel": during a run of several fetches only
// Cancel stops the run, and the keyboard must be able to stop it.
void TfrmWaitSysEx::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btnCancelClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmWaitSysEx::ShowByteCount() {
  if (!isVisible())
    return;
  const size_t received = m_reception.ReceivedSize();
  lbBytes->setText(QString::number(received));
  if (pbReceived->maximum() > 0)
    pbReceived->setValue(static_cast<int>(std::min<size_t>(received, pbReceived->maximum())));
}

// The sizes of the messages a wait can await tell them apart.
void TfrmWaitSysEx::ShowAwaited() {
  const int64_t size = m_reception.ExpectedSize();
  const char *what = size == 266     ? "a SID patch dump"
                     : size == 32777 ? "a SID bank dump"
                     : size == 268   ? "an FM patch dump"
                                     : "a SysEx message";
  QString text = size > 0 ? QString("Awaited: %1 of %2 bytes").arg(what).arg(size)
                          : QString("Awaited: %1").arg(what);
  const std::string step = m_reception.AwaitedStep();
  if (!step.empty())
    text += QString(" (%1)").arg(QString::fromStdString(step));
  lbAwaited->setText(text);
  pbReceived->setRange(0, static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(size, 1 << 30))));
  pbReceived->setValue(0);
}

void TfrmWaitSysEx::CloseIfComplete() {
  // A late notice from the wait before must not end this one.
  if (isVisible() && m_reception.HasEnded())
    done(kWaitClosed);
}

void TfrmWaitSysEx::btnCancelClick() {
  done(kWaitCancelled);
}

} // namespace zpm
