// SPDX-License-Identifier: GPL-3.0-or-later
// The Library page in the real main window over the built-in simulator,
// each run with a library of its own in the test's temporary folder.

#include "app/library/history_compare.h"
#include "app/library/library_fixture.h"
#include "app/library/library_model.h"
#include "app/library/library_page.h"
#include "app/library/user_bank_panel.h"
#include "app/send_report_dialog.h"
#include "app/sid/sid_window.h"
#include "app/viewer/hex_view_form.h"
#include "fm/fm_file.h"
#include "library/library.h"
#include "library/library_files.h"
#include "library/library_records.h"
#include "sid/sid_file.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <set>

namespace zpm {
namespace {

TEST_F(TLibraryPageTest, ABankFetchIsInTheListAndInTheHistory) {
  FetchNamedBank();
  Search("Qx Alpha");
  ASSERT_EQ(List().model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, TLibraryModel::Name), "Qx Alpha");
  EXPECT_EQ(Cell(0, TLibraryModel::Kind), "SID");
  EXPECT_EQ(Cell(0, TLibraryModel::Seen), "1");
  auto *history = Find<QTableWidget>("lvHistory");
  ASSERT_EQ(history->rowCount(), 1);
  EXPECT_EQ(history->item(0, 1)->text(), "fetch");
  EXPECT_EQ(history->item(0, 2)->text(), "128");

  // Enter on a row opens the viewer on its patch.
  QString caption;
  WhenModal([&](QWidget *modal) {
    caption = modal->windowTitle();
    modal->close();
  });
  List().setFocus();
  List().setCurrentIndex(List().model()->index(0, TLibraryModel::Name));
  QTest::keyClick(&List(), Qt::Key_Return);
  EXPECT_EQ(caption, "Patch Hex View - 1 - Qx Alpha");
}

TEST_F(TLibraryPageTest, TheSearchAndTheKindNarrowTheList) {
  FetchNamedBank();
  Library();
  struct Case {
    const char *text;
    int kind; // index in the kind box
    int rows;
  };
  const Case cases[] = {
      {"qx ", 0, 3}, {"ALPH", 0, 2}, {"alphorn", 0, 1}, {"qx ", 2, 0}, {"qxz", 0, 0}};
  for (const Case &c : cases) {
    Find<QComboBox>("cbxLibraryKind")->setCurrentIndex(c.kind);
    Search(c.text);
    EXPECT_EQ(List().model()->rowCount(), c.rows) << c.text << " " << c.kind;
    EXPECT_EQ(Find<QLabel>("lbLibraryCount")->text(),
              c.rows == 0
                  ? QStringLiteral("No patch matches \"%1\".").arg(QLatin1String(c.text))
                  : QStringLiteral("%1 %2").arg(c.rows).arg(c.rows == 1 ? "patch" : "patches"));
  }
}

TEST_F(TLibraryPageTest, AFavouriteAndATagSurviveReopening) {
  FetchNamedBank();
  Library();
  Search("Qx Bravo");
  ASSERT_EQ(List().model()->rowCount(), 1);
  List().setFocus();
  List().setCurrentIndex(List().model()->index(0, TLibraryModel::Favourite));
  QTest::keyClick(&List(), Qt::Key_Space);
  const QModelIndex tags = List().model()->index(0, TLibraryModel::Tags);
  List().setCurrentIndex(tags);
  List().edit(tags);
  auto *editor = List().viewport()->findChild<QLineEdit *>();
  ASSERT_NE(editor, nullptr);
  editor->setText("warm, lead");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents(); // the editor commits once its Enter is through

  StartSid(); // the same library file, opened anew
  Library();
  Find<QCheckBox>("cbLibraryFavourites")->setChecked(true);
  ASSERT_EQ(List().model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, TLibraryModel::Name), "Qx Bravo");
  const QStringList shown = Cell(0, TLibraryModel::Tags).split(", ");
  EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()), (std::set<QString>{"lead", "warm"}));
  auto *tag = Find<QComboBox>("cbxLibraryTag");
  tag->setCurrentIndex(tag->findText("warm"));
  Find<QCheckBox>("cbLibraryFavourites")->setChecked(false);
  EXPECT_EQ(List().model()->rowCount(), 1);
}

