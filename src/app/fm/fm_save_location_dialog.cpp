// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/fm/fm_save_location_dialog.h"

#include "fm/fm_list.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace zpm {

TfrmFMSaveLocation::TfrmFMSaveLocation(QWidget *parent)
    : TfrmSaveLocation(parent),
      m_patchType(new QLabel(QString::fromLatin1(kFmInitialPatchType), this)) {
  setObjectName(QStringLiteral("frmFMSaveLocation"));
  setWindowTitle(QString::fromLatin1(kFmSendLocationCaption));
  m_patchType->setObjectName(QStringLiteral("lbPatchType"));
  Form()->insertRow(0, QString::fromLatin1(kFmPatchTypeLabel), m_patchType);
}

void TfrmFMSaveLocation::ShowFmPatch(const TFMPatch &patch, uint8_t listType) {
  const FmSendLocationTexts texts = FmSendLocationText(patch, listType);
  m_patchType->setText(QString::fromStdString(texts.patchType));
  ShowTexts(QString::fromLatin1(texts.patchName.c_str()), QString::fromStdString(texts.location),
            QString::fromStdString(texts.bank));
  NewPositionBox()->setMaximum(texts.maxPosition);
  NewPositionBox()->setValue(1);
}

} // namespace zpm
