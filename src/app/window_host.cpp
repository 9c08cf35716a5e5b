// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_host.h"

#include "app/wait_dialog.h"
#include "app/working_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace zpm {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseMove:
  case QEvent::Wheel:
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
  case QEvent::ShortcutOverride:
  case QEvent::Shortcut:
  case QEvent::ContextMenu:
  case QEvent::TouchBegin:
  case QEvent::TouchUpdate:
  case QEvent::TouchEnd:
  case QEvent::TabletPress:
  case QEvent::TabletRelease:
  case QEvent::DragEnter:
  case QEvent::DragMove:
  case QEvent::Drop:
    return true;
  default:
    return false;
  }
}

// While a wait runs: the main window takes no input (its handlers must not
// start another operation), everything else goes on; a quit request ends
// the wait.
class TWaitFilter : public QObject {
public:
  TWaitFilter(QWidget *mainWindow, QEventLoop &loop) : m_mainWindow(mainWindow), m_loop(loop) {
    qApp->installEventFilter(this);
  }
  ~TWaitFilter() override { qApp->removeEventFilter(this); }

  bool QuitRequested() const { return m_quit; }

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Quit && watched == qApp) {
      m_quit = true;
      m_loop.exit();
      return true; // asked again once the wait has returned
    }
    if (IsUserInput(event->type()) && watched->isWidgetType()) {
      auto *widget = static_cast<QWidget *>(watched);
      return widget->window() == m_mainWindow;
    }
    return false;
  }

private:
  QWidget *m_mainWindow;
  QEventLoop &m_loop;
  bool m_quit = false;
};

} // namespace

TWindowHost::TWindowHost(TMainContext &context, QWidget *controls, TReceptionBridge &bridge,
                         TfrmWaitSysEx &wait, TfrmWorking &working, QObject *parent)
    : QObject(parent), m_context(context), m_controls(controls), m_bridge(bridge), m_wait(wait),
      m_working(working) {}

TWindowHost::~TWindowHost() {
  while (m_busy > 0) {
    QApplication::restoreOverrideCursor();
    --m_busy;
  }
}

bool TWindowHost::Ask(const std::string &text) {
  return QMessageBox::information(m_context.MainWindow(), QApplication::applicationDisplayName(),
                                  QString::fromStdString(text),
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TWindowHost::Inform(const std::string &text) {
  QMessageBox::information(m_context.MainWindow(), QApplication::applicationDisplayName(),
                           QString::fromStdString(text));
}

int TWindowHost::WaitForSysEx() {
  return m_wait.exec();
}

TWindowHost::TLoopEnd TWindowHost::RunNestedLoop(int timeoutMs, const std::function<bool()> &done) {
  QEventLoop loop;
  TWaitFilter filter(m_context.MainWindow(), loop);
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  // Anything else that ends the loop is the application quitting.
  TLoopEnd end = TLoopEnd::Quit;
  connect(&timer, &QTimer::timeout, &loop, [&] {
    end = TLoopEnd::TimedOut;
    loop.quit();
  });
  if (done) {
    connect(&m_bridge, &TReceptionBridge::byteCountChanged, &loop, [&] {
      if (done()) {
        end = TLoopEnd::Done;
        loop.quit();
      }
    });
  }
  timer.start(timeoutMs);
  // Returns at once when the application is already quitting.
  loop.exec();
  if (filter.QuitRequested())
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  return end;
}

bool TWindowHost::DelayWithMessages(int milliseconds) {
  if (milliseconds <= 0)
    return true;
  return RunNestedLoop(milliseconds, nullptr) != TLoopEnd::Quit;
}

void TWindowHost::WaitForBytes(size_t count, int timeoutMs) {
  AwaitBytes(count, timeoutMs);
}

bool TWindowHost::AwaitBytes(size_t count, int timeoutMs) {
  TReception &reception = m_bridge.Reception();
  const auto arrived = [&] { return reception.ReceivedSize() >= count; };
  if (arrived())
    return true;
  if (timeoutMs <= 0)
    return false;
  return RunNestedLoop(timeoutMs, arrived) == TLoopEnd::Done;
}

void TWindowHost::BeginProgress(int count) {
  m_working.Begin(count);
  m_working.show();
  m_working.raise();
  m_controls->setEnabled(false);
  m_context.SetCanClose(false);
  m_inProgress = true;
}

void TWindowHost::StepProgress() {
  m_working.Step();
}

bool TWindowHost::ProgressCancelled() {
  return m_inProgress && !m_working.isVisible();
}

void TWindowHost::EndProgress() {
  // The run's own report may say nothing of a stop; the user learns how far it got.
  if (ProgressCancelled() && m_working.Done() < m_working.Count())
    m_context.ReportDone(WorkingCancelledText(m_working.Count(), m_working.Done()));
  m_working.hide();
  m_controls->setEnabled(true);
  m_context.SetCanClose(true);
  m_inProgress = false;
}

void TWindowHost::WaitingForQuiet(bool waiting) {
  if (waiting)
    m_context.ReportDone(QStringLiteral("Waiting for the synthesizer to finish sending..."));
}

void TWindowHost::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_busy;
  } else if (m_busy > 0) {
    QApplication::restoreOverrideCursor();
    --m_busy;
  }
}

} // namespace zpm
