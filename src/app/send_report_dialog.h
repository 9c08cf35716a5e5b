// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report of a send that read its slots back: a row per slot with what
// became of it, and "Retry failed slots" to send the failed ones again. It
// knows nothing of the synthesizer the rows came from.

#include "midi/send_report.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace zpm {

struct TSendReportRow {
  QString slot;   // "C:17"
  QString name;   // as the list shows it
  QString result; // "verified", "differs", "sent", "not available", ...
  QString reason; // why it was skipped or not verified; may be empty
  bool failed = false;
  QString type; // "Voices", "Drums", "Ensembles"; empty for a SID slot
};

// "5 slots: 4 verified, 1 differs.", each result in the synthesizer's words.
QString SendSummary(const TSendReport &report, const char *(*resultText)(TSendResult));

class TfrmSendReport : public QDialog {
  Q_OBJECT

public:
  explicit TfrmSendReport(QWidget *parent = nullptr);

  // Fills the table and the summary line; a "Type" column follows "Slot"
  // when the rows have types; "Retry failed slots" is enabled
  // while a row has failed.
  void ShowRows(const std::vector<TSendReportRow> &rows, const QString &summary);
  // Shows the dialog modally: true when the user chose "Retry failed slots".
  bool AskRetry();

private:
  QLabel *m_summary;
  QTableWidget *m_table;
  QPushButton *m_retry;
};

} // namespace zpm
