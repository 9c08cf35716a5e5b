// SPDX-License-Identifier: GPL-3.0-or-later
// The Library page's History tab: a bank's snapshots, newest first, compared
// with each other or with the bank now, and restored.
#include "app/library/library_page.h"

#include "app/library/history_compare.h"
#include "app/library/library_send.h"
#include "app/page_support.h"
#include "library/library.h"
#include "library/library_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace zpm {

namespace {

// Which of the history's rows (newest first) are sends that put back, slot
// for slot, what the bank held after an earlier snapshot, changing it.
std::vector<bool> RestoreRows(TLibrary &library, const std::vector<TSnapshotRow> &history,
                              TKind kind, int bank) {
  std::vector<bool> restores(history.size(), false);
  std::vector<std::map<int, int64_t>> states; // after each snapshot, oldest first
  std::map<int, int64_t> state;
  for (size_t back = history.size(); back-- > 0;) {
    std::map<int, int64_t> wrote;
    for (const TPlacedPatch &slot : library.SnapshotSlots(history[back].id))
      if (slot.patch.kind == kind && slot.bank == bank)
        wrote[slot.number] = slot.id;
    if (history[back].source == "send") {
      const auto holds = [&](const std::map<int, int64_t> &earlier) {
        for (const auto &[number, id] : wrote) {
          const auto found = earlier.find(number);
          if (found == earlier.end() || found->second != id)
            return false;
        }
        return true;
      };
      restores[back] =
          !wrote.empty() && !holds(state) && std::any_of(states.begin(), states.end(), holds);
    }
    for (const auto &[number, id] : wrote)
      state[number] = id;
    states.push_back(state);
  }
  return restores;
}

} // namespace

QWidget *TLibraryPage::BuildHistoryTab() {
  auto *tab = new QWidget;
  cbxHistoryBank = new QComboBox(tab);
  cbxHistoryBank->setObjectName(QStringLiteral("cbxHistoryBank"));
  cbxHistoryBank->setAccessibleName(QStringLiteral("Bank of the synthesizer"));
  const std::pair<TKind, const char *> kinds[] = {{TKind::Sid, "SID"},
                                                  {TKind::FmVoice, "FM voices"},
                                                  {TKind::FmDrumset, "FM drumsets"},
                                                  {TKind::FmEnsemble, "FM ensembles"}};
  for (const auto &kind : kinds)
    for (int bank = 0; bank < 8; ++bank)
      cbxHistoryBank->addItem(QStringLiteral("%1 bank %2")
                                  .arg(QLatin1String(kind.second))
                                  .arg(QChar(QLatin1Char(static_cast<char>('A' + bank)))),
                              static_cast<int>(kind.first) * 8 + bank);
  connect(cbxHistoryBank, &QComboBox::currentIndexChanged, this, &TLibraryPage::FillHistory);
  lvHistory = new QTableWidget(0, 4, tab);
  lvHistory->setObjectName(QStringLiteral("lvHistory"));
  lvHistory->setAccessibleName(QStringLiteral("Snapshots of the bank, newest first"));
  lvHistory->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Source"),
                                        QStringLiteral("Slots"), QStringLiteral("Changed")});
  lvHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Two rows chosen are compared with each other.
  lvHistory->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvHistory->setTabKeyNavigation(false);
  lvHistory->verticalHeader()->hide();
  lvHistory->horizontalHeader()->resizeSection(0, 160);
  lvHistory->horizontalHeader()->setStretchLastSection(true);
  btnHistoryRestore = new QPushButton(QStringLiteral("&Restore"), tab);
  btnHistoryRestore->setObjectName(QStringLiteral("btnHistoryRestore"));
  btnHistoryRestore->setAccessibleName(QStringLiteral("Restore the chosen snapshot"));
  btnHistoryRestore->setToolTip(
      QStringLiteral("Sends the snapshot's slots back to its bank, backed up first and read back"));
  connect(btnHistoryRestore, &QPushButton::clicked, this, &TLibraryPage::btnHistoryRestoreClick);
  btnHistoryCompare = new QPushButton(QStringLiteral("&Compare"), tab);
  btnHistoryCompare->setObjectName(QStringLiteral("btnHistoryCompare"));
  btnHistoryCompare->setAccessibleName(QStringLiteral("Compare the chosen snapshots"));
  btnHistoryCompare->setToolTip(
      QStringLiteral("Two snapshots chosen: the slots where they differ; one: the slots where the "
                     "bank differs now, fetched from the synthesizer"));
  connect(btnHistoryCompare, &QPushButton::clicked, this, &TLibraryPage::btnHistoryCompareClick);

  lbHistoryEmpty = new QLabel(tab);
  lbHistoryEmpty->setObjectName(QStringLiteral("lbHistoryEmpty"));
  auto *top = new QHBoxLayout;
  top->addWidget(BuddyLabel(QStringLiteral("&Bank:"), cbxHistoryBank));
  top->addWidget(cbxHistoryBank);
  top->addStretch();
  auto *bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(btnHistoryCompare);
  bottom->addWidget(btnHistoryRestore);
  auto *layout = new QVBoxLayout(tab);
  layout->addLayout(top);
  layout->addWidget(BuddyLabel(QStringLiteral("&Snapshots"), lvHistory));
  layout->addWidget(lvHistory, 1);
  layout->addWidget(lbHistoryEmpty);
  layout->addLayout(bottom);
  return tab;
}

