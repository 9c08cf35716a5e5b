// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the modal dialogs an action brings up, for the page tests.

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace zpm {

// Runs action; each modal dialog it brings up is handed to answer, which
// must close it. Returns the texts of the message boxes among them.
inline QStringList AnswerModals(const std::function<void()> &action,
                                const std::function<void(QWidget *)> &answer = nullptr) {
  QStringList texts;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      texts << box->text();
      box->done(QMessageBox::Ok);
    } else if (modal && answer) {
      answer(modal);
    }
  });
  timer.start();
  action();
  timer.stop();
  return texts;
}

} // namespace zpm
