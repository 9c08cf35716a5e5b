// SPDX-License-Identifier: GPL-3.0-or-later
// The library window's keyboard, its user bank's slots and its sends, with
// real widgets over the built-in simulator.

#include "app/library/history_compare.h"
#include "app/library/library_fixture.h"
#include "app/library/library_model.h"
#include "app/library/library_window.h"
#include "app/library/user_bank_panel.h"
#include "app/send_report_dialog.h"
#include "app/viewer/hex_view_form.h"
#include "library/library.h"
#include "library/library_records.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <map>

namespace zpm {
namespace {

class TLibraryWindowTest : public TLibraryPageTest {
protected:
  // A patch's name as the lists show it.
  static QString NameOf(const Bytes &data) {
    const char *name = reinterpret_cast<const char *>(data.data());
    return QString::fromLatin1(name, static_cast<qsizetype>(strnlen(name, kNameSize))).trimmed();
  }
  TUserBankPanel &Banks() { return Library().UserBanks(); }
  std::vector<int64_t> Slots() { return Main().Library()->UserBankSlots(Banks().CurrentBank()); }
  // Every slot of the bank as given, 0 for empty, the rest emptied.
  void SetSlots(const std::vector<int64_t> &wanted) {
    const int64_t bank = Banks().CurrentBank();
    for (size_t slot = 0; slot < 128; ++slot)
      Main().Library()->SetUserBankSlot(bank, static_cast<int>(slot),
                                        slot < wanted.size() ? wanted[slot] : 0);
    Banks().Reload();
  }
  // The library's patches, sorted by name.
  std::vector<int64_t> Patches(size_t count) {
    std::vector<int64_t> ids;
    for (const TPatchRow &row : Main().Library()->Search(TSearch{}))
      if (ids.size() < count)
        ids.push_back(row.id);
    return ids;
  }
  int64_t Named(const char *name) {
    TSearch search;
    search.text = name;
    const std::vector<TPatchRow> rows = Main().Library()->Search(search);
    EXPECT_EQ(rows.size(), 1u) << name;
    return rows.empty() ? 0 : rows.front().id;
  }
};

// Sixteen patches in slots 1 to 16, slot 5 empty. A move puts the patch on
// the slot dropped on and the patch there where it came from; nothing else
// moves.
TEST_F(TLibraryWindowTest, AMovedPatchLandsExactlyOnTheSlotDroppedOn) {
  FetchNamedBank();
  Library();
  NewUserBank();
  std::vector<int64_t> start = Patches(16);
  start[4] = 0;
  struct Case {
    const char *what;
    std::vector<int> from;
    int to;
    std::map<int, int> landed; // slot: the slot its patch came from
  };
  const Case cases[] = {
      {"slot 13 onto empty slot 5", {12}, 4, {{4, 12}, {12, 4}}},
      {"slot 1 onto occupied slot 3", {0}, 2, {{2, 0}, {0, 2}}},
      {"slot 3 onto slot 1", {2}, 0, {{0, 2}, {2, 0}}},
      {"slots 6 and 7 onto 10", {5, 6}, 9, {{9, 5}, {10, 6}, {5, 9}, {6, 10}}},
      {"slots 8 and 9 one down", {7, 8}, 8, {{8, 7}, {9, 8}, {7, 9}}},
      {"slots 1 and 2 past the end", {0, 1}, 127, {}},
  };
  for (const Case &c : cases) {
    SetSlots(start);
    Banks().MoveSlots(QList<int>(c.from.begin(), c.from.end()), c.to);
    std::vector<int64_t> expected = start;
    expected.resize(128, 0);
    for (const auto &[slot, came] : c.landed)
      expected[static_cast<size_t>(slot)] = start[static_cast<size_t>(came)];
    EXPECT_EQ(Slots(), expected) << c.what;
  }
}

// Tab and Shift+Tab leave every list; the slots take Delete, Ctrl+Up/Down
// and Enter.
TEST_F(TLibraryWindowTest, TheKeyboardLeavesTheListsAndWorksTheSlots) {
  FetchNamedBank();
  Library();
  QListWidget *bankSlots = NewUserBank();
  const std::vector<int64_t> start = {Named("Qx Alpha"), Named("Qx Bravo"), 0, Named("Qx Alphorn")};
  auto *history = Find<QTableWidget>("lvHistory");
  struct Case {
    const char *what;
    QAbstractItemView *view;
    int row;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<int64_t> after; // the bank after, when the key is for the slots
    QString caption;            // the viewer's, when it opens
  };
  const Case cases[] = {
      {"Tab from the patches", &List(), 0, Qt::Key_Tab, Qt::NoModifier, {}, {}},
      {"Shift+Tab from the patches", &List(), 1, Qt::Key_Backtab, Qt::ShiftModifier, {}, {}},
      {"Tab from the slots", bankSlots, 0, Qt::Key_Tab, Qt::NoModifier, {}, {}},
      {"Shift+Tab from the slots", bankSlots, 0, Qt::Key_Backtab, Qt::ShiftModifier, {}, {}},
      {"Tab from the history", history, 0, Qt::Key_Tab, Qt::NoModifier, {}, {}},
      {"Delete", bankSlots, 1, Qt::Key_Delete, Qt::NoModifier, {start[0], 0, 0, start[3]}, {}},
      {"Ctrl+Down",
       bankSlots,
       0,
       Qt::Key_Down,
       Qt::ControlModifier,
       {start[1], start[0], 0, start[3]},
       {}},
      {"Ctrl+Up",
       bankSlots,
       3,
       Qt::Key_Up,
       Qt::ControlModifier,
       {start[0], start[1], start[3], 0},
       {}},
      {"Enter", bankSlots, 1, Qt::Key_Return, Qt::NoModifier, {}, "Patch Hex View - 3 - Qx Bravo"},
  };
  auto *tabs = Find<QTabWidget>("pcLibrary");
  for (const Case &c : cases) {
    SetSlots(start);
    tabs->setCurrentIndex(c.view == history ? 1 : 0);
    Library().window()->activateWindow();
    c.view->setFocus();
    c.view->clearSelection();
    c.view->setCurrentIndex(c.view->model()->index(c.row, 0));
    ASSERT_TRUE(c.view->hasFocus()) << c.what;
    QString caption;
    if (!c.caption.isEmpty())
      WhenModal([&](QWidget *modal) {
        caption = modal->windowTitle();
        modal->close();
      });
    QTest::keyClick(c.view, c.key, c.modifiers);
    if (c.key == Qt::Key_Tab || c.key == Qt::Key_Backtab) {
      EXPECT_FALSE(c.view->hasFocus()) << c.what;
    }
    if (!c.after.empty()) {
      std::vector<int64_t> expected = c.after;
      expected.resize(128, 0);
      EXPECT_EQ(Slots(), expected) << c.what;
    }
    EXPECT_EQ(caption, c.caption) << c.what;
  }
  // Tab alone reaches every control of the patches tab.
  tabs->setCurrentIndex(0);
  QStringList reached;
  Library().window()->activateWindow();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), Library().window());
  Find<QWidget>("edLibrarySearch")->setFocus();
  for (int press = 0; press < 30; ++press) {
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    if (!reached.contains(focus->objectName()))
      reached << focus->objectName();
    QTest::keyClick(focus, Qt::Key_Tab);
  }
  for (const char *control :
       {"edLibrarySearch", "cbxLibraryKind", "cbxLibraryTag", "cbLibraryFavourites", "lvLibrary",
        "btnImportFolder", "cbxUserBank", "btnNewBank", "lvUserBank", "btnAddToBank", "btnSaveBank",
        "btnSendBank"})
    EXPECT_TRUE(reached.contains(control)) << control << ": " << reached.join(", ").toStdString();
}

