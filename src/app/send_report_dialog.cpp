// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/send_report_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

QString SendSummary(const TSendReport &report, const char *(*resultText)(TSendResult)) {
  QStringList counts;
  for (TSendResult result : {TSendResult::Verified, TSendResult::Differs, TSendResult::Unverified,
                             TSendResult::Written, TSendResult::NotAvailable, TSendResult::NoAnswer,
                             TSendResult::Unknown, TSendResult::NotSent}) {
    const auto count = std::count_if(report.items.begin(), report.items.end(),
                                     [&](const TSendItem &item) { return item.result == result; });
    if (count > 0)
      counts << QString("%1 %2").arg(count).arg(QLatin1String(resultText(result)));
  }
  return QString("%1 slot%2: %3.")
      .arg(report.items.size())
      .arg(report.items.size() == 1 ? "" : "s")
      .arg(counts.join(", "));
}

namespace {
constexpr int kRetry = 2;
} // namespace

TfrmSendReport::TfrmSendReport(QWidget *parent)
    : QDialog(parent), m_summary(new QLabel(this)), m_table(new QTableWidget(0, 3, this)),
      m_retry(new QPushButton(QStringLiteral("Retry failed slots"), this)) {
  setObjectName(QStringLiteral("frmSendReport"));
  setWindowTitle(QStringLiteral("Send report"));
  m_summary->setObjectName(QStringLiteral("lbSummary"));
  m_table->setObjectName(QStringLiteral("lvSlots"));
  m_table->setHorizontalHeaderLabels(
      {QStringLiteral("Slot"), QStringLiteral("Patch Name"), QStringLiteral("Result")});
  m_table->verticalHeader()->hide();
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_retry->setObjectName(QStringLiteral("btnRetry"));
  auto *close = new QPushButton(QStringLiteral("&Close"), this);
  close->setObjectName(QStringLiteral("btnClose"));
  close->setDefault(true);
  connect(m_retry, &QPushButton::clicked, this, [this] { done(kRetry); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_retry);
  buttons->addWidget(close);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_summary);
  layout->addWidget(m_table, 1);
  layout->addLayout(buttons);
  resize(520, 360);
}

void TfrmSendReport::ShowRows(const std::vector<TSendReportRow> &rows, const QString &summary) {
  m_summary->setText(summary);
  const bool typed = std::any_of(rows.begin(), rows.end(),
                                 [](const TSendReportRow &row) { return !row.type.isEmpty(); });
  QStringList captions = {QStringLiteral("Slot"), QStringLiteral("Patch Name"),
                          QStringLiteral("Result")};
  if (typed)
    captions.insert(1, QStringLiteral("Type"));
  m_table->setColumnCount(static_cast<int>(captions.size()));
  m_table->setHorizontalHeaderLabels(captions);
  const int shift = typed ? 1 : 0;
  m_table->setRowCount(static_cast<int>(rows.size()));
  bool anyFailed = false;
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const TSendReportRow &row = rows[static_cast<size_t>(i)];
    const QString result = row.reason.isEmpty() ? row.result : row.result + ": " + row.reason;
    m_table->setItem(i, 0, new QTableWidgetItem(row.slot));
    if (typed)
      m_table->setItem(i, 1, new QTableWidgetItem(row.type));
    m_table->setItem(i, 1 + shift, new QTableWidgetItem(row.name));
    m_table->setItem(i, 2 + shift, new QTableWidgetItem(result));
    anyFailed = anyFailed || row.failed;
  }
  m_table->resizeColumnsToContents();
  m_retry->setEnabled(anyFailed);
}

bool TfrmSendReport::AskRetry() {
  return exec() == kRetry;
}

} // namespace zpm
