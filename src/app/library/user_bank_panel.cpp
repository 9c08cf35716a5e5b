// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/user_bank_panel.h"

#include "app/library/library_model.h"
#include "app/library/library_send.h"
#include "app/library/library_undo.h"
#include "app/page_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

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

TUserBankPanel::TUserBankPanel(TMainContext &context,
                               std::function<std::vector<int64_t>()> selected,
                               std::function<void(int64_t)> open, QWidget *parent)
    : QWidget(parent), m_context(context), m_selected(std::move(selected)),
      m_open(std::move(open)) {
  setObjectName(QStringLiteral("UserBankPanel"));
  auto *group = new QGroupBox(QStringLiteral("User bank"), this);
  cbxUserBank = new QComboBox(group);
  cbxUserBank->setObjectName(QStringLiteral("cbxUserBank"));
  cbxUserBank->setAccessibleName(QStringLiteral("User bank shown"));
  cbxUserBank->setMinimumContentsLength(16);
  lvUserBank = new TUserBankSlots(group);
  lvUserBank->setObjectName(QStringLiteral("lvUserBank"));
  lvUserBank->setAccessibleName(QStringLiteral("Slots of the user bank"));
  lvUserBank->setTabKeyNavigation(false);
  lvUserBank->setToolTip(QStringLiteral("Delete empties the chosen slots, Ctrl+Up and Ctrl+Down "
                                        "move them, Enter shows the patch"));
  lvUserBank->fits = [this](const QMimeData *data) { return Fits(data); };
  btnNewBank = new QPushButton(QStringLiteral("&New bank..."), group);
  btnNewBank->setObjectName(QStringLiteral("btnNewBank"));
  btnRenameBank = new QPushButton(QStringLiteral("Rena&me..."), group);
  btnRenameBank->setObjectName(QStringLiteral("btnRenameBank"));
  btnDeleteBank = new QPushButton(QStringLiteral("&Delete..."), group);
  btnDeleteBank->setObjectName(QStringLiteral("btnDeleteBank"));
  btnAddToBank = new QPushButton(QStringLiteral("Add to &bank"), group);
  btnAddToBank->setObjectName(QStringLiteral("btnAddToBank"));
  btnAddToBank->setToolTip(QStringLiteral("The selected patches, into the first empty slots"));
  btnSaveBank = new QPushButton(QStringLiteral("Sa&ve as SysEx file"), group);
  btnSaveBank->setObjectName(QStringLiteral("btnSaveBank"));
  btnSendBank = new QPushButton(QStringLiteral("Send to s&ynthesizer"), group);
  btnSendBank->setObjectName(QStringLiteral("btnSendBank"));
  for (QPushButton *button :
       {btnNewBank, btnRenameBank, btnDeleteBank, btnAddToBank, btnSaveBank, btnSendBank})
    button->setAccessibleName(button->text().remove(QLatin1Char('&')));
  btnRenameBank->setAccessibleName(QStringLiteral("Rename bank"));
  btnRenameBank->setToolTip(QStringLiteral("A new name for the bank shown"));
  btnDeleteBank->setAccessibleName(QStringLiteral("Delete bank"));
  btnDeleteBank->setToolTip(QStringLiteral("Deletes the bank shown; its patches stay in the "
                                           "library, and Ctrl+Z brings it back"));

  connect(cbxUserBank, &QComboBox::currentIndexChanged, this, &TUserBankPanel::ShowSlots);
  connect(btnNewBank, &QPushButton::clicked, this, &TUserBankPanel::btnNewBankClick);
  connect(btnRenameBank, &QPushButton::clicked, this, &TUserBankPanel::btnRenameBankClick);
  connect(btnDeleteBank, &QPushButton::clicked, this, &TUserBankPanel::btnDeleteBankClick);
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
  connect(lvUserBank, &TUserBankSlots::moveKeyPressed, this, &TUserBankPanel::MoveSelectedBy);
  connect(lvUserBank, &TUserBankSlots::openPressed, this, [this](int slot) {
    if (slot >= 0 && static_cast<size_t>(slot) < m_slots.size() &&
        m_slots[static_cast<size_t>(slot)] && m_open)
      m_open(m_slots[static_cast<size_t>(slot)]);
  });

  auto *bankLabel = new QLabel(QStringLiteral("&User bank:"), group);
  bankLabel->setBuddy(cbxUserBank);
  auto *grid = new QGridLayout(group);
  grid->addWidget(bankLabel, 0, 0);
  grid->addWidget(cbxUserBank, 0, 1);
  auto *bankButtons = new QHBoxLayout;
  for (QPushButton *button : {btnNewBank, btnRenameBank, btnDeleteBank})
    bankButtons->addWidget(button);
  grid->addLayout(bankButtons, 1, 0, 1, 2);
  grid->addWidget(lvUserBank, 2, 0, 1, 2);
  grid->addWidget(btnAddToBank, 3, 0, 1, 2);
  grid->addWidget(btnSaveBank, 4, 0, 1, 2);
  grid->addWidget(btnSendBank, 5, 0, 1, 2);
  grid->setRowStretch(2, 1);
  // Tab goes down the panel as it reads.
  QWidget::setTabOrder(cbxUserBank, btnNewBank);
  QWidget::setTabOrder(btnNewBank, btnRenameBank);
  QWidget::setTabOrder(btnRenameBank, btnDeleteBank);
  QWidget::setTabOrder(btnDeleteBank, lvUserBank);
  QWidget::setTabOrder(lvUserBank, btnAddToBank);
  QWidget::setTabOrder(btnAddToBank, btnSaveBank);
  QWidget::setTabOrder(btnSaveBank, btnSendBank);
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
  if (library && bank) {
    const QString error = Attempt([&] {
      for (const TUserBank &each : library->UserBanks())
        if (each.id == bank)
          m_kind = each.kind;
      m_slots = library->UserBankSlots(bank);
    });
    ShowError(error);
  }
  // The same bank keeps its items, and with them the place scrolled to.
  if (lvUserBank->count() != static_cast<int>(m_slots.size()))
    lvUserBank->clear();
  for (size_t slot = 0; slot < m_slots.size(); ++slot) {
    const QString text = QStringLiteral("%1  %2").arg(slot + 1, 3).arg(SlotName(slot));
    if (QListWidgetItem *item = lvUserBank->item(static_cast<int>(slot)))
      item->setText(text);
    else
      lvUserBank->addItem(text);
  }
  for (QPushButton *button : {btnRenameBank, btnDeleteBank, btnAddToBank, btnSaveBank, btnSendBank})
    button->setEnabled(bank != 0);
}

