#include "app/working_dialog.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zpm {

TfrmWorking::TfrmWorking(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      pbProgress(new QProgressBar(this)), btnCancel(new QPushButton("&Cancel", this)) {
  setObjectName("frmWorking");
  setWindowTitle("Working...");
  setModal(false);

  pbProgress->setObjectName("pbProgress");
  pbProgress->setTextVisible(false);
  pbProgress->setRange(0, 0);

  btnCancel->setObjectName("btnCancel");
  btnCancel->setDefault(true); // Enter presses it
  connect(btnCancel, &QPushButton::clicked, this, &TfrmWorking::btnCancelClick);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(pbProgress);
  layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
  setFixedSize(260, sizeHint().height());
}

void TfrmWorking::reject() {
  btnCancel->click();
}

void TfrmWorking::btnCancelClick() {
  hide();
}

} // namespace zpm