TEST_F(TLibraryPageTest, ALibraryThatCannotBeOpenedStopsNothingElse) {
  QFile junk(LibraryPath());
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write(QByteArray(4096, 'x'));
  junk.close();
  StartSid();
  EXPECT_EQ(Main().Library(), nullptr);
  Library();
  auto *problem = Find<QLabel>("lbLibraryProblem");
  EXPECT_TRUE(problem->isVisible());
  EXPECT_TRUE(problem->text().contains(LibraryPath())) << problem->text().toStdString();
  EXPECT_TRUE(Press("btnGetSingleBank").told.isEmpty());
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
  QFile kept(LibraryPath());
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray(4096, 'x'));
}

TEST_F(TLibraryPageTest, AUserBankFilledByAddToBankSavesItsPatchesAtTheirSlots) {
  FetchNamedBank();
  Library();
  TDialogs newBank = Other([](QWidget *modal) {
    modal->findChild<QLineEdit *>("edNewBankName")->setText("Set");
    modal->findChild<QComboBox *>("cbxNewBankKind")->setCurrentIndex(0);
    static_cast<QDialog *>(modal)->accept();
  });
  Click("btnNewBank", newBank);
  auto *bankSlots = Find<QListWidget>("lvUserBank");
  ASSERT_EQ(bankSlots->count(), 128);
  Search("qx ");
  ASSERT_EQ(List().model()->rowCount(), 3); // Qx Alpha, Qx Alphorn, Qx Bravo
  SelectRows(&List(), {0, 2});
  EXPECT_TRUE(Click("btnAddToBank").isEmpty());
  // Slot 1 emptied; the next patch added takes it.
  bankSlots->setCurrentRow(0);
  bankSlots->setFocus();
  QTest::keyClick(bankSlots, Qt::Key_Delete);
  SelectRows(&List(), {1});
  Click("btnAddToBank");

  QTemporaryDir dir;
  const QString path = dir.filePath("set.syx");
  TDialogs save = Picking({path});
  EXPECT_TRUE(Click("btnSaveBank", save).isEmpty());
  const TPatchBank saved = SavedSid(path);
  ASSERT_EQ(saved.Count(), 2);
  const std::pair<int, const char *> expected[] = {{0, "Qx Alphorn"}, {1, "Qx Bravo"}};
  for (int i = 0; i < 2; ++i) {
    const TPatch &patch = saved.GetPatch(i);
    EXPECT_EQ(patch.Bank, 0);
    EXPECT_EQ(patch.PatchNumber(), expected[i].first);
    EXPECT_EQ(Bytes(patch.Data(), patch.Data() + kDataSize), NamedData(expected[i].second));
  }
}

TEST_F(TLibraryPageTest, AFileFromTheDesktopGoesToThePageOfItsKindAndIntoTheLibrary) {
  TPatchBank sid;
  sid.Add(NamedPatch("Qx Desk Sid", 1, 4));
  TFMPatchBank fm;
  fm.Add(FmPatch(kFmVoice, 2, 7, {'Q', 'x', ' ', 'D', 'e', 's', 'k', ' ', 'F', 'm'}));
  struct Case {
    Bytes bytes;
    const char *page;
    const char *name;
    const char *kind;
  };
  const Case cases[] = {{SidFileBytes(sid), "SidPage", "Qx Desk Sid", "SID"},
                        {FmBankFile(fm), "FmPage", "Qx Desk Fm", "FM voice"}};
  StartSid();
  QTemporaryDir dir;
  for (const Case &c : cases) {
    const QString path = dir.filePath(QString::fromLatin1(c.page) + ".syx");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(c.bytes.data()), static_cast<qint64>(c.bytes.size()));
    file.close();
    Main().OpenFile(path);
    EXPECT_EQ(Find<QStackedWidget>("pgPages")->currentWidget()->objectName(), c.page);
    Library();
    Search(c.name);
    ASSERT_EQ(List().model()->rowCount(), 1) << c.name;
    EXPECT_EQ(Cell(0, TLibraryModel::Kind), c.kind);
  }
}

