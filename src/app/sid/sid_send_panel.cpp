// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sid/sid_send_panel.h"

#include "app/backup_file.h"
#include "app/library/library_record.h"
#include "app/page_support.h"
#include "app/send_report_dialog.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_file.h"
#include "sid/sid_send.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kSelectedPatches = 1;

QComboBox *Choice(const char *name, const char *hint, const QStringList &items, QWidget *parent) {
  auto *box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setToolTip(QLatin1String(hint));
  box->addItems(items);
  box->setEditable(false);
  return box;
}

QStringList BankItems() {
  QStringList items;
  for (char letter = 'A'; letter <= 'H'; ++letter)
    items << QStringLiteral("Bank ") + QChar(QLatin1Char(letter));
  return items;
}

QStringList PositionItems() {
  QStringList items;
  for (int number = 1; number <= 128; ++number)
    items << QString::number(number);
  return items;
}

QString SlotText(const TSendItem &item) {
  return QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank))) + ":" +
         QString::number(item.number + 1);
}

std::vector<TSendReportRow> ReportRows(const TSendReport &report) {
  std::vector<TSendReportRow> rows;
  for (const TSendItem &item : report.items)
    rows.push_back({SlotText(item), QString::fromLatin1(item.name.c_str()),
                    QString::fromLatin1(SendResultText(item.result)),
                    QString::fromStdString(item.reason),
                    item.result == TSendResult::Differs || item.result == TSendResult::Unverified ||
                        item.result == TSendResult::Unknown,
                    QString()});
  return rows;
}

} // namespace

TSidSendPanel::TSidSendPanel(TMainContext &context, TSidPatchList &fileList, QWidget *parent)
    : QWidget(parent), m_context(context), m_fileList(fileList) {
  setObjectName(QStringLiteral("SidSendPanel"));
  auto *group = new QGroupBox(QStringLiteral("Patch list"), this);
  group->setObjectName(QStringLiteral("gbPatchList"));
  m_sourceLocation = Choice("cbSourceLocation", "Source Patch",
                            {QStringLiteral("all patches"), QStringLiteral("sel. patches")}, group);
  m_sourceBank = Choice("cbSourceBank", "Source Bank", BankItems(), group);
  m_destinationLocation =
      Choice("cbDestinationLocation", "Destination Patch", PositionItems(), group);
  m_destinationLocation->setEnabled(false);
  m_destinationBank = Choice("cbDestinationBank", "Destination Bank", BankItems(), group);
  connect(m_sourceLocation, &QComboBox::currentIndexChanged, this,
          &TSidSendPanel::cbSourceLocationChange);

  auto *sendAll = new QPushButton(QStringLiteral("Send &patch list to SID"), group);
  sendAll->setObjectName(QStringLiteral("btnFileSendAll"));
  auto *sendSelected =
      new QPushButton(QStringLiteral("Send selected patch to &destination"), group);
  sendSelected->setObjectName(QStringLiteral("btnFileSendSelected"));
  connect(sendAll, &QPushButton::clicked, this, &TSidSendPanel::btnFileSendAllClick);
  connect(sendSelected, &QPushButton::clicked, this, &TSidSendPanel::btnFileSendSelectedClick);

  m_backup = new QCheckBox(QStringLiteral("Back up destination banks first"), group);
  m_backup->setObjectName(QStringLiteral("cbBackupBeforeSend"));
  m_verify = new QCheckBox(QStringLiteral("Verify after sending"), group);
  m_verify->setObjectName(QStringLiteral("cbVerifyAfterSend"));

  auto *grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QStringLiteral("Source"), group), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("-->"), group), 0, 1, 3, 1, Qt::AlignCenter);
  grid->addWidget(new QLabel(QStringLiteral("Destination"), group), 0, 2);
  grid->addWidget(m_sourceLocation, 1, 0);
  grid->addWidget(m_destinationLocation, 1, 2);
  grid->addWidget(m_sourceBank, 2, 0);
  grid->addWidget(m_destinationBank, 2, 2);
  grid->addWidget(sendAll, 3, 0, 1, 3);
  grid->addWidget(sendSelected, 4, 0, 1, 3);
  grid->addWidget(m_backup, 5, 0, 1, 3);
  grid->addWidget(m_verify, 6, 0, 1, 3);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(group);

  m_fileList.viewport()->installEventFilter(this);
}

void TSidSendPanel::SetSendChecks(bool backup, bool verify) {
  m_backup->setChecked(backup);
  m_verify->setChecked(verify);
}

bool TSidSendPanel::BackupBeforeSend() const {
  return m_backup->isChecked();
}

bool TSidSendPanel::VerifyAfterSend() const {
  return m_verify->isChecked();
}

