// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mnemonic_arbiter.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcutEvent>
#include <QTabBar>
#include <QWidget>

namespace zpm {

TMnemonicArbiter::TMnemonicArbiter(QWidget *page) : QObject(page), m_page(page) {
  for (QAbstractButton *button : page->findChildren<QAbstractButton *>())
    button->installEventFilter(this);
  for (QTabBar *bar : page->findChildren<QTabBar *>())
    bar->installEventFilter(this);
}

bool TMnemonicArbiter::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::Shortcut)
    return QObject::eventFilter(watched, event);
  const auto *shortcut = static_cast<QShortcutEvent *>(event);
  if (!shortcut->isAmbiguous())
    return false;
  // Only the visible tab's buttons are visible: the hidden tab's never
  // take part in the press.
  for (QAbstractButton *button : m_page->findChildren<QAbstractButton *>()) {
    if (!button->isVisible() || !button->isEnabled() ||
        QKeySequence::mnemonic(button->text()) != shortcut->key())
      continue;
    if (button->focusPolicy() != Qt::NoFocus)
      button->setFocus(Qt::ShortcutFocusReason);
    button->animateClick();
    return true;
  }
  return false;
}

} // namespace zpm
