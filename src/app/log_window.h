// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Log" tool window: every MIDI line of the run, newest first, in
// memLog, with "&Clear log" in its context menu. Lines can be selected
// (click, Shift+click, Ctrl+A), copied whole (Ctrl+C), searched (Ctrl+F,
// then Enter or F3 for the next older match) and saved ("&Save log...").

#include "app/log_model.h"
#include "app/ui_notice.h"
#include "midi/event_log.h"

#include <QWidget>

class QKeyEvent;

class QAction;
class QLineEdit;
class QListView;
class QScrollBar;

namespace zpm {

class TfrmLog : public QWidget {
  Q_OBJECT
public:
  // Shows log from now on; lines come in through the log's change handler,
  // on whatever thread adds them.
  TfrmLog(TEventLog &log, QWidget *parent = nullptr);
  ~TfrmLog() override;

  TLogModel &Model() { return *m_model; }
  // The "&Decode" switch of the context menu.
  void SetDecode(bool decode);
  bool Decode() const { return m_model->Decode(); }

  // "&Clear log".
  void Clearlog1Click();
  void SelectAllClick() { m_model->SelectAll(); }
  // The selected lines whole, oldest first, to the clipboard.
  void CopyClick();
  // "&Save log...": asks for a file, then SaveLog.
  void SaveLogClick();
  // Writes every line, oldest first; an error sentence, empty when written.
  QString SaveLog(const QString &path);
  // Ctrl+F: the find field; Enter or F3 in it finds the next older line.
  void FindClick();
  bool FindNext();

signals:
  // The user closed the window with its close box.
  void FormHide();

protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void FitPage();
  void UpdateScrollBar();
  bool ScrollKey(int key);
  bool CommandKey(QKeyEvent *key);
  void ClickRow(int row, bool extend);

  TEventLog &m_log;
  TLogModel *m_model;
  QListView *memLog;
  // Kept from the start: a list being destroyed cannot be asked for it.
  QWidget *m_logViewport = nullptr;
  QScrollBar *sbLog;
  QLineEdit *edFind;
  QAction *actDecode = nullptr;
  int m_rowHeight = 1;
  TUiNotice m_notice;
};

} // namespace zpm
