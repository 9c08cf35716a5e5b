// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A page of the real main window over the built-in simulator: the pauses
// of the Config page set short, and every dialog an action brings up
// answered as a user would, with what the user was told and asked.

#include "app/app_fixture.h"
#include "app/main_window.h"
#include "patch/patch.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringList>

#include <memory>

namespace zpm {

// What the user does in the dialogs of one action, and what came up.
struct TDialogs {
  QStringList paths; // picked in the file dialogs, in order; empty or none left: cancelled
  bool yes = true;   // the answer to every question
  // Any other dialog but the waits, which it must close.
  std::function<void(QWidget *)> other;
  // Run on every turn of the event loop while the action goes on.
  std::function<void()> each;
  // A wait for an answer that the simulator, idle, will never send is
  // cancelled with the wait dialog's "&Cancel".
  bool cancelSilentWaits = false;

  QStringList told;  // the boxes that only tell something
  QStringList asked; // the questions
  int fileDialogs = 0;
  int cancelledWaits = 0;
};

class TPageFixture : public TAppFixture {
protected:
  // sidPause: the Bank Select pause; fmTimeout: the FM acknowledgement
  // timeout. The simulator thinks 2 ms before it answers.
  void StartPages(const TSimOptions &sim = TSimOptions{}, int sidPause = 50, int fmTimeout = 1500) {
    Start(/*simulator=*/true, sim);
    Config().seDelay->setValue(sidPause);
    Config().seFMDelay->setValue(fmTimeout);
    Main().show();
  }

  template <typename Page> Page *ShowPage(const char *name) {
    auto *page = Find<Page>(name);
    Find<QStackedWidget>("pgPages")->setCurrentWidget(page);
    QApplication::processEvents();
    return page;
  }

  // Runs action, answering its dialogs from dialogs. Every message box must
  // carry the program's title.
  void Run(const std::function<void()> &action, TDialogs &dialogs) {
    auto running = std::make_shared<bool>(true);
    Tick(running, dialogs);
    action();
    *running = false;
  }
  // Clicks a button; the texts of the boxes that told something.
  QStringList Click(const char *button) {
    TDialogs dialogs;
    return Click(button, dialogs);
  }
  QStringList Click(const char *button, TDialogs &dialogs) {
    Run([&] { Find<QAbstractButton>(button)->click(); }, dialogs);
    return dialogs.told;
  }

  // What went out to the device, a message a line as the log shows it
  // ("<Bytes> 9 <SysEx> f0 00 00 7e ...").
  QStringList Sent() {
    QStringList sent;
    for (size_t i = 0; i < Main().Log().Count(); ++i) {
      const QString line = QString::fromStdString(Main().Log().LineFromOldest(i));
      const qsizetype at = line.indexOf("] OUT: ");
      if (at >= 0)
        sent << line.mid(at + 7).trimmed();
    }
    return sent;
  }

private:
  // Looks at the modal dialog on every turn of the event loop, nested loops
  // of a dialog being answered included.
  void Tick(const std::shared_ptr<bool> &running, TDialogs &dialogs) {
    QTimer::singleShot(0, qApp, [this, running, &dialogs] {
      if (!*running)
        return;
      Tick(running, dialogs);
      if (dialogs.each)
        dialogs.each();
      Answer(QApplication::activeModalWidget(), dialogs);
    });
  }

  void Answer(QWidget *modal, TDialogs &dialogs) {
    if (modal == app->wait && dialogs.cancelSilentWaits) {
      // Everything the simulator will answer has been handed on once it is idle.
      Simulator().WaitIdle();
      if (!Main().Reception().HasEnded()) {
        ++dialogs.cancelledWaits;
        app->wait->findChild<QAbstractButton *>("btnCancel")->click();
      }
      return;
    }
    if (!modal || modal == app->wait || modal == app->working)
      return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      EXPECT_EQ(box->windowTitle(), "Zavorin Patch Manager") << box->text().toStdString();
      if (box->text().endsWith("Do you want to create it?")) {
        box->button(QMessageBox::Yes)->click();
      } else if (box->button(QMessageBox::Yes)) {
        dialogs.asked << box->text();
        box->button(dialogs.yes ? QMessageBox::Yes : QMessageBox::No)->click();
      } else {
        dialogs.told << box->text();
        box->done(QMessageBox::Ok);
      }
    } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
      ++dialogs.fileDialogs;
      const QString path = dialogs.paths.isEmpty() ? QString() : dialogs.paths.takeFirst();
      if (path.isEmpty()) {
        files->reject();
        return;
      }
      files->selectFile(path);
      static_cast<QDialog *>(files)->accept();
    } else if (dialogs.other) {
      dialogs.other(modal);
    }
  }
};

// The FM patches of a test: type, bank, number, with data of their own.
inline TFMPatch FmPatch(uint8_t type, int bank, int number, const Bytes &name = {}) {
  TFMPatch patch;
  patch.SetPatchType(type);
  patch.SetBank(static_cast<uint8_t>(bank));
  patch.SetPatchNumber(static_cast<uint8_t>(number));
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((i * 3 + number + bank * 5) & 0x7F);
  for (size_t i = 0; i < kNameSize; ++i)
    patch.Data()[i] = i < name.size() ? name[i] : 0;
  patch.UpdateChecksum();
  return patch;
}

} // namespace zpm
