#include "app/wait_dialog.h"

#include "midi/transfer_host.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zpm {

TfrmWaitSysEx::TfrmWaitSysEx(TReceptionBridge &bridge, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_reception(bridge.Reception()), lbBytes(new QLabel("0", this)),
      btnCancel(new QPushButton("&Cancel", this)) {
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
  layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
  setFixedSize(200, sizeHint().height());

  connect(&bridge, &TReceptionBridge::byteCountChanged, this, &TfrmWaitSysEx::ShowByteCount);
  connect(&bridge, &TReceptionBridge::closeWaitRequested, this, &TfrmWaitSysEx::CloseIfComplete);
}

int TfrmWaitSysEx::exec() {
  lbBytes->setText("0");
  setResult(kWaitClosed);
  // Bytes that came before the dialog showed: their notices found it hidden.
  QTimer::singleShot(0, this, [this] {
    ShowByteCount();
    CloseIfComplete();
  });
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
  if (isVisible())
    lbBytes->setText(QString::number(m_reception.ReceivedSize()));
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