void TLibraryPage::FillHistory() {
  TLibrary *library = m_context.Library();
  const int choice = cbxHistoryBank->currentData().toInt();
  m_snapshots.clear();
  if (library) {
    const QString error = Attempt(
        [&] { m_snapshots = library->History(static_cast<TKind>(choice / 8), choice % 8); });
    Q_UNUSED(error); // a busy library shows no history until it is read again
  }
  std::vector<bool> restores;
  if (library) {
    const QString error = Attempt([&] {
      restores = RestoreRows(*library, m_snapshots, static_cast<TKind>(choice / 8), choice % 8);
    });
    Q_UNUSED(error); // a busy library shows sends as sends
  }
  lvHistory->setRowCount(static_cast<int>(m_snapshots.size()));
  for (size_t i = 0; i < m_snapshots.size(); ++i) {
    const TSnapshotRow &snapshot = m_snapshots[i];
    const QString texts[] = {
        QDateTime::fromMSecsSinceEpoch(snapshot.time)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        i < restores.size() && restores[i] ? QStringLiteral("restore")
                                           : QString::fromStdString(snapshot.source),
        QString::number(snapshot.numbers.size()), QString::number(snapshot.changed)};
    for (int column = 0; column < 4; ++column)
      lvHistory->setItem(static_cast<int>(i), column, new QTableWidgetItem(texts[column]));
  }
  if (!m_snapshots.empty())
    lvHistory->selectRow(0);
  lbHistoryEmpty->setText(
      m_snapshots.empty() ? QStringLiteral("No snapshot of bank %1 yet: fetch it or send to it.")
                                .arg(QChar(QLatin1Char(static_cast<char>('A' + choice % 8))))
                          : QString());
  lbHistoryEmpty->setVisible(m_snapshots.empty());
  btnHistoryRestore->setEnabled(!m_snapshots.empty());
  btnHistoryCompare->setEnabled(!m_snapshots.empty());
}

void TLibraryPage::btnHistoryCompareClick() {
  TLibrary *library = m_context.Library();
  QModelIndexList rows = lvHistory->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex &a, const QModelIndex &b) { return a.row() > b.row(); });
  if (!library || rows.isEmpty() || rows.size() > 2) {
    QMessageBox::information(window(), QApplication::applicationDisplayName(),
                             QStringLiteral("Choose one snapshot to compare with the bank as it "
                                            "is now, or two to compare with each other."));
    return;
  }
  const int choice = cbxHistoryBank->currentData().toInt();
  const auto kind = static_cast<TKind>(choice / 8);
  const int bank = choice % 8;
  // The older first: the list is newest first.
  TBankSide sides[2];
  QString error = Attempt([&] {
    for (qsizetype i = 0; i < rows.size(); ++i) {
      const int row = rows[i].row();
      sides[i].title = lvHistory->item(row, 0)->text();
      sides[i].placed =
          BankPlacedAt(*library, kind, bank, m_snapshots[static_cast<size_t>(row)].time);
    }
  });
  if (error.isEmpty() && rows.size() == 1) {
    // A fetch takes the synthesizer's time and goes into the history: asked first.
    const QString question = QStringLiteral("Fetch bank %1 now to compare?")
                                 .arg(QChar(QLatin1Char(static_cast<char>('A' + bank))));
    if (QMessageBox::question(window(), QApplication::applicationDisplayName(), question,
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    sides[1].title = QStringLiteral("now");
    sides[1].placed = FetchBankNow(m_context, kind, bank, error);
  }
  if (!error.isEmpty()) {
    ShowError(error);
    return;
  }
  TfrmSlotCompare dialog(sides[0], sides[1], m_viewer, window());
  dialog.exec();
}

void TLibraryPage::btnHistoryRestoreClick() {
  TLibrary *library = m_context.Library();
  const int row = lvHistory->currentRow();
  if (!library || row < 0 || row >= static_cast<int>(m_snapshots.size()))
    return;
  const int choice = cbxHistoryBank->currentData().toInt();
  const auto kind = static_cast<TKind>(choice / 8);
  const int bank = choice % 8;
  std::vector<TPlacedPatch> placed;
  const QString error = Attempt([&] {
    for (const TPlacedPatch &slot :
         library->SnapshotSlots(m_snapshots[static_cast<size_t>(row)].id))
      if (slot.patch.kind == kind && slot.bank == bank)
        placed.push_back(slot);
  });
  if (!error.isEmpty() || placed.empty()) {
    ShowError(error);
    return;
  }
  const QString question =
      QStringLiteral("Send the %1 of %2 back to %3? The bank is backed up first and read back "
                     "afterwards.")
          .arg(CountText(static_cast<int64_t>(placed.size()), "slot", "slots"),
               lvHistory->item(row, 0)->text(), cbxHistoryBank->currentText());
  if (QMessageBox::question(window(), QApplication::applicationDisplayName(), question,
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  SendPlacedBank(m_context, this, placed, bank, bank, /*backup=*/true, /*verify=*/true);
}

} // namespace zpm
