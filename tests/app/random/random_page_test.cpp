// SPDX-License-Identifier: GPL-3.0-or-later
// The random pages in the real main window: the range grid and its
// in-place editor, the file run against what the real zpm writes, and the
// device runs into the built-in simulator on the real clock, with the send
// tabs' backup, read-back and report.

#include "app/random/random_page.h"
#include "app/random/range_grid_widget.h"

#include "app/page_fixture.h"
#include "app/send_report_dialog.h"
#include "library/library.h"
#include "library/library_files.h"
#include "random/fm_random.h"
#include "random/sid_random.h"
#include "zpm/zpm_run.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

namespace zpm {
namespace {

using Synth = TRandomPage::Synth;

class RandomPage : public TPageFixture {
protected:
  void Open(Synth synth, const TSimOptions &sim = TSimOptions{}, int sidPause = 50,
            int fmTimeout = 100) {
    Stop();
    StartPages(sim, sidPause, fmTimeout);
    page = ShowPage<TRandomPage>(synth == Synth::Sid ? "SidRandomPage" : "FmRandomPage");
  }
  void Set(const char *seed, int seedValue, const char *bank, int bankIndex, const char *patch,
           int patchValue, const char *number, int numberValue) {
    Find<QSpinBox>(seed)->setValue(seedValue);
    Find<QComboBox>(bank)->setCurrentIndex(bankIndex);
    Find<QSpinBox>(patch)->setValue(patchValue);
    Find<QSpinBox>(number)->setValue(numberValue);
  }
  TRangeGridView &View() { return *page->GridView(); }
  QString CellText(int column, int gridRow) {
    return View().model()->index(gridRow - 1, column).data().toString();
  }
  // Clicks a cell, and when an editor comes up types text into it and leaves it.
  bool Edit(const char *name, int column, const QString &text) {
    const int row = page->Grid().FindRow(name);
    View().SelectGridCell(column, row);
    TInlineSpinEdit *editor = View().Editor();
    if (!editor->isVisible())
      return false;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    return true;
  }
  QString TempPath(const char *name) { return dir.filePath(QLatin1String(name)); }
  static Bytes ReadAll(const QString &path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
  }
  Bytes SidMemory(int bank, int slot) {
    Simulator().WaitIdle();
    return Simulator().Synth().SidPatchData(static_cast<uint8_t>(bank), static_cast<uint8_t>(slot));
  }

