// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Save patch": where "Send selected to another patch location" stores the
// selected fetched patch. Created once and reused, so the destination bank
// and "New Position:" keep the values of the previous use.

#include "patch/patch.h"

#include <QDialog>

class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zpm {

class TSpinButton;

class TfrmSaveLocation : public QDialog {
  Q_OBJECT

public:
  explicit TfrmSaveLocation(QWidget *parent = nullptr);

  // Shows the patch to store: its name, number and bank. The destination
  // stays as it was chosen last.
  void ShowPatch(const TPatch &patch);
  // The destination: bank 0..7 and "New Position:" 1..128.
  int DestinationBank() const;
  int NewPosition() const;

public slots:
  void spBankUpClick();
  void spBankDownClick();

protected:
  // For the FM page's "Send FM Patch", which shows more of the same.
  void ShowTexts(const QString &name, const QString &location, const QString &bank);
  QSpinBox *NewPositionBox() const { return m_newPosition; }
  QFormLayout *Form() const { return m_form; }

private:
  void SetBank(int bank);

  QFormLayout *m_form = nullptr;
  QLabel *m_patchName;
  QLabel *m_location;
  QLabel *m_bank;
  QLineEdit *m_destinationBank;
  TSpinButton *m_destinationBankSpin;
  QSpinBox *m_newPosition;
};

} // namespace zpm