// What the "Working..." dialog counted as it was first shown.
class TShownCount : public QObject {
public:
  explicit TShownCount(TfrmWorking *working) : m_working(working) {
    working->installEventFilter(this);
  }
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Show && count == 0)
      count = m_working->Count();
    return false;
  }
  int count = 0;

private:
  TfrmWorking *m_working;
};

// "Send to synthesizer" writes into no bank the user did not name, shows
// its two options, remembers them, and ends with the per-slot report; the
// progress counts the slots that go out.
TEST_F(TLibraryWindowTest, SendingAUserBankAsksForTheBankAndReportsEverySlot) {
  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  FetchNamedBank();
  Library();
  NewUserBank();
  struct Case {
    std::vector<const char *> names; // slots 1, 2, ...
    int proposed;                    // the bank offered, -1 none
    bool backupShown, verifyShown;   // the ticks as the dialog opens
    int bank;                        // chosen
    bool backup, verify;             // ticked
    QString summary;
  };
  const Case cases[] = {
      // Each at its own slot of bank A, as fetched: bank A is offered.
      {{"Qx Alpha", "Qx Alphorn", "Qx Bravo"},
       0,
       true,
       true,
       2,
       true,
       true,
       "3 slots: 3 verified."},
      // Slot 2's patch was last at C3: the bank came from nowhere.
      {{"Qx Alpha", "Qx Bravo"}, -1, true, true, 1, false, false, "2 slots: 2 sent."},
      // The ticks as the last send left them.
      {{"Qx Bravo"}, -1, false, false, 3, false, true, "1 slot: 1 verified."},
  };
  for (const Case &c : cases) {
    std::vector<int64_t> wanted;
    for (const char *name : c.names)
      wanted.push_back(Named(name));
    SetSlots(wanted);
    int proposed = -2, progress = 0;
    bool okAtFirst = true, stayedOnEnter = false, backupShown = false, verifyShown = false;
    QString summary;
    QWidget *reportOver = nullptr;
    TDialogs send = Other([&](QWidget *modal) {
      if (auto *report = qobject_cast<TfrmSendReport *>(modal)) {
        summary = report->findChild<QLabel *>("lbSummary")->text();
        reportOver = report->parentWidget() ? report->parentWidget()->window() : nullptr;
        report->findChild<QPushButton *>("btnClose")->click();
        return;
      }
      if (modal->objectName() != "frmDestinationBank")
        return;
      auto *bank = modal->findChild<QComboBox *>("cbxDestinationBank");
      auto *ok = modal->findChild<QPushButton *>("btnSendBankOk");
      proposed = bank->currentIndex();
      okAtFirst = ok->isEnabled();
      backupShown = modal->findChild<QCheckBox *>("cbSendBankBackup")->isChecked();
      verifyShown = modal->findChild<QCheckBox *>("cbSendBankVerify")->isChecked();
      stayedOnEnter = true;
      if (proposed < 0) { // Enter alone sends nowhere
        QTest::keyClick(modal, Qt::Key_Return);
        stayedOnEnter = modal->isVisible();
      }
      bank->setCurrentIndex(c.bank);
      modal->findChild<QCheckBox *>("cbSendBankBackup")->setChecked(c.backup);
      modal->findChild<QCheckBox *>("cbSendBankVerify")->setChecked(c.verify);
      ok->click();
    });
    TShownCount shown(app->working);
    Press("btnSendBank", send);
    progress = shown.count;
    EXPECT_EQ(proposed, c.proposed) << c.names.size();
    EXPECT_EQ(okAtFirst, c.proposed >= 0);
    EXPECT_TRUE(stayedOnEnter);
    EXPECT_EQ(backupShown, c.backupShown);
    EXPECT_EQ(verifyShown, c.verifyShown);
    EXPECT_EQ(summary, c.summary);
    // Over the library's window, where the send was asked for.
    EXPECT_EQ(reportOver, Library().window());
    EXPECT_EQ(progress, static_cast<int>(c.names.size()));
    for (size_t i = 0; i < c.names.size(); ++i)
      EXPECT_EQ(Synth().SidPatchData(static_cast<uint8_t>(c.bank), static_cast<uint8_t>(i)),
                NamedData(c.names[i]))
          << c.names[i];
  }
  QDir(backups).removeRecursively();
  QStandardPaths::setTestModeEnabled(false);
}