  QTemporaryDir dir;
  TRandomPage *page = nullptr;
};

TEST_F(RandomPage, GridsStartWithTheTableDefaults) {
  struct Case {
    Synth synth;
    int rows;
    const char *lastName;
    const char *lastMin;
    const char *lastMax;
    const char *seedName;
  };
  const Case cases[] = {{Synth::Sid, 106, "ENV2_Curve", "0", "127", "seSIDrnd"},
                        {Synth::Fm, 93, "Modwheel_Depth", "64", "64", "seFMSeed"}};
  for (const Case &c : cases) {
    Open(c.synth);
    EXPECT_EQ(View().model()->rowCount(), c.rows);
    EXPECT_EQ(View().model()->headerData(1, Qt::Horizontal).toString(), "Min");
    EXPECT_EQ(View().model()->headerData(2, Qt::Horizontal).toString(), "Max");
    EXPECT_EQ(CellText(0, c.rows), c.lastName);
    EXPECT_EQ(CellText(1, c.rows), c.lastMin);
    EXPECT_EQ(CellText(2, c.rows), c.lastMax);
    EXPECT_EQ(View().width(), 275);
    EXPECT_EQ(View().columnWidth(0), 150);
    EXPECT_EQ(View().columnWidth(1), 50);
    auto *seed = Find<QSpinBox>(c.seedName);
    EXPECT_EQ(seed->minimum(), -2147483647);
    EXPECT_EQ(seed->maximum(), 2147483647);
    EXPECT_EQ(seed->singleStep(), 1000);
    EXPECT_EQ(seed->toolTip(), "Range: -2147483647 to 2147483647");
    EXPECT_FALSE(View().Editor()->isVisible());
  }
}

TEST_F(RandomPage, EditorClampsOnLeavingAndCodedRowsAndNamesAreNotEditable) {
  Open(Synth::Sid);
  struct Case {
    const char *name;
    int column;
    const char *typed;
    bool editor;
    const char *minAfter;
    const char *maxAfter;
  };
  const Case cases[] = {
      {"Voice1_Portamento", 2, "200", true, "0", "127"}, // above 127: 127
      {"Filter_Cutoff", 1, "-5", true, "0", "127"},      // negative: 0
      {"Filter_LFO", 2, "60", true, "0", "60"},          // kept as typed
      {"Filter_LFO", 1, "90", true, "90", "60"},         // a "Min" above "Max" is accepted
      {"Poly", 1, "5", true, "0", "0"},                  // "Max" 0: the "Min" stays 0
      {"Voice1_Waveform", 1, "5", false, "---", "WAV"},
      {"Voice1_Waveform", 2, "5", false, "---", "WAV"},
      {"LFO1_Mode", 2, "5", false, "---", "LFO"},
      {"Volume", 0, "5", false, "127", "127"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.typed);
    EXPECT_EQ(Edit(c.name, c.column, c.typed), c.editor);
    EXPECT_FALSE(View().Editor()->isVisible());
    const int row = page->Grid().FindRow(c.name);
    EXPECT_EQ(CellText(1, row), c.minAfter);
    EXPECT_EQ(CellText(2, row), c.maxAfter);
  }
}

TEST_F(RandomPage, EditorLimitsComeFromTheOtherCellAndTheArrowsStayWithin) {
  Open(Synth::Fm);
  ASSERT_TRUE(Edit("OP1_Volume", 2, "50")); // 48..50
  const int row = page->Grid().FindRow("OP1_Volume");
  View().SelectGridCell(1, row);
  TInlineSpinEdit *editor = View().Editor();
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->Lower(), 0);
  EXPECT_EQ(editor->Upper(), 50);
  EXPECT_EQ(editor->value(), 48);
  for (int i = 0; i < 5; ++i)
    QTest::keyClick(editor, Qt::Key_Up);
  EXPECT_EQ(editor->value(), 50);
  // Over the cell, 2 pixels in and 2 larger.
  const QRect cell = View().visualRect(View().model()->index(row - 1, 1));
  const QPoint cellOnPage = View().viewport()->mapTo(editor->parentWidget(), cell.topLeft());
  EXPECT_EQ(editor->geometry(),
            QRect(cellOnPage + QPoint(2, 2), QSize(cell.width() + 2, cell.height() + 2)));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(CellText(1, row), "50");
  View().SelectGridCell(2, row);
  EXPECT_EQ(View().Editor()->Lower(), 50);
  EXPECT_EQ(View().Editor()->Upper(), 127);
}

// The file of "Create && Save to SysEx" is the one zpm random writes for the
// same control values, grid edits included.
TEST_F(RandomPage, FileRunIsByteIdenticalWithZpmRandom) {
  struct Case {
    Synth synth;
    const char *synthName;
    int seed, bank, first, count;
    const char *row;
    const char *summary;
  };
  const Case cases[] = {
      {Synth::Sid, "sid", -1, 2, 126, 4, "Filter_Cutoff",
       "3 patches, slots 126-128 of bank C; 1 past slot 128 not made"},
      {Synth::Fm, "fm", 123456, 7, 1, 3, "OP1_Attack", "3 patches, slots 1-3 of bank H"},
      {Synth::Sid, "sid", 9000, 0, 5, 1, "Volume", "1 patch, slot 5 of bank A"},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.synthName);
    Open(c.synth);
    const bool sid = c.synth == Synth::Sid;
    Set(sid ? "seSIDrnd" : "seFMSeed", c.seed, sid ? "cbSIDrndBank" : "cbFMrndBank", c.bank,
        sid ? "seSIDrndPatch" : "seFMrndPatch", c.first, sid ? "seSIDrndNum" : "seFMrndNum",
        c.count);
    Find<QSpinBox>("seSIDDeviceID")->setValue(5);
    Find<QSpinBox>("seFMDeviceID")->setValue(6);
    ASSERT_TRUE(Edit(c.row, 2, "300"));
    ASSERT_TRUE(Edit(c.row, 1, "10"));
    const QString path = TempPath(("window" + std::to_string(++n) + ".syx").c_str());
    TDialogs dialogs;
    dialogs.paths << path;
    EXPECT_TRUE(
        Click(sid ? "btnSIDCreateRandomSysEx" : "btnFMCreateRandomSysEx", dialogs).isEmpty());
    EXPECT_EQ(page->StatusText(), c.summary);

    const std::string zpmPath =
        TempPath(("zpm" + std::to_string(n) + ".syx").c_str()).toStdString();
    const test::RawRun run = test::RunZpm(
        {"random", c.synthName, "--seed", std::to_string(c.seed), "--bank",
         std::string(1, static_cast<char>('A' + c.bank)), "--first", std::to_string(c.first),
         "--count", std::to_string(c.count), "--device-id", sid ? "5" : "6", "--set",
         std::string(c.row) + "=10:300", "--output", zpmPath});
    ASSERT_EQ(run.code, 0) << run.err;
    const Bytes window = ReadAll(path);
    EXPECT_EQ(window, ReadAll(QString::fromStdString(zpmPath)));
    const int made = std::min(c.count, 129 - c.first);
    EXPECT_EQ(window.size(), sid ? 9 + 266u * made : 268u * made);
  }
  // A cancelled save dialog writes nothing and leaves the status alone.
  const QString before = page->StatusText();
  TDialogs cancelled;
  Click("btnSIDCreateRandomSysEx", cancelled);
  EXPECT_EQ(cancelled.fileDialogs, 1);
  EXPECT_EQ(page->StatusText(), before);
}