QString TUserBankPanel::SlotName(size_t slot) {
  TLibrary *library = m_context.Library();
  if (!library || slot >= m_slots.size() || !m_slots[slot])
    return QStringLiteral("(empty)");
  try {
    const TPatchRow row = library->Row(m_slots[slot]);
    return row.name ? QString::fromStdString(*row.name) : QStringLiteral("(no name)");
  } catch (const std::exception &) {
    return QStringLiteral("(not readable)");
  }
}

bool TUserBankPanel::Fits(const QMimeData *data) {
  TLibrary *library = m_context.Library();
  if (!library || !CurrentBank())
    return false;
  if (data->hasFormat(QLatin1String(kLibraryPatchMime))) {
    const QList<qint64> ids = LibraryPatchIds(data);
    try {
      for (qint64 id : ids)
        if (library->Row(id).kind != m_kind)
          return false;
    } catch (const std::exception &) {
      return false;
    }
    return !ids.isEmpty();
  }
  const TDraggedDumps dumps = DraggedDumps(data);
  for (const Bytes &image : dumps.images) {
    TPatchBytes patch;
    if (!PatchBytesOf(image.data(), image.size(), patch) || patch.kind != m_kind)
      return false;
  }
  return !dumps.images.empty();
}

int TUserBankPanel::OriginBank() {
  TLibrary *library = m_context.Library();
  int origin = -1;
  bool any = false;
  try {
    for (size_t slot = 0; library && slot < m_slots.size(); ++slot) {
      if (!m_slots[slot])
        continue;
      // The latest time the patch was seen in a slot of the synthesizer.
      const TSightingRow *last = nullptr;
      const std::vector<TSightingRow> seen = library->Sightings(m_slots[slot]);
      for (const TSightingRow &row : seen)
        if ((row.source == "device" || row.source == "send") && row.fm == (m_kind != TKind::Sid) &&
            (!last || row.time >= last->time))
          last = &row;
      if (!last || last->number != static_cast<int>(slot) || (any && last->bank != origin))
        return -1;
      origin = last->bank;
      any = true;
    }
  } catch (const std::exception &) {
    return -1;
  }
  return origin;
}

void TUserBankPanel::btnAddToBankClick() {
  AddPatches(m_selected(), 0, true);
}

