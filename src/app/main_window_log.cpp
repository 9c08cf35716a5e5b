// SPDX-License-Identifier: GPL-3.0-or-later
// The log window beside the main window: shown and hidden from the caption
// button or the Config page, and kept below the main window as it moves.
#include "app/main_window.h"

#include "app/config_page.h"
#include "app/log_window.h"
#include "app/sid/sid_page.h"
#include "app/window_fit.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QToolButton>

namespace zpm {

void TfrmMain::ShowLogWindow(bool show) {
  if (!m_logWindow)
    return;
  if (show) {
    const bool first = !m_logWindow->testAttribute(Qt::WA_WState_Created);
    m_logWindow->setAttribute(Qt::WA_ShowWithoutActivating);
    m_logWindow->show();
    // Its frame is known only once it is shown.
    PlaceLogWindow(first);
  } else {
    m_logWindow->hide();
  }
}

void TfrmMain::cbLogClick() {
  CaptionButton->setChecked(m_config->cbLog->isChecked());
  ShowLogWindow(m_config->cbLog->isChecked());
}

void TfrmMain::CaptionButtonClick() {
  m_config->cbLog->setChecked(CaptionButton->isChecked());
  ShowLogWindow(m_config->cbLog->isChecked());
}

// The log window's close box: the button and the check box follow.
void TfrmMain::LogFormHide() {
  CaptionButton->setChecked(false);
  m_config->cbLog->setChecked(false);
}

void TfrmMain::PlaceLogWindow(bool resize) {
  if (!m_logWindow)
    return;
  const QRect frame = frameGeometry();
  QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
  const QSize extra = m_logWindow->frameGeometry().size() - m_logWindow->size();
  const QRect place = shown ? FitLogWindow(frame, extra, shown->availableGeometry())
                            : QRect(frame.bottomLeft() + QPoint(0, 1),
                                    QSize(frame.width() - extra.width(), kLogHeight));
  // The user's own height stays while it fits.
  const bool sameSide = place.top() > frame.bottom();
  if (resize || !sameSide || m_logWindow->height() > place.height())
    m_logWindow->resize(place.size());
  m_logWindow->move(place.topLeft());
}

void TfrmMain::FormShow() {
  PlaceLogWindow(true);
  {
    const QSignalBlocker blocker(m_config->cbLog);
    m_config->cbLog->setChecked(m_showLog);
  }
  cbLogClick();
}

void TfrmMain::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!m_shown && !event->spontaneous()) {
    m_shown = true;
    FormShow();
    // The window's frame is known only once the window system has shown it.
    QMetaObject::invokeMethod(
        this, [this] { PlaceLogWindow(false); }, Qt::QueuedConnection);
  }
}

void TfrmMain::moveEvent(QMoveEvent *event) {
  QWidget::moveEvent(event);
  if (m_shown)
    PlaceLogWindow(false);
}

void TfrmMain::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  // Coming back to the window fits the visible list's name column again.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_sidPage)
    m_sidPage->ReapplyListWidth();
}

} // namespace zpm