Bytes DataOf(const TPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}
Bytes DataOf(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

TEST_F(RandomPage, SidDeviceRunLeavesThePatchesInTheSimulatorsMemory) {
  Open(Synth::Sid, TSimOptions{}, 40);
  Set("seSIDrnd", 4242, "cbSIDrndBank", 3, "seSIDrndPatch", 127, "seSIDrndNum", 5);
  auto *bar = app->working->findChild<QProgressBar *>("pbProgress");
  int steps = 0, maximum = 0;
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
    steps += value > 0;
    maximum = bar->maximum();
  });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(Click("btnSIDCreateRandomSID").isEmpty());
  EXPECT_GE(clock.elapsed(), 3 * 40); // the Bank Select's pause and one after each patch
  EXPECT_EQ(page->StatusText(), "2 patches, slots 127-128 of bank D; 3 past slot 128 not made");

  SidRandomPatches expected(page->CurrentRun(), page->Grid());
  int checked = 0;
  while (expected.Next()) {
    EXPECT_EQ(SidMemory(3, expected.Slot()), DataOf(expected.Patch()));
    ++checked;
  }
  EXPECT_EQ(checked, 2);
  EXPECT_EQ(maximum, 5); // the bar does not reach its end
  EXPECT_EQ(steps, 2);
  EXPECT_FALSE(app->working->isVisible());
  const QStringList sent = Sent();
  ASSERT_EQ(sent.size(), 3);
  EXPECT_EQ(sent[0], "<Bytes> 9 <SysEx> f0 00 00 7e 46 00 0b 03 f7");
}