void TUserBankPanel::AddPatches(const std::vector<int64_t> &ids, int slot, bool firstEmpty) {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  if (!library || !bank || ids.empty())
    return;
  const std::vector<int64_t> before = m_slots;
  int otherKind = 0, left = 0;
  QStringList replaced;
  std::vector<int> filled;
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
      if (m_slots[at] != 0 && m_slots[at] != id)
        replaced << QStringLiteral("%1 \"%2\"").arg(at + 1).arg(SlotName(at));
      library->SetUserBankSlot(bank, static_cast<int>(at), id);
      filled.push_back(static_cast<int>(at));
      m_slots[at++] = id;
    }
  });
  ShowSlots();
  Remember(QStringLiteral("put patches in the bank"), before);
  ShowError(error);
  if (!filled.empty()) {
    QString done = filled.size() == 1
                       ? QStringLiteral("1 patch put in slot %1").arg(filled.front() + 1)
                       : QStringLiteral("%1 patches put in slots %2 to %3")
                             .arg(filled.size())
                             .arg(filled.front() + 1)
                             .arg(filled.back() + 1);
    done += replaced.isEmpty() ? QStringLiteral(".")
                               : QStringLiteral("; %1 replaced slot %2.")
                                     .arg(QLatin1String(filled.size() == 1 ? "it" : "they"),
                                          replaced.join(QStringLiteral(", slot ")));
    m_context.ReportDone(done);
  }
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
    QMessageBox::information(window(), QApplication::applicationDisplayName(),
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
  const std::vector<int64_t> before = m_slots;
  const QString error = Attempt([&] {
    for (const QModelIndex &row : rows)
      library->SetUserBankSlot(bank, row.row(), 0);
  });
  ShowSlots();
  Remember(QStringLiteral("empty slots"), before);
  ShowError(error);
}

void TUserBankPanel::MoveSlots(const QList<int> &from, int to) {
  TLibrary *library = m_context.Library();
  const int64_t bank = CurrentBank();
  if (!library || !bank || from.isEmpty())
    return;
  const std::vector<int64_t> moved =
      MovedSlots(m_slots, std::vector<int>(from.begin(), from.end()), to);
  if (moved.empty()) {
    m_context.ReportDone(
        QStringLiteral("The slots were not moved: from slot %1 on they would not fit in the bank.")
            .arg(to + 1));
    return;
  }
  const std::vector<int64_t> before = m_slots;
  const QString error = Attempt([&] {
    for (size_t slot = 0; slot < moved.size(); ++slot)
      if (moved[slot] != m_slots[slot])
        library->SetUserBankSlot(bank, static_cast<int>(slot), moved[slot]);
  });
  ShowSlots();
  Remember(QStringLiteral("move slots"), before);
  ShowError(error);
  // The moved patches stay chosen where they landed.
  const int by = to - *std::min_element(from.begin(), from.end());
  lvUserBank->clearSelection();
  for (int slot : from)
    if (QListWidgetItem *item = lvUserBank->item(slot + by))
      item->setSelected(true);
  lvUserBank->setCurrentRow(from.front() + by, QItemSelectionModel::NoUpdate);
}

void TUserBankPanel::MoveSelectedBy(int by) {
  QList<int> from;
  for (const QModelIndex &index : lvUserBank->selectionModel()->selectedIndexes())
    from << index.row();
  if (from.isEmpty())
    return;
  MoveSlots(from, *std::min_element(from.begin(), from.end()) + by);
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
  // The bank's own name, less what a file name cannot hold.
  QString name;
  if (TLibrary *library = m_context.Library())
    Attempt([&] {
      for (const TUserBank &bank : library->UserBanks())
        if (bank.id == CurrentBank())
          name = QString::fromStdString(bank.name);
    });
  name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]")),
               QStringLiteral("_"));
  const QString path = m_context.SaveSysExFileNamed(
      name.trimmed().isEmpty() ? QStringLiteral("bank.syx") : name.trimmed() + ".syx");
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
  int bank = -1;
  if (!AskDestinationBank(window(),
                          QStringLiteral("Send \"%1\" to which bank of the synthesizer?")
                              .arg(cbxUserBank->currentText()),
                          OriginBank(), bank, m_backup, m_verify))
    return;
  SendPlacedBank(m_context, this, placed, 0, bank, m_backup, m_verify);
}

void TUserBankPanel::Remember(const QString &text, const std::vector<int64_t> &before) {
  if (!m_undo || before == m_slots || before.size() != m_slots.size())
    return;
  m_undo->push(new TSlotsCommand(
      text, CurrentBank(), before, m_slots,
      [this](int64_t bank, const std::vector<int64_t> &wanted) { ApplySlots(bank, wanted); }));
}

void TUserBankPanel::ApplySlots(int64_t bank, const std::vector<int64_t> &wanted) {
  TLibrary *library = m_context.Library();
  if (!library)
    return;
  const QString error = Attempt([&] {
    const std::vector<int64_t> now = library->UserBankSlots(bank);
    for (size_t slot = 0; slot < now.size() && slot < wanted.size(); ++slot)
      if (now[slot] != wanted[slot])
        library->SetUserBankSlot(bank, static_cast<int>(slot), wanted[slot]);
  });
  const int at = cbxUserBank->findData(QVariant::fromValue(static_cast<qlonglong>(bank)));
  if (at >= 0 && at != cbxUserBank->currentIndex())
    cbxUserBank->setCurrentIndex(at); // shows its slots
  else
    ShowSlots();
  ShowError(error);
}

void TUserBankPanel::SetSendChecks(bool backup, bool verify) {
  m_backup = backup;
  m_verify = verify;
}

void TUserBankPanel::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(window(), QApplication::applicationDisplayName(), text);
}

} // namespace zpm
