// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library window opened from the real main window over the built-in
// simulator, each run with a library of its own in the test's temporary
// folder.

#include "app/library/library_page.h"
#include "app/sid/sid_window.h"
#include "sid/sid_file.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>

namespace zpm {

inline Bytes NamedData(const char *name) {
  Bytes data(kDataSize, 0);
  for (size_t i = 0; name[i] != 0 && i < kNameSize; ++i)
    data[i] = static_cast<uint8_t>(name[i]);
  data[100] = static_cast<uint8_t>(name[0]);
  return data;
}

class TLibraryPageTest : public TSidWindowTest {
protected:
  // Bank A of the simulator with three patches of known names, fetched.
  void FetchNamedBank() {
    StartSid();
    Synth().SetSidPatchData(0, 0, NamedData("Qx Alpha"));
    Synth().SetSidPatchData(0, 1, NamedData("Qx Alphorn"));
    Synth().SetSidPatchData(0, 2, NamedData("Qx Bravo"));
    Press("btnGetSingleBank");
  }
  TLibraryPage &Library() {
    Main().ShowLibrary();
    QApplication::processEvents();
    return *Find<TLibraryPage>("LibraryPage");
  }
  QTableView &List() { return Library().List(); }
  void Search(const char *text) {
    Find<QLineEdit>("edLibrarySearch")->setText(QString::fromLatin1(text));
  }
  QString Cell(int row, int column) { return List().model()->index(row, column).data().toString(); }
  // A user bank of the kind's first entry, SID, made with "New bank...".
  QListWidget *NewUserBank() {
    const std::function<void(QWidget *)> accept = [](QWidget *modal) {
      static_cast<QDialog *>(modal)->accept();
    };
    TDialogs newBank = Other(accept);
    Click("btnNewBank", newBank);
    return Find<QListWidget>("lvUserBank");
  }
  static void WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  static TPatchBank SavedSid(const QString &path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    TPatchBank saved;
    LoadSidFile(Bytes(bytes.begin(), bytes.end()), "saved.syx", saved);
    return saved;
  }
};

} // namespace zpm