// A send of six slots of bank A, compared with the bank now: asked first,
// and only the slot the synthesizer changed since differs; the 122 slots
// the send never wrote are listed as not recorded and not counted.
TEST_F(TLibraryWindowTest, CompareWithNowAsksAndCountsOnlyRecordedSlots) {
  StartSid();
  TPatchBank sent;
  for (uint8_t n = 0; n < 6; ++n) {
    TPatch patch;
    const Bytes data = Synth().SidPatchData(0, n);
    std::copy(data.begin(), data.end(), patch.Data());
    patch.SetPatchNumber(n);
    patch.UpdateChecksum();
    sent.Add(patch);
  }
  TSnapshotRecord record = SidFetchRecord(sent, 0);
  record.source = TSnapshotRecord::TSource::Send;
  record.time = NowMs() - 60000;
  Main().Library()->RecordSnapshot(record);
  Synth().SetSidPatchData(0, 2, NamedData("Qx Changed"));
  const QString before =
      NameOf(Bytes(sent.GetPatch(2).Data(), sent.GetPatch(2).Data() + kNameSize));
  Library().Reload();
  auto *history = Find<QTableWidget>("lvHistory");
  Find<QComboBox>("cbxHistoryBank")->setCurrentIndex(0); // SID bank A
  ASSERT_EQ(history->rowCount(), 1);
  const QString title = history->item(0, 0)->text();

  struct Case {
    bool fetch;         // the answer to the question
    int rows;           // in the history afterwards
    QString summary;    // empty: no comparison shown
    QStringList first;  // the first row: slot, then, now
    QStringList second; // the second row
  };
  const Case cases[] = {
      {false, 1, {}, {}, {}},
      {true,
       2,
       "1 slot differs; Enter or a double click shows the two patches.\n122 slots were not "
       "recorded in " +
           title + ", so not compared.",
       {"A:3", before, "Qx Changed"},
       {"A:7", "not recorded", NameOf(Synth().SidPatchData(0, 6))}},
  };
  for (const Case &c : cases) {
    SelectRows(history, {0});
    QString summary;
    QStringList first, second;
    TDialogs compare = Other([&](QWidget *modal) {
      auto *dialog = qobject_cast<TfrmSlotCompare *>(modal);
      if (!dialog)
        return;
      summary = dialog->findChild<QLabel *>("lbSlotCompare")->text();
      QTableWidget *list = dialog->List();
      for (int column = 0; column < 3 && list->rowCount() > 1; ++column) {
        first << list->item(0, column)->text().trimmed();
        second << list->item(1, column)->text().trimmed();
      }
      dialog->reject();
    });
    compare.yes = c.fetch;
    const TDialogs done = Press("btnHistoryCompare", compare);
    EXPECT_EQ(done.asked, QStringList{"Fetch bank A now to compare?"});
    EXPECT_EQ(summary, c.summary);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
    history = Find<QTableWidget>("lvHistory");
    EXPECT_EQ(history->rowCount(), c.rows);
  }
}

