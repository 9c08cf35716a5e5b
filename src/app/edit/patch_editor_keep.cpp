// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's ways of keeping its patch: the library (as made from the
// original), a SysEx file, a slot of the synthesizer.
#include "app/edit/patch_editor.h"

#include "app/library/library_send.h"
#include "app/page_support.h"
#include "fm/fm_messages.h"
#include "library/library.h"
#include "library/library_files.h"
#include "patch/list_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace zpm {

namespace {

TPatchBytes PatchBytesOfImage(const Bytes &image) {
  TPatchBytes patch;
  PatchBytesOf(image.data(), image.size(), patch);
  return patch;
}

// The patch where it came from: the bank it was opened from, the number
// its dump names.
TPlacedPatch Placed(const TPatchEdit &edit, int bank) {
  TPlacedPatch placed;
  placed.patch = PatchBytesOfImage(edit.Current());
  const Bytes &image = edit.Current();
  placed.bank = std::clamp(bank, 0, 7);
  placed.number = edit.Kind() == PatchKind::Sid ? image[7] : image[9];
  return placed;
}

int SlotsPerBank(PatchKind kind) {
  switch (kind) {
  case PatchKind::FmDrumset:
    return FmPatchesPerBank(kFmDrumset);
  case PatchKind::FmEnsemble:
    return FmPatchesPerBank(kFmEnsemble);
  default:
    return 128;
  }
}

// The slot to write to and the send's checks; the user names the bank and
// the number, the patch's own proposed.
bool AskSlot(QWidget *parent, const QString &what, int slotCount, TPlacedPatch &placed,
             bool &backup, bool &verify) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("frmEditSendSlot"));
  dialog.setWindowTitle(QStringLiteral("Send to slot"));
  auto *bankBox = new QComboBox(&dialog);
  bankBox->setObjectName(QStringLiteral("cbxEditSendBank"));
  for (int bank = 0; bank < 8; ++bank)
    bankBox->addItem(QStringLiteral("Bank %1").arg(QLatin1String(BankLetter(bank).c_str())));
  bankBox->setCurrentIndex(placed.bank);
  auto *slotBox = new QSpinBox(&dialog);
  slotBox->setObjectName(QStringLiteral("seEditSendSlot"));
  slotBox->setRange(1, slotCount);
  slotBox->setValue(std::min(placed.number + 1, slotCount));
  auto *backupBox = new QCheckBox(QStringLiteral("&Back up destination first"), &dialog);
  backupBox->setObjectName(QStringLiteral("cbEditSendBackup"));
  backupBox->setChecked(backup);
  auto *verifyBox = new QCheckBox(QStringLiteral("&Verify after sending"), &dialog);
  verifyBox->setObjectName(QStringLiteral("cbEditSendVerify"));
  verifyBox->setChecked(verify);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Send"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnEditSendOk"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto *form = new QFormLayout(&dialog);
  form->addRow(new QLabel(what, &dialog));
  form->addRow(QStringLiteral("B&ank:"), bankBox);
  form->addRow(QStringLiteral("S&lot:"), slotBox);
  form->addRow(backupBox);
  form->addRow(verifyBox);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  placed.bank = bankBox->currentIndex();
  placed.number = slotBox->value() - 1;
  backup = backupBox->isChecked();
  verify = verifyBox->isChecked();
  return true;
}

QString SlotText(const TPlacedPatch &placed) {
  return QStringLiteral("%1:%2")
      .arg(QLatin1String(BankLetter(static_cast<uint8_t>(placed.bank)).c_str()))
      .arg(placed.number + 1);
}

} // namespace

void TfrmPatchEditor::btnEditSaveLibraryClick() {
  SaveToLibrary();
}

bool TfrmPatchEditor::SaveToLibrary() {
  if (!m_edit)
    return false;
  edEditNameDone();
  if (!m_edit->Changed()) {
    // A patch made from itself would be its own parent.
    m_edit->MarkSaved();
    CurrentImageChanged();
    ShowStatus(QStringLiteral("%1 is as it was opened; nothing was added to the library.")
                   .arg(PatchName()));
    return true;
  }
  TLibrary *library = m_context.Library();
  if (!library) {
    ShowError(QStringLiteral("The patch was not saved: the library is not open. Save it as a "
                             "SysEx file so it is not lost.\n\n%1")
                  .arg(m_context.LibraryProblem()));
    return false;
  }
  const QString error = Attempt([&] {
    TMaking making;
    making.how = TMadeBy::Edit;
    library->RecordMade(PatchBytesOfImage(m_edit->Current()),
                        {PatchBytesOfImage(m_edit->Original())}, making);
  });
  if (!error.isEmpty()) {
    ShowError(QStringLiteral("The patch was not saved to the library: %1 Save it as a SysEx "
                             "file so it is not lost.")
                  .arg(error));
    return false;
  }
  m_context.LibraryChanged();
  m_edit->MarkSaved();
  CurrentImageChanged();
  const QString done =
      QStringLiteral("%1 saved to the library, made from the original.").arg(PatchName());
  m_context.ReportDone(done);
  ShowStatus(done);
  return true;
}

void TfrmPatchEditor::btnEditSaveFileClick() {
  if (!m_edit)
    return;
  edEditNameDone();
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const TPlacedPatch placed = Placed(*m_edit, m_bank);
  const int device =
      m_edit->Kind() == PatchKind::Sid ? m_context.SidDeviceId() : m_context.FmDeviceId();
  const QString error = Attempt([&] {
    TWaitCursor cursor;
    WriteWholeFile(path, PlacedPatchFile({placed}, device));
  });
  if (!error.isEmpty()) {
    ShowError(error);
    return;
  }
  m_edit->MarkSaved();
  CurrentImageChanged();
  const QString done = FileDoneText(1, "saved to", path);
  m_context.ReportDone(done);
  ShowStatus(done);
}

void TfrmPatchEditor::btnEditSendClick() {
  if (!m_edit)
    return;
  edEditNameDone();
  TPlacedPatch placed = Placed(*m_edit, m_bank);
  bool backup = m_context.BackupBeforeSend();
  bool verify = m_context.VerifyAfterSend();
  if (!AskSlot(this, QStringLiteral("Send %1 to which slot of the synthesizer?").arg(PatchName()),
               SlotsPerBank(m_edit->Kind()), placed, backup, verify))
    return;
  // The send needs the link the audition holds.
  EndAudition(/*wait=*/true);
  if (!SendPlacedBank(m_context, this, {placed}, placed.bank, placed.bank, backup, verify)) {
    ShowStatus(QStringLiteral("%1 was not written to %2; it is still here to keep.")
                   .arg(PatchName(), SlotText(placed)));
    return;
  }
  // In the synthesizer, the patch is kept.
  m_edit->MarkSaved();
  CurrentImageChanged();
  ShowStatus(QStringLiteral("%1 sent to %2.").arg(PatchName(), SlotText(placed)));
}

} // namespace zpm
