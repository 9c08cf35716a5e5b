#pragma once
// The "Log" tool window: every MIDI line of the run, newest first, in
// memLog, with "&Clear log" in its context menu.

#include "app/log_model.h"
#include "app/ui_notice.h"
#include "midi/event_log.h"

#include <QWidget>

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

  // "&Clear log".
  void Clearlog1Click();

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

  TEventLog &m_log;
  TLogModel *m_model;
  QListView *memLog;
  QScrollBar *sbLog;
  int m_rowHeight = 1;
  TUiNotice m_notice;
};

} // namespace zpm