TEST_F(RandomPage, SidDeviceRunStopsWhereTheBankSaysSo) {
  TSimOptions noBankB;
  noBankB.sidBanks = static_cast<TBankMask>(kAllBanks & ~0x02);
  TSimOptions firmware16;
  firmware16.firmware16 = true;
  struct Case {
    const char *what;
    TSimOptions options;
    bool answer;
    int sent; // messages, the Bank Select included
    QStringList told, asked;
  };
  const QString question = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nWrite to this Bank ?";
  const Case cases[] = {
      {"bank missing", noBankB, false, 1, {"Bank B not available."}, {}},
      {"firmware 1.6, No", firmware16, false, 1, {}, {question}},
      {"firmware 1.6, Yes", firmware16, true, 3, {}, {question}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Open(Synth::Sid, c.options);
    Set("seSIDrnd", 1, "cbSIDrndBank", 1, "seSIDrndPatch", 1, "seSIDrndNum", 2);
    TDialogs dialogs;
    dialogs.yes = c.answer;
    EXPECT_EQ(Click("btnSIDCreateRandomSID", dialogs), c.told);
    EXPECT_EQ(dialogs.asked, c.asked);
    EXPECT_EQ(Sent().size(), c.sent);
    EXPECT_FALSE(app->working->isVisible());
    EXPECT_TRUE(Main().CanClose());
  }
}

TEST_F(RandomPage, CancelDuringTheBankSelectSendsExactlyOnePatch) {
  // A pause long enough to press "&Cancel" in it; a press in the first
  // patch's pause would end the run in the same place.
  Open(Synth::Sid, TSimOptions{}, 200);
  Set("seSIDrnd", 77, "cbSIDrndBank", 0, "seSIDrndPatch", 10, "seSIDrndNum", 20);
  bool pressed = false;
  TDialogs dialogs;
  dialogs.each = [&] {
    if (!pressed && app->working->isVisible() && Sent().size() == 1) {
      pressed = true;
      app->working->findChild<QAbstractButton *>("btnCancel")->click();
    }
  };
  Click("btnSIDCreateRandomSID", dialogs);
  EXPECT_TRUE(pressed);
  const QStringList sent = Sent();
  ASSERT_EQ(sent.size(), 2);
  const QStringList bytes = sent[1].split(' ');
  ASSERT_GT(bytes.size(), 10);
  EXPECT_EQ(bytes[1], QString::number(kSidDumpSize));
  EXPECT_EQ(bytes[3 + 7], "09"); // slot 10
  EXPECT_EQ(page->StatusText(), "1 patch, slot 10 of bank A; 19 not sent");
}

TEST_F(RandomPage, FmDeviceRunCountsRefusalsAndStillSendsEveryVoice) {
  TSimOptions noBankC;
  noBankC.fmVoiceBanks = static_cast<TBankMask>(kAllBanks & ~0x04);
  struct Case {
    const char *what;
    int bank;
    QStringList told;
  };
  const Case cases[] = {
      {"bank present", 0, {}},
      {"bank missing",
       2,
       {"The synthesizer refused 3 of 3 voices sent to bank C, so they were not stored. Check "
        "that the synthesizer has bank C and create the voices again."}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const int timeout = 100;
    Open(Synth::Fm, noBankC, 50, timeout);
    Set("seFMSeed", 31, "cbFMrndBank", c.bank, "seFMrndPatch", 40, "seFMrndNum", 3);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Click("btnFMCreateRandomFM"), c.told);
    EXPECT_GE(clock.elapsed(), 3 * timeout); // always the full pause
    EXPECT_EQ(Sent().size(), 3);
    EXPECT_EQ(page->StatusText(),
              QString("3 patches, slots 40-42 of bank %1").arg(QChar('A' + c.bank)));
    Simulator().WaitIdle();
    if (c.told.isEmpty()) {
      FmRandomPatches expected(page->CurrentRun(), page->Grid());
      while (expected.Next())
        EXPECT_EQ(
            Simulator().Synth().FmPatchData(kFmVoice, 0, static_cast<uint8_t>(expected.Slot())),
            DataOf(expected.Patch()));
    }
  }
}

// The whole program: "Working..." up, the main window disabled and closing
// refused while the run goes, everything back afterwards.
TEST_F(RandomPage, DeviceRunBlocksClosingAndAlwaysRestoresTheIdleWindow) {
  Open(Synth::Sid);
  Find<QSpinBox>("seSIDrndNum")->setValue(3);
  bool closable = true, enabled = true, working = false;
  TDialogs dialogs;
  dialogs.each = [&] {
    if (app->working->isVisible()) {
      working = true;
      closable = closable && Main().CanClose();
      enabled = enabled && Main().findChild<QWidget *>("pgPages")->isEnabled();
    }
  };
  Click("btnSIDCreateRandomSID", dialogs);
  EXPECT_TRUE(working);
  EXPECT_FALSE(closable);
  EXPECT_FALSE(enabled);
  EXPECT_TRUE(Main().CanClose());
  EXPECT_TRUE(Main().findChild<QWidget *>("pgPages")->isEnabled());
  EXPECT_FALSE(app->working->isVisible());
  EXPECT_EQ(page->StatusText(), "3 patches, slots 1-3 of bank A");
  Simulator().WaitIdle();
  SidRandomPatches expected(page->CurrentRun(), page->Grid());
  while (expected.Next())
    EXPECT_EQ(Simulator().Synth().SidPatchData(0, static_cast<uint8_t>(expected.Slot())),
              DataOf(expected.Patch()));
}

// The send tabs' two options on the random page: the bank is saved first,
// the patches are read back, and the report offers the lost write again.
TEST_F(RandomPage, DeviceRunBacksUpVerifiesAndReportsAsASend) {
  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  TSimOptions dropSecond;
  dropSecond.dropWrite = 2;
  struct Case {
    Synth synth;
    TSimOptions sim;
    const char *backup, *verify, *button, *files;
    std::vector<QStringList> reports;
  };
  const Case cases[] = {
      {Synth::Sid,
       dropSecond,
       "cbSIDrndBackupBeforeSend",
       "cbSIDrndVerifyAfterSend",
       "btnSIDCreateRandomSID",
       "sid-*.syx",
       {{"D:1 verified", "D:2 differs", "D:3 verified"},
        {"D:1 verified", "D:2 verified", "D:3 verified"}}},
      {Synth::Fm,
       TSimOptions{},
       "cbFMrndBackupBeforeSend",
       "cbFMrndVerifyAfterSend",
       "btnFMCreateRandomFM",
       "fm-*.syx",
       {{"D:1 verified", "D:2 verified", "D:3 verified"}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.button);
    QDir(backups).removeRecursively();
    Open(c.synth, c.sim, 20, 100);
    const bool sid = c.synth == Synth::Sid;
    Set(sid ? "seSIDrnd" : "seFMSeed", 5, sid ? "cbSIDrndBank" : "cbFMrndBank", 3,
        sid ? "seSIDrndPatch" : "seFMrndPatch", 1, sid ? "seSIDrndNum" : "seFMrndNum", 3);
    Find<QCheckBox>(c.backup)->setChecked(true);
    Find<QCheckBox>(c.verify)->setChecked(true);
    // One setting with the send tabs'.
    EXPECT_TRUE(Find<QCheckBox>("cbBackupBeforeSend")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("cbFMVerifyAfterSend")->isChecked());

    std::vector<QStringList> reports;
    TDialogs dialogs;
    dialogs.other = [&](QWidget *modal) {
      auto *dialog = qobject_cast<TfrmSendReport *>(modal);
      if (!dialog)
        return;
      auto *table = dialog->findChild<QTableWidget *>("lvSlots");
      QStringList rows;
      for (int row = 0; row < table->rowCount(); ++row)
        rows << table->item(row, 0)->text() + " " +
                    table->item(row, table->columnCount() - 1)->text();
      reports.push_back(rows);
      auto *retry = dialog->findChild<QPushButton *>("btnRetry");
      dialog
          ->findChild<QPushButton *>(reports.size() == 1 && retry->isEnabled() ? "btnRetry"
                                                                               : "btnClose")
          ->click();
    };
    EXPECT_TRUE(Click(c.button, dialogs).isEmpty());
    EXPECT_EQ(reports, c.reports);
    EXPECT_EQ(page->StatusText(), "3 patches, slots 1-3 of bank D");
    EXPECT_EQ(QDir(backups).entryList({c.files}, QDir::Files).size(), 1);
  }
  QDir(backups).removeRecursively();
}

// A run into the synthesizer goes into the library as a send of random
// patches, only the slots that reached it and only while Config keeps them.
TEST_F(RandomPage, DeviceRunIsKeptInTheLibraryAsRandomPatches) {
  TSimOptions dropSecond;
  dropSecond.dropWrite = 2;
  struct Case {
    Synth synth;
    TSimOptions sim;
    bool keep, verify;
    int bank;                              // one library for every case: a bank of its own each
    std::vector<std::vector<int>> history; // slots of each snapshot, newest first
  };
  const Case cases[] = {
      // Slot 2 differs, then "Retry failed slots" writes it alone.
      {Synth::Sid, dropSecond, true, true, 3, {{1}, {0, 2}}},
      {Synth::Fm, TSimOptions{}, true, false, 3, {{0, 1, 2}}},
      {Synth::Sid, TSimOptions{}, false, false, 4, {}},
  };
  for (const Case &c : cases) {
    const bool sid = c.synth == Synth::Sid;
    SCOPED_TRACE(sid ? "SID" : "FM");
    Open(c.synth, c.sim, 20, 100);
    Set(sid ? "seSIDrnd" : "seFMSeed", 5, sid ? "cbSIDrndBank" : "cbFMrndBank", c.bank,
        sid ? "seSIDrndPatch" : "seFMrndPatch", 1, sid ? "seSIDrndNum" : "seFMrndNum", 3);
    Find<QCheckBox>("cbKeepInLibrary")->setChecked(c.keep);
    Find<QCheckBox>(sid ? "cbSIDrndVerifyAfterSend" : "cbFMrndVerifyAfterSend")
        ->setChecked(c.verify);
    int reports = 0;
    TDialogs dialogs;
    dialogs.other = [&](QWidget *modal) {
      if (auto *dialog = qobject_cast<TfrmSendReport *>(modal))
        dialog->findChild<QPushButton *>(++reports == 1 ? "btnRetry" : "btnClose")->click();
    };
    Click(sid ? "btnSIDCreateRandomSID" : "btnFMCreateRandomFM", dialogs);

    TLibrary *library = Main().Library();
    ASSERT_NE(library, nullptr);
    const TKind kind = sid ? TKind::Sid : TKind::FmVoice;
    std::vector<std::vector<int>> history;
    for (const TSnapshotRow &snapshot : library->History(kind, c.bank)) {
      EXPECT_EQ(snapshot.source, "send");
      history.push_back(snapshot.numbers);
    }
    EXPECT_EQ(history, c.history);
    for (const TBankSlot &slot : library->BankAt(kind, c.bank, NowMs())) {
      if (slot.id == 0)
        continue;
      for (const TSightingRow &seen : library->Sightings(slot.id)) {
        EXPECT_EQ(seen.source, "random") << slot.number;
        EXPECT_EQ(seen.verified, c.verify) << slot.number;
      }
    }
  }
}

} // namespace
} // namespace zpm