TEST_F(TLibraryPageTest, RestoringAnEarlierSnapshotPutsTheBankBackVerified) {
  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  FetchNamedBank();
  std::vector<Bytes> before;
  for (uint8_t n = 0; n < 128; ++n)
    before.push_back(Synth().SidPatchData(0, n));
  Synth().SetSidPatchData(0, 0, NamedData("Qx Changed"));
  Synth().SetSidPatchData(0, 5, NamedData("Qx Other"));
  Press("btnGetSingleBank");

  Library();
  auto *history = Find<QTableWidget>("lvHistory");
  Find<QComboBox>("cbxHistoryBank")->setCurrentIndex(0); // SID bank A
  ASSERT_EQ(history->rowCount(), 2);
  EXPECT_EQ(history->item(0, 3)->text(), "2"); // slots changed by the second fetch
  history->selectRow(1);
  QString summary;
  TDialogs restore = Other([&](QWidget *modal) {
    if (auto *report = qobject_cast<TfrmSendReport *>(modal)) {
      summary = report->findChild<QLabel *>("lbSummary")->text();
      report->findChild<QPushButton *>("btnClose")->click();
    }
  });
  EXPECT_EQ(Press("btnHistoryRestore", restore).asked.size(), 1);
  EXPECT_EQ(summary, "128 slots: 128 verified.");
  for (uint8_t n = 0; n < 128; ++n)
    EXPECT_EQ(Synth().SidPatchData(0, n), before[n]) << int(n);
  ASSERT_EQ(history->rowCount(), 3);
  // Listed as what it was, with the two slots it put back.
  EXPECT_EQ(history->item(0, 1)->text(), "restore");
  EXPECT_EQ(history->item(0, 3)->text(), "2");
  QDir(backups).removeRecursively();
  QStandardPaths::setTestModeEnabled(false);
}

// What a screen reader finds on the page: a name for every control and for
// every column, and the rows of the lists read cell by cell.
TEST_F(TLibraryPageTest, ScreenReadersNameEveryControlAndReadTheRows) {
  FetchNamedBank();
  NewUserBank();
  Search("qx ");
  SelectRows(&List(), {1});
  Click("btnAddToBank");

  QStringList unnamed;
  for (QWidget *widget : Library().findChildren<QWidget *>()) {
    const bool control = qobject_cast<QAbstractButton *>(widget) ||
                         qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget) ||
                         qobject_cast<QAbstractItemView *>(widget) ||
                         qobject_cast<QTabBar *>(widget);
    if (!control || qobject_cast<QAbstractItemView *>(widget->parentWidget()) ||
        qobject_cast<QComboBox *>(widget->parentWidget()))
      continue;
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(face, nullptr);
    if (face->text(QAccessible::Name).trimmed().isEmpty())
      unnamed << widget->objectName() + " " + widget->metaObject()->className();
    for (int i = 0; i < face->childCount(); ++i) {
      QAccessibleInterface *part = face->child(i);
      if ((part->role() == QAccessible::PageTab || part->role() == QAccessible::ColumnHeader) &&
          part->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << widget->objectName() + " part " + QString::number(i);
    }
  }
  EXPECT_EQ(unnamed.join(", ").toStdString(), "");
  // Words, not the star the column shows.
  QStringList headers;
  QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&List());
  for (int i = 0; i < list->childCount(); ++i)
    if (list->child(i)->role() == QAccessible::ColumnHeader)
      headers << list->child(i)->text(QAccessible::Name);
  EXPECT_EQ(headers.join(", ").toStdString(),
            "Name, Kind, Tags, Favourite, First seen, Last seen, Times seen, Note");

  struct Case {
    QAbstractItemView *view;
    int row, column;
    const char *text;
  };
  const Case cases[] = {
      {&List(), 0, TLibraryModel::Name, "Qx Alpha"},
      {&List(), 2, TLibraryModel::Name, "Qx Bravo"},
      {&List(), 1, TLibraryModel::Kind, "SID"},
      {&List(), 1, TLibraryModel::Favourite, "not a favourite"},
      {Find<QListWidget>("lvUserBank"), 0, 0, "  1  Qx Alphorn"},
      {Find<QListWidget>("lvUserBank"), 1, 0, "  2  (empty)"},
      {Find<QTableWidget>("lvHistory"), 0, 1, "fetch"},
  };
  for (const Case &c : cases) {
    QAccessibleTableInterface *table =
        QAccessible::queryAccessibleInterface(c.view)->tableInterface();
    ASSERT_NE(table, nullptr) << c.view->objectName().toStdString();
    EXPECT_EQ(table->rowCount(), c.view->model()->rowCount());
    QAccessibleInterface *cell = table->cellAt(c.row, c.column);
    ASSERT_NE(cell, nullptr) << c.text;
    EXPECT_EQ(cell->text(QAccessible::Name), c.text);
  }
}

