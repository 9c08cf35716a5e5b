// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Patch list" group of the "&Send SID patch" tab: source and
// destination, the two send buttons and the options to back up the
// destination banks first and to read the written slots back. It also runs
// "Send selected to another patch location" for the get tab, through the
// "Save patch" dialog.

#include "app/main_context.h"

#include <QWidget>

class QCheckBox;
class QComboBox;

namespace zpm {

class TSidPatchList;
class TfrmSaveLocation;
struct TSidSendJob;
struct TSendReport;

class TSidSendPanel : public QWidget {
  Q_OBJECT

public:
  TSidSendPanel(TMainContext &context, TSidPatchList &fileList, QWidget *parent = nullptr);

  // The dialog made once at start; without one the panel makes its own.
  void SetSaveLocation(TfrmSaveLocation *dialog) { m_saveLocation = dialog; }
  // The two check boxes, kept in the settings file.
  void SetSendChecks(bool backup, bool verify);
  bool BackupBeforeSend() const;
  bool VerifyAfterSend() const;

  // "Send selected to another patch location" on the fetched list.
  void StoreDifferent(TSidPatchList &getList);

public slots:
  void btnFileSendAllClick();
  void btnFileSendSelectedClick();
  void cbSourceLocationChange();
  // A press of the left button on row item of the file list (-1: no row).
  void lvFilePatchListMouseDown(int item);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // Runs one send with the check boxes' options and tells the user the
  // outcome; with "Verify after sending" the report, and its retries.
  void RunSend(const TSidSendJob &job, const TPatchBank &list);
  void ShowReport(TSendReport &report, const TPatchBank &list);
  void ShowError(const QString &text);

  TMainContext &m_context;
  TSidPatchList &m_fileList;
  TfrmSaveLocation *m_saveLocation = nullptr;
  QComboBox *m_sourceLocation;
  QComboBox *m_sourceBank;
  QComboBox *m_destinationLocation;
  QComboBox *m_destinationBank;
  QCheckBox *m_backup;
  QCheckBox *m_verify;
};

// The report of a SID send that the user reads, until "&Close": "Retry
// failed slots" sends them again with the Config page's values of that
// moment and shows the report anew. The slots sent again go into the
// library, as random patches when random.
void ShowSidSendReport(TMainContext &context, QWidget *parent, TSendReport &report,
                       const TPatchBank &list, bool random = false);

} // namespace zpm
