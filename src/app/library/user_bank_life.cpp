// SPDX-License-Identifier: GPL-3.0-or-later
// A user bank made (its name and kind asked), renamed and deleted, each
// taken back by Ctrl+Z.
#include "app/library/library_undo.h"
#include "app/library/user_bank_panel.h"
#include "app/page_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <memory>

namespace zpm {

namespace {

QString BankLetterText(int bank) {
  return QStringLiteral("Bank ") + QChar(QLatin1Char(static_cast<char>('A' + bank)));
}

} // namespace

TUserBank TUserBankPanel::ShownBank() {
  const int64_t shown = CurrentBank();
  TUserBank found;
  if (TLibrary *library = m_context.Library())
    ShowError(Attempt([&] {
      for (const TUserBank &bank : library->UserBanks())
        if (bank.id == shown)
          found = bank;
    }));
  return found;
}

void TUserBankPanel::ShowBank(int64_t bank) {
  Reload();
  const int at = cbxUserBank->findData(QVariant::fromValue(static_cast<qlonglong>(bank)));
  if (at >= 0)
    cbxUserBank->setCurrentIndex(at);
}

bool TUserBankPanel::RemoveBank(const TUserBank &bank, std::vector<int64_t> &kept) {
  TLibrary *library = m_context.Library();
  if (!library)
    return false;
  const QString error = Attempt([&] {
    kept = library->UserBankSlots(bank.id);
    library->DeleteUserBank(bank.id);
  });
  ShowError(error);
  Reload();
  return error.isEmpty();
}

void TUserBankPanel::PutBackBank(const TUserBank &bank, const std::vector<int64_t> &kept) {
  if (TLibrary *library = m_context.Library())
    ShowError(Attempt([&] { library->RestoreUserBank(bank, kept); }));
  ShowBank(bank.id);
}

void TUserBankPanel::RenameBank(int64_t bank, const std::string &name) {
  if (TLibrary *library = m_context.Library())
    ShowError(Attempt([&] { library->RenameUserBank(bank, name); }));
  ShowBank(bank);
}

void TUserBankPanel::btnNewBankClick() {
  TLibrary *library = m_context.Library();
  TUserBank made;
  QString name;
  if (!library || !AskNewBank(window(), name, made.kind))
    return;
  made.name = name.toStdString();
  const QString error = Attempt([&] { made.id = library->CreateUserBank(made.name, made.kind); });
  ShowError(error);
  if (!error.isEmpty())
    return;
  ShowBank(made.id);
  if (!m_undo)
    return;
  // The slots it holds when its making is taken back come back with it.
  auto kept = std::make_shared<std::vector<int64_t>>();
  m_undo->push(new TBankCommand(
      QStringLiteral("New bank \"%1\"").arg(name), [this, made, kept] { PutBackBank(made, *kept); },
      [this, made, kept] { RemoveBank(made, *kept); }));
}

void TUserBankPanel::btnRenameBankClick() {
  const TUserBank bank = ShownBank();
  if (!bank.id)
    return;
  bool ok = false;
  const QString name =
      QInputDialog::getText(window(), QStringLiteral("Rename bank"), QStringLiteral("&Name:"),
                            QLineEdit::Normal, QString::fromStdString(bank.name), &ok)
          .trimmed();
  if (!ok || name.toStdString() == bank.name)
    return;
  const QString error =
      Attempt([&] { m_context.Library()->RenameUserBank(bank.id, name.toStdString()); });
  ShowError(error);
  if (!error.isEmpty())
    return;
  ShowBank(bank.id);
  if (m_undo)
    m_undo->push(new TBankCommand(
        QStringLiteral("Rename bank \"%1\"").arg(name),
        [this, bank, name] { RenameBank(bank.id, name.toStdString()); },
        [this, bank] { RenameBank(bank.id, bank.name); }));
}

void TUserBankPanel::btnDeleteBankClick() {
  const TUserBank bank = ShownBank();
  if (!bank.id)
    return;
  const QString name = QString::fromStdString(bank.name);
  const QString question =
      bank.filled
          ? QStringLiteral("Delete the user bank \"%1\" and its list of %2? The "
                           "patches stay in the library; Ctrl+Z brings the bank back.")
                .arg(name, bank.filled == 1 ? QStringLiteral("1 patch")
                                            : QStringLiteral("%1 patches").arg(bank.filled))
          : QStringLiteral("Delete the empty user bank \"%1\"? Ctrl+Z brings it back.").arg(name);
  if (QMessageBox::question(window(), QApplication::applicationDisplayName(), question,
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::No) != QMessageBox::Yes)
    return;
  auto kept = std::make_shared<std::vector<int64_t>>();
  if (RemoveBank(bank, *kept) && m_undo)
    m_undo->push(new TBankCommand(
        QStringLiteral("Delete bank \"%1\"").arg(name),
        [this, bank, kept] { RemoveBank(bank, *kept); },
        [this, bank, kept] { PutBackBank(bank, *kept); }));
}

bool AskNewBank(QWidget *parent, QString &name, TKind &kind) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("frmNewBank"));
  dialog.setWindowTitle(QStringLiteral("New bank"));
  auto *nameEdit = new QLineEdit(QStringLiteral("New bank"), &dialog);
  nameEdit->setObjectName(QStringLiteral("edNewBankName"));
  nameEdit->selectAll();
  auto *kindBox = new QComboBox(&dialog);
  kindBox->setObjectName(QStringLiteral("cbxNewBankKind"));
  for (TKind each : kAllKinds)
    kindBox->addItem(QStringLiteral("%1, %2 slots").arg(KindBankText(each)).arg(SlotsPerBank(each)),
                     static_cast<int>(each));
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto *form = new QFormLayout(&dialog);
  auto *nameLabel = new QLabel(QStringLiteral("&Name:"), &dialog);
  nameLabel->setBuddy(nameEdit);
  auto *kindLabel = new QLabel(QStringLiteral("&Kind:"), &dialog);
  kindLabel->setBuddy(kindBox);
  form->addRow(nameLabel, nameEdit);
  form->addRow(kindLabel, kindBox);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted || nameEdit->text().trimmed().isEmpty())
    return false;
  name = nameEdit->text().trimmed();
  kind = static_cast<TKind>(kindBox->currentData().toInt());
  return true;
}

