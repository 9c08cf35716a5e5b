// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SID page inside the program's real windows over the built-in
// simulator, its pause after each SysEx block 1 ms.

#include "app/page_fixture.h"
#include "app/sid/sid_page.h"

#include <QTableView>

namespace zpm {

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
inline void SelectRows(QTableView *list, const std::vector<int> &rows) {
  list->clearSelection();
  for (int row : rows)
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// The user's part in one action.
inline TDialogs Answering(bool yes) {
  TDialogs dialogs;
  dialogs.yes = yes;
  return dialogs;
}
inline TDialogs Picking(const QStringList &paths) {
  TDialogs dialogs;
  dialogs.paths = paths;
  return dialogs;
}
inline TDialogs EachTurn(const std::function<void()> &each) {
  TDialogs dialogs;
  dialogs.each = each;
  return dialogs;
}
inline TDialogs Other(const std::function<void(QWidget *)> &other) {
  TDialogs dialogs;
  dialogs.other = other;
  return dialogs;
}

class TSidWindowTest : public TPageFixture {
public:
  void StartSid(const TSimOptions &sim = TSimOptions{}) {
    Stop();
    StartPages(sim, /*sidPause=*/1);
  }
  TSidPage &Page() { return *Find<TSidPage>("SidPage"); }
  QTableView *GetList() { return Find<QTableView>("lvSysExPatchList"); }
  QTableView *FileList() { return Find<QTableView>("lvFilePatchList"); }

  // Clicks button, answering its dialogs from dialogs; what came up. Every
  // turn of the event loop first waits until the simulator has handed on
  // its answers so far; a pause's first turn comes before its own timer
  // ends it, so a Bank Select's answer is in before even a 1 ms pause is
  // over, however slow the machine.
  TDialogs Press(const char *button, TDialogs dialogs = TDialogs{}) {
    const std::function<void()> each = dialogs.each;
    dialogs.each = [this, each] {
      Simulator().WaitIdle();
      if (each)
        each();
    };
    Click(button, dialogs);
    return dialogs;
  }

  // The simulated devices, once every answer is out.
  TSimSynth &Synth() {
    Simulator().WaitIdle();
    return Simulator().Synth();
  }
};

} // namespace zpm