TEST_F(TLibraryPageTest, PatchesDraggedOntoSlotsAreSavedAtThoseSlots) {
  FetchNamedBank();
  Library();
  QListWidget *bankSlots = NewUserBank();
  Search("qx ");
  ASSERT_EQ(List().model()->rowCount(), 3); // Qx Alpha, Qx Alphorn, Qx Bravo
  // Each drop as the list's drag carries it, onto the slot under the pointer.
  const std::pair<std::vector<int>, int> drops[] = {{{0, 2}, 9}, {{1}, 99}};
  for (const auto &[rows, slot] : drops) {
    SelectRows(&List(), rows);
    std::unique_ptr<QMimeData> data(
        List().model()->mimeData(List().selectionModel()->selectedIndexes()));
    bankSlots->scrollToItem(bankSlots->item(slot));
    const QPoint at = bankSlots->visualItemRect(bankSlots->item(slot)).center();
    // Qt hands a drop only to the widget that accepted the drag's entering.
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bankSlots->viewport(), &enter);
    QDropEvent drop(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bankSlots->viewport(), &drop);
    ASSERT_TRUE(drop.isAccepted());
  }

  QTemporaryDir dir;
  const QString path = dir.filePath("dragged.syx");
  TDialogs save = Picking({path});
  EXPECT_TRUE(Click("btnSaveBank", save).isEmpty());
  const TPatchBank saved = SavedSid(path);
  const std::pair<int, const char *> expected[] = {
      {9, "Qx Alpha"}, {10, "Qx Bravo"}, {99, "Qx Alphorn"}};
  ASSERT_EQ(saved.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TPatch &patch = saved.GetPatch(i);
    EXPECT_EQ(patch.PatchNumber(), expected[i].first);
    EXPECT_EQ(Bytes(patch.Data(), patch.Data() + kDataSize), NamedData(expected[i].second));
  }
}