// Rows of one name told apart by where they were last seen; a tag, a
// favourite or a note set on one of several chosen rows set on all, and a
// new tag in the filter at once.
TEST_F(TLibraryWindowTest, ChosenRowsAreEditedTogetherAndToldApart) {
  FetchNamedBank();
  Library();
  Search("qx ");
  ASSERT_EQ(List().model()->rowCount(), 3); // Qx Alpha, Qx Alphorn, Qx Bravo
  auto *tags = Find<QComboBox>("cbxLibraryTag");
  struct Case {
    const char *what;
    std::vector<int> chosen;
    int row, column; // edited
    QVariant value;
    int role;
    QStringList shown; // the column in the three rows afterwards
  };
  const Case cases[] = {
      {"where each was last seen", {}, -1, TLibraryModel::LastSeen, {}, 0, {"A:1", "A:2", "A:3"}},
      {"a favourite on two chosen rows",
       {0, 2},
       2,
       TLibraryModel::Favourite,
       Qt::Checked,
       Qt::CheckStateRole,
       {"\u2605", "", "\u2605"}},
      {"a tag on two chosen rows",
       {0, 1},
       0,
       TLibraryModel::Tags,
       "Qx warm",
       Qt::EditRole,
       {"Qx warm", "Qx warm", ""}},
      {"a note on a row not chosen",
       {0, 1},
       2,
       TLibraryModel::Note,
       "solo",
       Qt::EditRole,
       {"", "", "solo"}},
      {"a note on three chosen rows",
       {0, 1, 2},
       1,
       TLibraryModel::Note,
       "gig",
       Qt::EditRole,
       {"gig", "gig", "gig"}},
  };
  for (const Case &c : cases) {
    SelectRows(&List(), c.chosen);
    if (c.row >= 0)
      List().model()->setData(List().model()->index(c.row, c.column), c.value, c.role);
    QStringList shown;
    for (int row = 0; row < 3; ++row)
      shown << Cell(row, c.column);
    EXPECT_EQ(shown, c.shown) << c.what;
  }
  EXPECT_GE(tags->findText("Qx warm"), 0);
  const QString tip =
      List().model()->index(2, TLibraryModel::LastSeen).data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.endsWith("fetched from A:3")) << tip.toStdString();
}