bool TSidSendPanel::eventFilter(QObject *watched, QEvent *event) {
  // The type first: the list asks nothing of itself for the events it sends
  // while it is being destroyed.
  if (event->type() == QEvent::MouseButtonPress && watched == m_fileList.viewport()) {
    const auto *press = static_cast<QMouseEvent *>(event);
    if (press->button() == Qt::LeftButton)
      lvFilePatchListMouseDown(m_fileList.indexAt(press->position().toPoint()).row());
  }
  return QWidget::eventFilter(watched, event);
}

void TSidSendPanel::lvFilePatchListMouseDown(int item) {
  const TPatchBank &bank = m_context.SidFileBank();
  if (item < 0 || item >= bank.Count())
    return;
  m_sourceLocation->setCurrentIndex(kSelectedPatches);
  cbSourceLocationChange();
  m_sourceBank->setCurrentIndex(std::clamp<int>(bank.GetPatch(item).Bank, 0, 7));
}

void TSidSendPanel::cbSourceLocationChange() {
  const bool selected = m_sourceLocation->currentIndex() == kSelectedPatches;
  if (!selected)
    m_destinationLocation->setCurrentIndex(0);
  m_destinationLocation->setEnabled(selected);
}

void TSidSendPanel::btnFileSendAllClick() {
  RunSend(TSidSendJob{}, m_context.SidFileBank());
}

void TSidSendPanel::btnFileSendSelectedClick() {
  TSidSendJob job;
  job.destBank = m_destinationBank->currentIndex();
  if (m_sourceLocation->currentIndex() == kSelectedPatches) {
    job.mode = TSidSendMode::Rows;
    job.rows = m_fileList.SelectedItems();
    job.destPosition = m_destinationLocation->currentIndex();
  } else {
    job.mode = TSidSendMode::Bank;
    job.sourceBank = m_sourceBank->currentIndex();
  }
  RunSend(job, m_context.SidFileBank());
}

void TSidSendPanel::StoreDifferent(TSidPatchList &getList) {
  const TPatchBank &bank = m_context.SidGetBank();
  const int row = OneRowToSend(getList.SelectedItems(), bank.Count(), m_context,
                               [this](const QString &text) { ShowError(text); });
  if (row < 0)
    return;
  if (!m_saveLocation)
    m_saveLocation = new TfrmSaveLocation(this);
  m_saveLocation->ShowPatch(bank.GetPatch(row));
  if (m_saveLocation->exec() != QDialog::Accepted)
    return;
  TSidSendJob job;
  job.mode = TSidSendMode::PatchTo;
  job.rows = {row};
  job.destBank = m_saveLocation->DestinationBank();
  job.destPosition = m_saveLocation->NewPosition() - 1;
  RunSend(job, bank);
}

void TSidSendPanel::RunSend(const TSidSendJob &job, const TPatchBank &list) {
  const TSidSendOptions options =
      WindowSidSendOptions(m_context, m_backup->isChecked(), m_verify->isChecked());
  TSendReport report;
  QString error;
  try {
    report = RunSidSend(m_context.Link(), m_context.Host(), options, job, list);
  } catch (const std::exception &e) {
    error = QString::fromStdString(e.what());
  }
  KeepSnapshot(m_context, SidSendRecord(report, list, options.device));
  ShowError(error);
  ShowError(QString::fromStdString(report.backupProblem));
  ShowError(QString::fromStdString(report.lostReason));
  // A run cut off by a lost connection says which slots arrived.
  if (report.verified || !report.lostReason.empty())
    ShowReport(report, list);
}

void TSidSendPanel::ShowReport(TSendReport &report, const TPatchBank &list) {
  ShowSidSendReport(m_context, this, report, list);
}

void TSidSendPanel::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

void ShowSidSendReport(TMainContext &context, QWidget *parent, TSendReport &report,
                       const TPatchBank &list, bool random) {
  const auto showError = [parent](const std::string &text) {
    if (!text.empty())
      QMessageBox::critical(parent, QApplication::applicationDisplayName(),
                            QString::fromStdString(text));
  };
  // Over the window the send was started from.
  TfrmSendReport dialog(parent ? parent->window() : context.MainWindow());
  for (;;) {
    dialog.ShowRows(ReportRows(report), SendSummary(report, SendResultText));
    if (!dialog.AskRetry())
      return;
    report.lostReason.clear();
    TSidSendOptions options;
    options.device = context.SidDeviceId();
    options.delayMs = context.SidDelay();
    const TSendReport before = report;
    try {
      RetrySidSlots(context.Link(), context.Host(), options, list, report);
    } catch (const std::exception &e) {
      showError(e.what());
    }
    KeepSnapshot(context, SidSendRecord(SentAgain(before, report), list, options.device, random));
    showError(report.lostReason);
  }
}

} // namespace zpm
