// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sid/save_location_dialog.h"

#include "app/sid/spin_button_widget.h"
#include "patch/list_text.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kFirstBank = 0;
constexpr int kLastBank = 7;

QLabel *Value(const char *text, const char *name, QWidget *parent) {
  auto *label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QLatin1String(name));
  return label;
}

} // namespace

TfrmSaveLocation::TfrmSaveLocation(QWidget *parent)
    : QDialog(parent, Qt::Tool), m_patchName(Value("-", "lbPatchname", this)),
      m_location(Value("0", "lbLocation", this)), m_bank(Value("0", "lbBank", this)),
      m_destinationBank(new QLineEdit(QStringLiteral("A"), this)),
      m_destinationBankSpin(new TSpinButton(this)), m_newPosition(new QSpinBox(this)) {
  setObjectName(QStringLiteral("frmSaveLocation"));
  setWindowTitle(QStringLiteral("Save patch"));

  m_destinationBank->setObjectName(QStringLiteral("edBank"));
  m_destinationBankSpin->setObjectName(QStringLiteral("spBank"));
  QHBoxLayout *bankRow = m_destinationBankSpin->StepBankField(
      m_destinationBank, kFirstBank, kLastBank + 1, QStringLiteral("destination bank"));
  connect(m_destinationBankSpin, &TSpinButton::upClicked, this, &TfrmSaveLocation::spBankUpClick);
  connect(m_destinationBankSpin, &TSpinButton::downClicked, this,
          &TfrmSaveLocation::spBankDownClick);
  connect(m_destinationBankSpin, &TSpinButton::letterTyped, this, &TfrmSaveLocation::SetBank);
  m_newPosition->setObjectName(QStringLiteral("seNewPosition"));
  m_newPosition->setRange(1, 128);
  m_newPosition->setValue(1);

  auto *ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  // Enter must not store a patch by accident: the default is Cancel.
  ok->setAutoDefault(false);
  cancel->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto *form = new QFormLayout;
  m_form = form;
  form->addRow(QStringLiteral("Selected Patch:"), m_patchName);
  form->addRow(QStringLiteral("Location:"), m_location);
  form->addRow(QStringLiteral("Bank:"), m_bank);
  form->addRow(QStringLiteral("Bank:"), bankRow);
  form->addRow(QStringLiteral("New Position:"), m_newPosition);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSaveLocation::ShowPatch(const TPatch &patch) {
  uint8_t name[kNameSize];
  patch.GetName(name);
  const auto length = std::find(name, name + kNameSize, 0) - name;
  ShowTexts(QString::fromLatin1(reinterpret_cast<const char *>(name), length),
            QString::number(patch.PatchNumber() + 1),
            QString::fromLatin1(BankLetter(patch.Bank).c_str()));
}

void TfrmSaveLocation::ShowTexts(const QString &name, const QString &location,
                                 const QString &bank) {
  m_patchName->setText(name);
  m_location->setText(location);
  m_bank->setText(bank);
}

int TfrmSaveLocation::DestinationBank() const {
  return m_destinationBankSpin->Tag();
}

int TfrmSaveLocation::NewPosition() const {
  return m_newPosition->value();
}

void TfrmSaveLocation::SetBank(int bank) {
  bank = std::clamp(bank, kFirstBank, kLastBank);
  m_destinationBankSpin->SetTag(bank);
  m_destinationBank->setText(QString(QChar(QLatin1Char('A').unicode() + bank)));
}

void TfrmSaveLocation::spBankUpClick() {
  SetBank(m_destinationBankSpin->Tag() + 1);
}

void TfrmSaveLocation::spBankDownClick() {
  SetBank(m_destinationBankSpin->Tag() - 1);
}

} // namespace zpm
