// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's audition: with "Audition" on, the patch is written into the
// audition slot as it changes (the latest change wins), and on closing the
// slot's own patch is put back unless the musician keeps the edited one.
#include "app/edit/audition_session.h"
#include "app/edit/patch_editor.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace zpm {

void TfrmPatchEditor::btnEditAuditionClick(bool on) {
  if (!on) {
    EndAudition();
    return;
  }
  if (!m_edit)
    return;
  const TAuditionSynth synth = AuditionSynthOf(m_edit->Current());
  // The first audition of a synthesizer asks for its slot.
  if (!AuditionSlotChosen(m_context.Audition().Of(synth)) &&
      !AskAuditionSlot(this, m_context, synth)) {
    const QSignalBlocker quiet(btnEditAudition);
    btnEditAudition->setChecked(false);
    return;
  }
  const TAuditionSlotSetting slot = m_context.Audition().Of(synth);
  ShowStatus(QStringLiteral("Every change is heard in slot %1.")
                 .arg(QString::fromStdString(AuditionSlotText(slot.bank, slot.slot))));
  AuditionCurrent();
}

void TfrmPatchEditor::AuditionCurrent() {
  if (!m_edit || !btnEditAudition->isChecked())
    return;
  const QString why = m_audition->AuditionImage(m_edit->Current());
  if (why.isEmpty())
    return;
  // One line, never a dialog per change: auditioning stops until asked again.
  ShowStatus(why);
  m_audition->End(/*wait=*/false);
  const QSignalBlocker quiet(btnEditAudition);
  btnEditAudition->setChecked(false);
}

void TfrmPatchEditor::EndAudition(bool wait) {
  {
    const QSignalBlocker quiet(btnEditAudition);
    btnEditAudition->setChecked(false);
  }
  if (!m_audition->Running())
    return;
  const QMessageBox::StandardButton answer =
      QMessageBox::question(this, QApplication::applicationDisplayName(),
                            QStringLiteral("Put back the patch the audition slot held before?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  m_audition->End(wait, answer != QMessageBox::No);
  ShowStatus(answer == QMessageBox::No
                 ? QStringLiteral("The audition slot keeps the edited patch.")
                 : QStringLiteral("The audition slot's own patch is being put back."));
}

} // namespace zpm
