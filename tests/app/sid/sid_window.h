#pragma once
// The SID page inside the program's real windows over the built-in
// simulator: pauses of 1 ms, and the boxes and dialogs of an action answered
// as a user would, each box checked for the program's title.

#include "app/app_fixture.h"
#include "app/main_window.h"
#include "app/sid/sid_page.h"

#include <QMessageBox>
#include <QTableView>

#include <deque>
#include <sstream>

namespace zpm {

// The boxes that came up while an action ran, by kind.
struct TBoxes {
  QStringList questions; // Yes/No, answered from TSidWindowTest::answers
  QStringList notices;   // information, closed with OK
  QStringList errors;    // errors and warnings, closed with OK
};

inline TPatch NamedPatch(const char *name, uint8_t bank, uint8_t number, uint8_t device = 0) {
  TPatch patch;
  for (size_t i = 0; name[i] != 0 && i < kNameSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.SetDeviceNumber(device);
  patch.UpdateChecksum();
  return patch;
}

inline QStringList Row(QTableView *list, int row) {
  QStringList texts;
  for (int column = 0; column < 3; ++column)
    texts << list->model()->index(row, column).data().toString();
  return texts;
}

// As Ctrl+clicks pick them.
inline void SelectRows(QTableView *list, std::initializer_list<int> rows) {
  list->clearSelection();
  for (int row : rows)
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

class TSidWindowTest : public TAppFixture {
public:
  void StartSid(const TSimOptions &sim = TSimOptions{}) {
    Stop();
    Start(/*simulator=*/true, sim);
    Find<QSpinBox>("seDelay")->setValue(1); // the pause after each SysEx block
    Main().show();
  }
  TSidPage &Page() { return *Find<TSidPage>("SidPage"); }
  QTableView *GetList() { return Find<QTableView>("lvSysExPatchList"); }
  QTableView *FileList() { return Find<QTableView>("lvFilePatchList"); }

  // Runs action. Every turn of the event loop first waits until the
  // simulator has handed on its answers so far; a pause's first turn comes
  // before its own timer ends it, so a Bank Select's answer is in before even
  // a 1 ms pause is over, however slow the machine. Then turn sees the modal
  // dialog that is up (or nullptr); a file dialog it leaves up gets the next
  // of files, a box is answered and recorded.
  TBoxes Run(const std::function<void()> &action,
             const std::function<void(QWidget *)> &turn = nullptr) {
    TBoxes boxes;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      Simulator().WaitIdle();
      QWidget *modal = QApplication::activeModalWidget();
      if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        EXPECT_EQ(box->windowTitle().toStdString(), "Zavorin Patch Manager")
            << box->text().toStdString();
        if (box->text().endsWith("Do you want to create it?")) {
          box->button(QMessageBox::Yes)->click();
        } else if (QAbstractButton *yes = box->button(QMessageBox::Yes)) {
          boxes.questions << box->text();
          const bool answer = !answers.empty() && answers.front();
          if (!answers.empty())
            answers.pop_front();
          (answer ? yes : box->button(QMessageBox::No))->click();
        } else {
          (box->icon() == QMessageBox::Information ? boxes.notices : boxes.errors) << box->text();
          box->done(QMessageBox::Ok);
        }
        return;
      }
      if (turn)
        turn(modal);
      if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && dialog->isVisible()) {
        ++files.dialogs;
        const QString path = files.paths.isEmpty() ? QString() : files.paths.takeFirst();
        if (path.isEmpty()) {
          dialog->reject();
          return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
      }
    });
    timer.start();
    action();
    timer.stop();
    return boxes;
  }
  TBoxes Click(const char *button, const std::function<void(QWidget *)> &turn = nullptr) {
    return Run([&] { Find<QPushButton>(button)->click(); }, turn);
  }

  // The messages the log shows as sent, oldest first; its lines read
  // "[HH:NN:SS.ZZZ] OUT: <Bytes> n <SysEx> f0 00 ...".
  std::vector<Bytes> Sent() {
    Simulator().WaitIdle();
    std::vector<Bytes> messages;
    TEventLog &log = Main().Log();
    for (size_t i = 0; i < log.Count(); ++i) {
      const std::string line = log.LineFromOldest(i);
      const size_t data = line.find(" <SysEx> ");
      if (line.find("] OUT: <Bytes> ") == std::string::npos || data == std::string::npos)
        continue;
      std::istringstream bytes(line.substr(data + 9));
      Bytes message;
      unsigned value = 0;
      while (bytes >> std::hex >> value)
        message.push_back(static_cast<uint8_t>(value));
      messages.push_back(message);
    }
    return messages;
  }
  // The simulated devices, once every answer is out.
  TSimSynth &Synth() {
    Simulator().WaitIdle();
    return Simulator().Synth();
  }

  std::deque<bool> answers; // Yes/No questions, in order; No once none are left
  TFileAnswers files;
};

} // namespace zpm
