// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/user_bank_panel.h"

#include "app/library/library_model.h"
#include "app/library/library_send.h"
#include "app/page_support.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

QString KindBankText(TKind kind) {
  switch (kind) {
  case TKind::Sid:
    return QStringLiteral("SID");
  case TKind::FmVoice:
    return QStringLiteral("FM voices");
  case TKind::FmDrumset:
    return QStringLiteral("FM drumsets");
  case TKind::FmEnsemble:
    return QStringLiteral("FM ensembles");
  }
  return QString();
}

QString BankLetterText(int bank) {
  return QStringLiteral("Bank ") + QChar(QLatin1Char(static_cast<char>('A' + bank)));
}

} // namespace

TUserBankSlots::TUserBankSlots(QWidget *parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

QStringList TUserBankSlots::mimeTypes() const {
  return QListWidget::mimeTypes() << QLatin1String(kLibraryPatchMime);
}

bool TUserBankSlots::Accepts(const QDropEvent *event) const {
  const QMimeData *data = event->mimeData();
  return data->hasFormat(QLatin1String(kLibraryPatchMime)) ||
         data->hasFormat(QLatin1String(kPatchDumpMime)) || event->source() == this;
}

void TUserBankSlots::dragEnterEvent(QDragEnterEvent *event) {
  if (Accepts(event))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TUserBankSlots::dragMoveEvent(QDragMoveEvent *event) {
  QListWidget::dragMoveEvent(event);
  if (!Accepts(event)) {
    ShowLanding(0, 0);
    return;
  }
  event->acceptProposedAction();
  // Patches dropped on a slot fill it and the ones after; below the last
  // they go to the first empty slots, shown by none.
  const QModelIndex at = indexAt(event->position().toPoint());
  const QMimeData *data = event->mimeData();
  int dragged = 0;
  if (data->hasFormat(QLatin1String(kLibraryPatchMime)))
    dragged = static_cast<int>(LibraryPatchIds(data).size());
  else if (data->hasFormat(QLatin1String(kPatchDumpMime)))
    dragged = static_cast<int>(DraggedDumps(data).images.size());
  ShowLanding(at.isValid() ? at.row() : 0, at.isValid() ? dragged : 0);
}

void TUserBankSlots::dragLeaveEvent(QDragLeaveEvent *event) {
  ShowLanding(0, 0);
  QListWidget::dragLeaveEvent(event);
}

void TUserBankSlots::ShowLanding(int first, int count) {
  count = std::max(0, std::min(count, this->count() - first));
  if (m_landing == std::make_pair(first, count))
    return;
  QColor landing = palette().color(QPalette::Highlight);
  landing.setAlpha(90);
  for (int row = m_landing.first; row < m_landing.first + m_landing.second; ++row)
    if (QListWidgetItem *slot = item(row))
      slot->setData(Qt::BackgroundRole, QVariant());
  m_landing = {first, count};
  for (int row = first; row < first + count; ++row)
    item(row)->setBackground(landing);
}

void TUserBankSlots::dropEvent(QDropEvent *event) {
  ShowLanding(0, 0);
  const QModelIndex at = indexAt(event->position().toPoint());
  const int slot = at.isValid() ? at.row() : -1;
  if (event->mimeData()->hasFormat(QLatin1String(kLibraryPatchMime))) {
    emit patchesDropped(LibraryPatchIds(event->mimeData()), slot);
  } else if (event->mimeData()->hasFormat(QLatin1String(kPatchDumpMime))) {
    emit dumpsDropped(DraggedDumps(event->mimeData()), slot);
  } else if (event->source() == this) {
    QList<int> from;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
      from << index.row();
    std::sort(from.begin(), from.end());
    emit slotsMoved(from, slot < 0 ? count() - 1 : slot);
  }
  // The bank is written by the panel; the list only shows it again.
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TUserBankSlots::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Delete) {
    emit deletePressed();
    return;
  }
  QListWidget::keyPressEvent(event);
}

TUserBankPanel::TUserBankPanel(TMainContext &context,
                               std::function<std::vector<int64_t>()> selected, QWidget *parent)
    : QWidget(parent), m_context(context), m_selected(std::move(selected)) {
  setObjectName(QStringLiteral("UserBankPanel"));
  auto *group = new QGroupBox(QStringLiteral("User bank"), this);
  cbxUserBank = new QComboBox(group);
  cbxUserBank->setObjectName(QStringLiteral("cbxUserBank"));
  cbxUserBank->setAccessibleName(QStringLiteral("User bank shown"));
  cbxUserBank->setMinimumContentsLength(16);
  lvUserBank = new TUserBankSlots(group);
  lvUserBank->setObjectName(QStringLiteral("lvUserBank"));
  lvUserBank->setAccessibleName(QStringLiteral("Slots of the user bank"));
  btnNewBank = new QPushButton(QStringLiteral("&New bank..."), group);
  btnNewBank->setObjectName(QStringLiteral("btnNewBank"));
  btnAddToBank = new QPushButton(QStringLiteral("Add to &bank"), group);
  btnAddToBank->setObjectName(QStringLiteral("btnAddToBank"));
  btnAddToBank->setToolTip(QStringLiteral("The selected patches, into the first empty slots"));
  btnSaveBank = new QPushButton(QStringLiteral("Sa&ve as SysEx file"), group);
  btnSaveBank->setObjectName(QStringLiteral("btnSaveBank"));
  btnSendBank = new QPushButton(QStringLiteral("Send to s&ynthesizer"), group);
  btnSendBank->setObjectName(QStringLiteral("btnSendBank"));
  for (QPushButton *button : {btnNewBank, btnAddToBank, btnSaveBank, btnSendBank})
    button->setAccessibleName(button->text().remove(QLatin1Char('&')));

  connect(cbxUserBank, &QComboBox::currentIndexChanged, this, &TUserBankPanel::ShowSlots);
  connect(btnNewBank, &QPushButton::clicked, this, &TUserBankPanel::btnNewBankClick);
  connect(btnAddToBank, &QPushButton::clicked, this, &TUserBankPanel::btnAddToBankClick);
  connect(btnSaveBank, &QPushButton::clicked, this, &TUserBankPanel::btnSaveBankClick);
  connect(btnSendBank, &QPushButton::clicked, this, &TUserBankPanel::btnSendBankClick);
  connect(lvUserBank, &TUserBankSlots::patchesDropped, this,
          [this](const QList<qint64> &ids, int slot) {
            AddPatches(std::vector<int64_t>(ids.begin(), ids.end()), std::max(slot, 0), slot < 0);
          });
  connect(lvUserBank, &TUserBankSlots::dumpsDropped, this, &TUserBankPanel::AddDumps);
  connect(lvUserBank, &TUserBankSlots::slotsMoved, this, &TUserBankPanel::MoveSlots);
  connect(lvUserBank, &TUserBankSlots::deletePressed, this, &TUserBankPanel::EmptySelectedSlots);

  auto *bankLabel = new QLabel(QStringLiteral("&User bank:"), group);
  bankLabel->setBuddy(cbxUserBank);
  auto *grid = new QGridLayout(group);
  grid->addWidget(bankLabel, 0, 0);
  grid->addWidget(cbxUserBank, 0, 1);
  grid->addWidget(btnNewBank, 1, 0, 1, 2);
  grid->addWidget(lvUserBank, 2, 0, 1, 2);
  grid->addWidget(btnAddToBank, 3, 0, 1, 2);
  grid->addWidget(btnSaveBank, 4, 0, 1, 2);
  grid->addWidget(btnSendBank, 5, 0, 1, 2);
  grid->setRowStretch(2, 1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(group);
  Reload();
}

int64_t TUserBankPanel::CurrentBank() const {
  return cbxUserBank->currentIndex() < 0 ? 0 : cbxUserBank->currentData().toLongLong();
}

void TUserBankPanel::Reload() {
  const int64_t shown = CurrentBank();
  std::vector<TUserBank> banks;
  if (TLibrary *library = m_context.Library()) {
    const QString error = Attempt([&] { banks = library->UserBanks(); });
    Q_UNUSED(error); // a busy library shows no banks until it is read again
  }
  {
    const QSignalBlocker blocker(cbxUserBank);
    cbxUserBank->clear();
    for (const TUserBank &bank : banks)
      cbxUserBank->addItem(
          QStringLiteral("%1 (%2)").arg(QString::fromStdString(bank.name), KindBankText(bank.kind)),
          QVariant::fromValue(static_cast<qlonglong>(bank.id)));
    const int at = cbxUserBank->findData(QVariant::fromValue(static_cast<qlonglong>(shown)));
    cbxUserBank->setCurrentIndex(at >= 0 ? at : cbxUserBank->count() - 1);
  }
  for (QWidget *control : std::initializer_list<QWidget *>{cbxUserBank, btnNewBank})
    control->setEnabled(m_context.Library() != nullptr);
  ShowSlots();
}

void TUserBankPanel::ShowSlots() {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  m_slots.clear();
  lvUserBank->clear();
  if (library && bank) {
    const QString error = Attempt([&] {
      for (const TUserBank &each : library->UserBanks())
        if (each.id == bank)
          m_kind = each.kind;
      m_slots = library->UserBankSlots(bank);
    });
    ShowError(error);
  }
  for (size_t slot = 0; slot < m_slots.size(); ++slot) {
    QString name = QStringLiteral("(empty)");
    if (m_slots[slot]) {
      const TPatchRow row = library->Row(m_slots[slot]);
      name = row.name ? QString::fromStdString(*row.name) : QStringLiteral("(no name)");
    }
    lvUserBank->addItem(QStringLiteral("%1  %2").arg(slot + 1, 3).arg(name));
  }
  for (QPushButton *button : {btnAddToBank, btnSaveBank, btnSendBank})
    button->setEnabled(bank != 0);
}

void TUserBankPanel::btnNewBankClick() {
  TLibrary *library = m_context.Library();
  QString name;
  TKind kind = TKind::Sid;
  if (!library || !AskNewBank(m_context.MainWindow(), name, kind))
    return;
  int64_t id = 0;
  const QString error = Attempt([&] { id = library->CreateUserBank(name.toStdString(), kind); });
  ShowError(error);
  if (!error.isEmpty())
    return;
  Reload();
  cbxUserBank->setCurrentIndex(
      cbxUserBank->findData(QVariant::fromValue(static_cast<qlonglong>(id))));
}

void TUserBankPanel::btnAddToBankClick() {
  AddPatches(m_selected(), 0, true);
}

void TUserBankPanel::AddPatches(const std::vector<int64_t> &ids, int slot, bool firstEmpty) {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  if (!library || !bank || ids.empty())
    return;
  int otherKind = 0, left = 0;
  const QString error = Attempt([&] {
    size_t at = static_cast<size_t>(slot);
    for (int64_t id : ids) {
      if (library->Row(id).kind != m_kind) {
        ++otherKind;
        continue;
      }
      while (firstEmpty && at < m_slots.size() && m_slots[at] != 0)
        ++at;
      if (at >= m_slots.size()) {
        ++left;
        continue;
      }
      library->SetUserBankSlot(bank, static_cast<int>(at), id);
      m_slots[at++] = id;
    }
  });
  ShowSlots();
  ShowError(error);
  QStringList told;
  if (otherKind)
    told << QStringLiteral("%1 of the patches are not %2 and were left out.")
                .arg(otherKind)
                .arg(KindBankText(m_kind));
  if (left)
    told << QStringLiteral("%1 of the patches found no free slot; empty some slots with Delete "
                           "and add them again.")
                .arg(left);
  if (!told.isEmpty())
    QMessageBox::information(m_context.MainWindow(), QApplication::applicationDisplayName(),
                             told.join(QLatin1Char(' ')));
}

void TUserBankPanel::AddDumps(const TDraggedDumps &dumps, int slot) {
  TLibrary *library = m_context.Library();
  if (!library || !CurrentBank())
    return;
  std::vector<TSighting> fitting;
  int otherKind = 0;
  for (size_t i = 0; i < dumps.images.size(); ++i) {
    TSighting sighting;
    const Bytes &image = dumps.images[i];
    if (!PatchBytesOf(image.data(), image.size(), sighting.patch) ||
        sighting.patch.kind != m_kind) {
      ++otherKind;
      continue;
    }
    sighting.path = dumps.path.toStdString();
    sighting.row = i < dumps.rows.size() ? dumps.rows[i] : 0;
    fitting.push_back(sighting);
  }
  if (otherKind)
    m_context.ReportDone(QStringLiteral("%1 of the dragged patches are not %2 and were left out.")
                             .arg(otherKind)
                             .arg(KindBankText(m_kind)));
  std::vector<int64_t> ids;
  std::vector<TSighting> unknown;
  const QString error = Attempt([&] {
    // Patches the library holds already are only placed, not seen again.
    const auto idOf = [&](const TPatchBytes &patch) -> int64_t {
      try {
        return library->Resolve(PatchHash(patch));
      } catch (const TLibraryError &) {
        return 0;
      }
    };
    for (const TSighting &sighting : fitting)
      if (!idOf(sighting.patch))
        unknown.push_back(sighting);
    if (!unknown.empty())
      library->RecordSightings(unknown);
    for (const TSighting &sighting : fitting)
      ids.push_back(library->Resolve(PatchHash(sighting.patch)));
  });
  if (!error.isEmpty()) {
    ShowError(error);
    return;
  }
  AddPatches(ids, std::max(slot, 0), slot < 0);
  if (!unknown.empty())
    m_context.LibraryChanged();
}

void TUserBankPanel::EmptySelectedSlots() {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  if (!library || !bank)
    return;
  const QModelIndexList rows = lvUserBank->selectionModel()->selectedIndexes();
  const QString error = Attempt([&] {
    for (const QModelIndex &row : rows)
      library->SetUserBankSlot(bank, row.row(), 0);
  });
  ShowSlots();
  ShowError(error);
}

void TUserBankPanel::MoveSlots(const QList<int> &from, int to) {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  if (!library || !bank || from.isEmpty())
    return;
  // The moved slots go in as one block before the slot dropped on; the
  // others close up around them.
  std::vector<int64_t> moved, rest;
  int before = 0;
  for (size_t slot = 0; slot < m_slots.size(); ++slot) {
    if (from.contains(static_cast<int>(slot))) {
      moved.push_back(m_slots[slot]);
    } else {
      if (static_cast<int>(slot) < to)
        ++before;
      rest.push_back(m_slots[slot]);
    }
  }
  rest.insert(rest.begin() + before, moved.begin(), moved.end());
  const QString error = Attempt([&] {
    for (size_t slot = 0; slot < rest.size(); ++slot)
      if (rest[slot] != m_slots[slot])
        library->SetUserBankSlot(bank, static_cast<int>(slot), rest[slot]);
  });
  ShowSlots();
  ShowError(error);
}

std::vector<TPlacedPatch> TUserBankPanel::Placed() {
  std::vector<TPlacedPatch> placed;
  TLibrary *library = m_context.Library();
  for (size_t slot = 0; library && slot < m_slots.size(); ++slot) {
    if (!m_slots[slot])
      continue;
    TPlacedPatch at;
    at.patch = library->Patch(m_slots[slot]).patch;
    at.number = static_cast<int>(slot);
    at.id = m_slots[slot];
    placed.push_back(at);
  }
  return placed;
}

void TUserBankPanel::btnSaveBankClick() {
  std::vector<TPlacedPatch> placed;
  QString error = Attempt([&] { placed = Placed(); });
  if (!error.isEmpty() || placed.empty()) {
    ShowError(error);
    return;
  }
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const int device = m_kind == TKind::Sid ? m_context.SidDeviceId() : m_context.FmDeviceId();
  error = Attempt([&] {
    TWaitCursor cursor;
    WriteWholeFile(path, PlacedPatchFile(placed, device));
  });
  ShowError(error);
  if (error.isEmpty())
    m_context.ReportDone(FileDoneText(placed.size(), "saved to", path));
}

void TUserBankPanel::btnSendBankClick() {
  std::vector<TPlacedPatch> placed;
  const QString error = Attempt([&] { placed = Placed(); });
  if (!error.isEmpty() || placed.empty()) {
    ShowError(error);
    return;
  }
  int bank = 0;
  if (!AskDestinationBank(m_context.MainWindow(),
                          QStringLiteral("Send \"%1\" to which bank of the synthesizer?")
                              .arg(cbxUserBank->currentText()),
                          bank))
    return;
  SendPlacedBank(m_context, this, placed, 0, bank, m_context.BackupBeforeSend(),
                 m_context.VerifyAfterSend());
}

void TUserBankPanel::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(m_context.MainWindow(), QApplication::applicationDisplayName(), text);
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

bool AskDestinationBank(QWidget *parent, const QString &what, int &bank) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("frmDestinationBank"));
  dialog.setWindowTitle(QStringLiteral("Send to synthesizer"));
  auto *bankBox = new QComboBox(&dialog);
  bankBox->setObjectName(QStringLiteral("cbxDestinationBank"));
  for (int each = 0; each < 8; ++each)
    bankBox->addItem(BankLetterText(each));
  auto *text = new QLabel(what, &dialog);
  text->setBuddy(bankBox);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto *layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(bankBox);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  bank = bankBox->currentIndex();
  return true;
}

} // namespace zpm