TEST_F(TLibraryPageTest, ImportingAFolderTellsWhatWasNewKnownAndRefused) {
  FetchNamedBank();
  Library();
  TPatchBank bank; // one patch the fetch brought, one new
  for (const char *name : {"Qx Alpha", "Qx Imported"}) {
    TPatch patch;
    const Bytes data = NamedData(name);
    std::copy(data.begin(), data.end(), patch.Data());
    patch.SetPatchNumber(static_cast<uint8_t>(bank.Count()));
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  QTemporaryDir dir;
  const Bytes good = SidFileBytes(bank);
  WriteFile(dir.filePath("good.syx"), QByteArray(reinterpret_cast<const char *>(good.data()),
                                                 static_cast<qsizetype>(good.size())));
  WriteFile(dir.filePath("refused.syx"), QByteArray(300, 'x'));

  TDialogs folder = Picking({dir.path()});
  const QStringList told = Click("btnImportFolder", folder);
  ASSERT_EQ(told.size(), 1);
  EXPECT_EQ(told[0].section('\n', 0, 0),
            "2 files read: 1 patch new, 1 already in the library; 1 file refused.");
  Search("qx imported");
  EXPECT_EQ(List().model()->rowCount(), 1);
}

// Two snapshots of bank A recorded apart, the newer with two slots changed;
// the older one matches the synthesizer. Either way of comparing finds those
// two slots, and Enter on one shows the two patches side by side.
TEST_F(TLibraryPageTest, CompareListsTheSlotsThatDiffer) {
  StartSid();
  TPatchBank older, newer;
  for (uint8_t n = 0; n < 128; ++n) {
    TPatch patch;
    const Bytes data = Synth().SidPatchData(0, n);
    std::copy(data.begin(), data.end(), patch.Data());
    patch.SetPatchNumber(n);
    patch.UpdateChecksum();
    older.Add(patch);
    if (n == 3 || n == 70) {
      const Bytes changed = NamedData(n == 3 ? "Qx Four" : "Qx Seventy-one");
      std::copy(changed.begin(), changed.end(), patch.Data());
      patch.UpdateChecksum();
    }
    newer.Add(patch);
  }
  int64_t time = NowMs() - 60000;
  for (const TPatchBank *bank : {&older, &newer}) {
    TSnapshotRecord record = SidFetchRecord(*bank, 0);
    record.time = time += 1000;
    Main().Library()->RecordSnapshot(record);
  }
  Library().Reload();
  auto *history = Find<QTableWidget>("lvHistory");
  Find<QComboBox>("cbxHistoryBank")->setCurrentIndex(0); // SID bank A
  ASSERT_EQ(history->rowCount(), 2);

  struct Case {
    std::vector<int> rows; // newest first; one row: with the bank now
    QStringList expected;  // slot, name in A, name in B
  };
  const auto nameAt = [&](int n) {
    const char *name = reinterpret_cast<const char *>(older.GetPatch(n).Data());
    return QString::fromLatin1(name, static_cast<qsizetype>(strnlen(name, kNameSize))).trimmed();
  };
  const QString at4 = nameAt(3), at71 = nameAt(70);
  const Case cases[] = {
      {{0, 1}, {"A:4", at4, "Qx Four", "A:71", at71, "Qx Seventy-one"}},
      {{0}, {"A:4", "Qx Four", at4, "A:71", "Qx Seventy-one", at71}},
  };
  for (const Case &c : cases) {
    SelectRows(history, c.rows);
    QStringList listed;
    bool viewerCompared = false;
    const std::function<void(QWidget *)> answer = [&](QWidget *modal) {
      if (auto *viewer = qobject_cast<TfrmHexView *>(modal)) {
        viewerCompared = viewer->Comparing() && !viewer->MarkedRows().empty();
        viewer->close();
        return;
      }
      auto *dialog = qobject_cast<TfrmSlotCompare *>(modal);
      if (!dialog)
        return;
      QTableWidget *list = dialog->List();
      for (int row = 0; row < list->rowCount(); ++row)
        for (int column = 0; column < 3; ++column)
          listed << list->item(row, column)->text().trimmed();
      list->setFocus();
      list->setCurrentCell(0, 0);
      QTest::keyClick(list, Qt::Key_Return);
      dialog->reject();
    };
    TDialogs compare = Other(answer);
    EXPECT_TRUE(Press("btnHistoryCompare", compare).told.isEmpty());
    EXPECT_EQ(listed, c.expected);
    EXPECT_TRUE(viewerCompared);
    history = Find<QTableWidget>("lvHistory"); // a fetch now adds a row
  }
}

// Patches dragged from the pages' lists onto a user bank's slots, with the
// library not keeping what the pages bring: the SID ones are stored and land
// from the slot under the pointer on, shown there while the drag is over it,
// and the status line tells what they replaced; an FM voice is refused while
// it is dragged.
TEST_F(TLibraryPageTest, PatchesDraggedFromThePagesLandFromTheSlotDroppedOn) {
  StartSid();
  Config().cbKeepInLibrary->setChecked(false);
  FetchNamedBank();
  TFMPatchBank fm;
  fm.Add(FmPatch(kFmVoice, 0, 0, {'Q', 'x', ' ', 'F', 'm'}));
  const Bytes fmFile = FmBankFile(fm);
  QTemporaryDir dir;
  WriteFile(dir.filePath("fm.syx"), QByteArray(reinterpret_cast<const char *>(fmFile.data()),
                                               static_cast<qsizetype>(fmFile.size())));
  Main().OpenFile(dir.filePath("fm.syx"));
  Library();
  auto *bankSlots = static_cast<TUserBankSlots *>(NewUserBank());

  struct Case {
    const char *list;
    std::vector<int> rows;
    int slot;
    bool accepted; // another kind is refused while it is dragged
    const char *status;
  };
  const Case cases[] = {
      {"lvSysExPatchList", {0, 2}, 5, true, "2 patches put in slots 6 to 7."},
      {"lvFMVoicesSend", {0}, 9, false, ""},
      {"lvSysExPatchList", {1}, 5, true, "1 patch put in slot 6; it replaced slot 6 \"Qx Alpha\"."},
  };
  for (const Case &c : cases) {
    auto *list = Find<QTableView>(c.list);
    SelectRows(list, c.rows);
    std::unique_ptr<QMimeData> data(
        list->model()->mimeData(list->selectionModel()->selectedIndexes()));
    ASSERT_NE(data, nullptr) << c.list;
    bankSlots->scrollToItem(bankSlots->item(c.slot));
    const QPoint at = bankSlots->visualItemRect(bankSlots->item(c.slot)).center();
    const Qt::DropActions actions = Qt::CopyAction;
    QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bankSlots->viewport(), &enter);
    EXPECT_EQ(enter.isAccepted(), c.accepted) << c.list;
    QDragMoveEvent move(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bankSlots->viewport(), &move);
    EXPECT_EQ(move.isAccepted(), c.accepted) << c.list;
    EXPECT_EQ(bankSlots->Landing(), c.accepted
                                        ? std::make_pair(c.slot, static_cast<int>(c.rows.size()))
                                        : std::make_pair(0, 0));
    Main().findChild<QStatusBar *>()->clearMessage();
    QDropEvent drop(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bankSlots->viewport(), &drop);
    EXPECT_EQ(drop.isAccepted(), c.accepted) << c.list;
    EXPECT_EQ(bankSlots->Landing(), std::make_pair(0, 0));
    EXPECT_EQ(Main().findChild<QStatusBar *>()->currentMessage(), c.status);
  }

  const QString path = dir.filePath("dragged.syx");
  TDialogs save = Picking({path});
  EXPECT_TRUE(Click("btnSaveBank", save).isEmpty());
  const TPatchBank saved = SavedSid(path);
  const std::pair<int, const char *> expected[] = {{5, "Qx Alphorn"}, {6, "Qx Bravo"}};
  ASSERT_EQ(saved.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(saved.GetPatch(i).PatchNumber(), expected[i].first);
    EXPECT_EQ(Bytes(saved.GetPatch(i).Data(), saved.GetPatch(i).Data() + kDataSize),
              NamedData(expected[i].second));
  }
}

} // namespace
} // namespace zpm