// Ctrl+Z takes back each change made in the window, Ctrl+Shift+Z makes it
// again.
TEST_F(TLibraryWindowTest, CtrlZTakesBackAndCtrlShiftZMakesAgain) {
  FetchNamedBank();
  Library();
  QListWidget *bankSlots = NewUserBank();
  Search("qx ");
  ASSERT_EQ(List().model()->rowCount(), 3); // Qx Alpha, Qx Alphorn, Qx Bravo
  const std::vector<int64_t> start = {Named("Qx Alpha"), 0, Named("Qx Bravo")};
  const auto bank = [&] {
    QStringList names;
    for (int slot = 0; slot < 3; ++slot)
      names << bankSlots->item(slot)->text().mid(5);
    return names.join(", ");
  };
  const auto column = [&](int which) {
    return [&, which] {
      QStringList texts;
      for (int row = 0; row < 3; ++row)
        texts << Cell(row, which);
      return texts.join(", ");
    };
  };
  const auto edit = [&](std::vector<int> chosen, int row, int which, QVariant value, int role) {
    return [&, chosen, row, which, value, role] {
      SelectRows(&List(), chosen);
      List().model()->setData(List().model()->index(row, which), value, role);
    };
  };
  // The banks, and the slots of the one shown.
  auto *banks = Find<QComboBox>("cbxUserBank");
  const auto banksAndSlots = [&] {
    QStringList names;
    for (int at = 0; at < banks->count(); ++at)
      names << banks->itemText(at);
    return names.join(", ") + ": " + (bankSlots->count() ? bank() : QString());
  };
  const auto answered = [&](const char *button, std::function<void(QWidget *)> answer) {
    return [&, button, answer] {
      TDialogs dialogs = Other(answer);
      Click(button, dialogs);
      EXPECT_EQ(dialogs.told, QStringList()) << button;
      // Only a delete asks first.
      EXPECT_EQ(dialogs.asked.size(), button == std::string("btnDeleteBank") ? 1 : 0) << button;
    };
  };
  const auto named = [](const char *edit, const char *name) {
    return [edit, name](QWidget *modal) {
      modal->findChild<QLineEdit *>(edit)->setText(name);
      static_cast<QDialog *>(modal)->accept();
    };
  };
  struct Case {
    const char *what;
    std::function<void()> change;
    std::function<QString()> shown;
    QString before, after;
  };
  const Case cases[] = {
      {"a bank made", answered("btnNewBank", named("edNewBankName", "Qx Two")), banksAndSlots,
       "New bank (SID): Qx Alpha, (empty), Qx Bravo",
       "New bank (SID), Qx Two (SID): (empty), (empty), (empty)"},
      {"a bank renamed", answered("btnRenameBank", named("", "Qx Mine")), banksAndSlots,
       "New bank (SID): Qx Alpha, (empty), Qx Bravo", "Qx Mine (SID): Qx Alpha, (empty), Qx Bravo"},
      {"a bank deleted", answered("btnDeleteBank", nullptr), banksAndSlots,
       "New bank (SID): Qx Alpha, (empty), Qx Bravo", ": "},
      {"a slot moved", [&] { Banks().MoveSlots({0}, 1); }, bank, "Qx Alpha, (empty), Qx Bravo",
       "(empty), Qx Alpha, Qx Bravo"},
      {"a slot emptied",
       [&] {
         bankSlots->setCurrentRow(2);
         bankSlots->setFocus();
         QTest::keyClick(bankSlots, Qt::Key_Delete);
       },
       bank, "Qx Alpha, (empty), Qx Bravo", "Qx Alpha, (empty), (empty)"},
      {"a patch dropped on a full slot",
       [&] { Banks().AddPatches({Named("Qx Alphorn")}, 0, false); }, bank,
       "Qx Alpha, (empty), Qx Bravo", "Qx Alphorn, (empty), Qx Bravo"},
      {"two favourites", edit({0, 2}, 0, TLibraryModel::Favourite, Qt::Checked, Qt::CheckStateRole),
       column(TLibraryModel::Favourite), ", , ", "\u2605, , \u2605"},
      {"a tag", edit({}, 1, TLibraryModel::Tags, "Qx soft", Qt::EditRole),
       column(TLibraryModel::Tags), ", , ", ", Qx soft, "},
      {"a note on two rows", edit({1, 2}, 2, TLibraryModel::Note, "loud", Qt::EditRole),
       column(TLibraryModel::Note), ", , ", ", loud, loud"},
  };
  for (const Case &c : cases) {
    SetSlots(start);
    c.change();
    EXPECT_EQ(c.shown(), c.after) << c.what;
    List().setFocus();
    // A failure to write says so in a box; none should come.
    TDialogs quiet;
    const auto press = [&](Qt::KeyboardModifiers modifiers) {
      Run([&] { QTest::keyClick(&List(), Qt::Key_Z, modifiers); }, quiet);
    };
    press(Qt::ControlModifier);
    EXPECT_EQ(c.shown(), c.before) << c.what;
    press(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(c.shown(), c.after) << c.what;
    press(Qt::ControlModifier);
    EXPECT_EQ(quiet.told, QStringList()) << c.what;
  }
}

// Nothing hidden: an import names every file not stored whole, several
// files dropped on the main window all go in and each is told, the empty
// lists say what to do, and a user bank is saved under its own name.
TEST_F(TLibraryWindowTest, NothingIsHidden) {
  StartSid();
  QTemporaryDir folder, dropped, saved;
  const auto write = [](const QString &path, const Bytes &bytes, size_t size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(size));
  };
  const auto bankOf = [](std::vector<const char *> names) {
    TPatchBank bank;
    for (const char *name : names)
      bank.Add(NamedPatch(name, 0, static_cast<uint8_t>(bank.Count())));
    return bank;
  };
  const Bytes good = SidFileBytes(bankOf({"Qx One", "Qx Two"}));
  write(folder.filePath("good.syx"), good, good.size());
  TPatchBank flawed = bankOf({"Qx Three", "Qx Four"});
  flawed.GetPatch(0).Data()[40] ^= 1; // its checksum no longer matches
  const Bytes cut = SidFileBytes(flawed);
  write(folder.filePath("short.syx"), cut, cut.size() - 100);
  write(folder.filePath("junk.syx"), Bytes(300, 'x'), 300);
  for (const char *name : {"a", "b", "c"}) {
    const Bytes one = SidFileBytes(bankOf({name}));
    write(dropped.filePath(QString::fromLatin1(name) + ".syx"), one, one.size());
  }
  Library();
  NewUserBank();
  auto *count = Find<QLabel>("lbLibraryCount");
  auto *history = Find<QLabel>("lbHistoryEmpty");
  struct Case {
    const char *what;
    std::function<QStringList()> act; // what the user is told or shown
    QStringList expected;             // each line as it begins
  };
  const Case cases[] = {
      {"an empty library",
       [&] { return QStringList{count->text()}; },
       {"Fetch a bank or import a folder to fill the library."}},
      {"an import of a folder",
       [&] {
         TDialogs pick = Picking({folder.path()});
         return Click("btnImportFolder", pick).join("\n").split("\n");
       },
       {"3 files read: 4 patches new, 0 already in the library; 1 file refused, 1 stored with "
        "flaws.",
        "good.syx: 2 new, 0 already in the library", "junk.syx was refused: ",
        "short.syx: 2 new, 0 already in the library; stored, but its last patch is cut short; "}},
      {"three files dropped",
       [&] {
         QMimeData data;
         data.setUrls({QUrl::fromLocalFile(dropped.filePath("a.syx")),
                       QUrl::fromLocalFile(dropped.filePath("b.syx")),
                       QUrl::fromLocalFile(dropped.filePath("c.syx"))});
         QStringList told;
         TDialogs none;
         Run(
             [&] {
               // Qt hands a drop only to the widget that accepted the drag's entering.
               QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                     Qt::NoModifier);
               QApplication::sendEvent(&Main(), &enter);
               QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                               Qt::NoModifier);
               QApplication::sendEvent(&Main(), &drop);
             },
             none);
         return none.told.join("\n").split("\n");
       },
       {"3 files read: 3 patches new, 0 already in the library; 0 files refused.", "a.syx: 1 new",
        "b.syx: 1 new", "c.syx: 1 new"}},
      {"a search that finds nothing",
       [&] {
         Search("xyz");
         return QStringList{count->text()};
       },
       {"No patch matches \"xyz\"."}},
      {"a bank never fetched",
       [&] {
         Find<QComboBox>("cbxHistoryBank")->setCurrentIndex(2); // SID bank C
         return QStringList{history->text()};
       },
       {"No snapshot of bank C yet: fetch it or send to it."}},
      {"a user bank saved",
       [&] {
         Search("qx ");
         SelectRows(&List(), {0});
         Click("btnAddToBank");
         QString suggested;
         TDialogs save;
         save.other = nullptr;
         save.each = [&] {
           if (auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
             if (suggested.isEmpty())
               suggested = files->selectedFiles().value(0);
         };
         save.paths = {saved.filePath("New bank.syx")};
         Click("btnSaveBank", save);
         return QStringList{QFileInfo(suggested).fileName(), QString::number(save.asked.size()),
                            QString::number(QFileInfo::exists(saved.filePath("New bank.syx")))};
       },
       {"New bank.syx", "0", "1"}},
  };
  for (const Case &c : cases) {
    const QStringList shown = c.act();
    ASSERT_EQ(shown.size(), c.expected.size()) << c.what << ": " << shown.join("|").toStdString();
    for (qsizetype i = 0; i < shown.size(); ++i)
      EXPECT_TRUE(shown[i].startsWith(c.expected[i]))
          << c.what << ": " << shown[i].toStdString() << " / " << c.expected[i].toStdString();
  }
}

} // namespace
} // namespace zpm