bool AskDestinationBank(QWidget *parent, const QString &what, int proposed, int &bank, bool &backup,
                        bool &verify) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("frmDestinationBank"));
  dialog.setWindowTitle(QStringLiteral("Send to synthesizer"));
  auto *bankBox = new QComboBox(&dialog);
  bankBox->setObjectName(QStringLiteral("cbxDestinationBank"));
  bankBox->setAccessibleName(QStringLiteral("Bank of the synthesizer to write into"));
  for (int each = 0; each < 8; ++each)
    bankBox->addItem(BankLetterText(each));
  // No bank is written into that the user did not name: Enter alone sends nothing.
  bankBox->setPlaceholderText(QStringLiteral("Choose a bank"));
  bankBox->setCurrentIndex(proposed >= 0 && proposed < 8 ? proposed : -1);
  auto *text = new QLabel(what, &dialog);
  text->setBuddy(bankBox);
  auto *backupBox = new QCheckBox(QStringLiteral("&Back up destination first"), &dialog);
  backupBox->setObjectName(QStringLiteral("cbSendBankBackup"));
  backupBox->setChecked(backup);
  auto *verifyBox = new QCheckBox(QStringLiteral("&Verify after sending"), &dialog);
  verifyBox->setObjectName(QStringLiteral("cbSendBankVerify"));
  verifyBox->setChecked(verify);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
  ok->setText(QStringLiteral("&Send"));
  ok->setObjectName(QStringLiteral("btnSendBankOk"));
  ok->setEnabled(bankBox->currentIndex() >= 0);
  QObject::connect(bankBox, &QComboBox::currentIndexChanged, ok,
                   [ok](int index) { ok->setEnabled(index >= 0); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto *layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(bankBox);
  layout->addWidget(backupBox);
  layout->addWidget(verifyBox);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted || bankBox->currentIndex() < 0)
    return false;
  bank = bankBox->currentIndex();
  backup = backupBox->isChecked();
  verify = verifyBox->isChecked();
  return true;
}

} // namespace zpm
