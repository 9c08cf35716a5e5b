// SPDX-License-Identifier: GPL-3.0-or-later
// The send tab and "Send selected to another patch location" inside the real
// main window over the built-in simulator: what the controls do, what lands
// in the device's memory, what the user is told in the real boxes, and the
// backup, the read-back report and "Retry failed slots".

#include "app/send_report_dialog.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_send_panel.h"
#include "app/sid/sid_window.h"
#include "app/sid/spin_button_widget.h"
#include "app/viewer/hex_view_form.h"
#include "app/working_dialog.h"
#include "sid/sid_file.h"

#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

namespace zpm {
namespace {

Bytes Data(const TPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

class TSidSendTest : public TSidWindowTest {
public:
  // The file list: name, bank, number (0-based) of each row.
  void LoadFileList(const std::vector<std::tuple<const char *, int, int>> &patches) {
    for (const auto &[name, bank, number] : patches)
      Main().SidFileBank().Add(
          NamedPatch(name, static_cast<uint8_t>(bank), static_cast<uint8_t>(number)));
    Page().RefreshLists();
    Page().SelectTab(TSidPage::SendTab);
  }
  QComboBox *Box(const char *name) { return Find<QComboBox>(name); }
  // Patch Dumps sent, as (patch number byte, data), from their log lines
  // "<Bytes> 266 <SysEx> f0 00 00 7e 46 00 02 nn ...".
  std::vector<std::pair<int, Bytes>> Dumps() {
    std::vector<std::pair<int, Bytes>> dumps;
    for (const QString &line : Sent()) {
      const QStringList hex = line.section(" <SysEx> ", 1).split(' ', Qt::SkipEmptyParts);
      if (static_cast<size_t>(hex.size()) != kSidDumpSize || hex[6] != "02")
        continue;
      Bytes data;
      for (int i = 8; i < 264; ++i)
        data.push_back(static_cast<uint8_t>(hex[i].toUInt(nullptr, 16)));
      dumps.emplace_back(hex[7].toInt(nullptr, 16), data);
    }
    return dumps;
  }
  void Mouse(Qt::MouseButton button, QPoint at) {
    QTest::mouseClick(FileList()->viewport(), button, {}, at);
  }
  QPoint RowCentre(int row) {
    return FileList()->visualRect(FileList()->model()->index(row, 2)).center();
  }
};

TEST_F(TSidSendTest, ControlsStartAsTheUserFirstSeesThem) {
  Start();
  struct Case {
    const char *name;
    int count;
    QString first, current, hint;
    bool enabled;
  };
  const Case cases[] = {{"cbSourceLocation", 2, "all patches", "all patches", "Source Patch", true},
                        {"cbSourceBank", 8, "Bank A", "Bank A", "Source Bank", true},
                        {"cbDestinationLocation", 128, "1", "1", "Destination Patch", false},
                        {"cbDestinationBank", 8, "Bank A", "Bank A", "Destination Bank", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    QComboBox *box = Box(c.name);
    EXPECT_EQ(box->count(), c.count);
    EXPECT_EQ(box->itemText(0), c.first);
    EXPECT_EQ(box->currentText(), c.current);
    EXPECT_EQ(box->toolTip(), c.hint);
    EXPECT_EQ(box->isEnabled(), c.enabled);
    EXPECT_FALSE(box->isEditable());
  }
  EXPECT_EQ(Box("cbSourceBank")->itemText(7), "Bank H");
  EXPECT_EQ(Box("cbDestinationLocation")->itemText(127), "128");
  EXPECT_FALSE(Find<QCheckBox>("cbBackupBeforeSend")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("cbVerifyAfterSend")->isChecked());
}

TEST_F(TSidSendTest, SourceBoxAndLeftClickChooseTheSource) {
  Start();
  Main().show();
  LoadFileList({{"one", 0, 0}, {"two", 2, 5}});
  Box("cbDestinationBank")->setCurrentIndex(6);
  Box("cbSourceLocation")->setCurrentIndex(1);
  EXPECT_TRUE(Box("cbDestinationLocation")->isEnabled());
  Box("cbDestinationLocation")->setCurrentIndex(40);
  Box("cbSourceLocation")->setCurrentIndex(0); // back to "all patches": reset to "1"
  EXPECT_EQ(Box("cbDestinationLocation")->currentText(), "1");
  EXPECT_FALSE(Box("cbDestinationLocation")->isEnabled());

  // A press below the rows does nothing; one on the bank-C row chooses it.
  Mouse(Qt::LeftButton, QPoint(20, FileList()->viewport()->height() - 5));
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "all patches");
  Mouse(Qt::LeftButton, RowCentre(1));
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "sel. patches");
  EXPECT_TRUE(Box("cbDestinationLocation")->isEnabled());
  EXPECT_EQ(Box("cbSourceBank")->currentText(), "Bank C");
  EXPECT_EQ(Box("cbDestinationBank")->currentText(), "Bank G");
  // The right button opens the patch viewer and leaves the source alone.
  Box("cbSourceLocation")->setCurrentIndex(0);
  QString viewed;
  TDialogs viewer = Other([&](QWidget *modal) {
    if (modal == app->hexView) {
      viewed = modal->windowTitle();
      app->hexView->reject();
    }
  });
  Run([&] { Mouse(Qt::RightButton, RowCentre(1)); }, viewer);
  EXPECT_FALSE(viewed.isEmpty());
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "all patches");
}

TEST_F(TSidSendTest, TheButtonsSendWhatTheBoxesChoose) {
  struct Case {
    const char *name;
    TSimOptions sim;
    const char *button;
    // The boxes' indexes: source location and bank, destination location and bank.
    std::array<int, 4> boxes;
    std::vector<int> selected;
    bool yes;                               // to the question
    std::vector<std::array<int, 3>> landed; // row, bank, number of each dump, in the order sent
    QStringList notices, questions;
  };
  TSimOptions aAndB;
  aAndB.sidBanks = 0x03;
  TSimOptions single;
  single.firmware16 = true;
  const QString question = "There is more than one patch selected, all selected patched will "
                           "be stored sequentially starting at ";
  const QString probe = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nPlease use the <Send "
                        "selected patch to destination> function";
  const std::vector<Case> cases = {
      {"send all, bank C missing",
       aAndB,
       "btnFileSendAll",
       {0, 0, 0, 0},
       {},
       false,
       {{0, 0, 3}, {1, 0, 4}, {4, 1, 9}},
       {"Bank C not available."},
       {}},
      {"send all, no reply to the probe",
       single,
       "btnFileSendAll",
       {0, 0, 0, 0},
       {},
       false,
       {},
       {probe},
       {}},
      {"three selected at 127",
       {},
       "btnFileSendSelected",
       {1, 0, 126, 5},
       {1, 2, 3},
       true,
       {{1, 5, 126}, {2, 5, 127}},
       {},
       {question + "127.\r\nContinue ?"}},
      {"two selected at 5, answered No",
       {},
       "btnFileSendSelected",
       {1, 0, 4, 0},
       {0, 4},
       false,
       {},
       {},
       {question + "5.\r\nContinue ?"}},
      {"all patches from bank B",
       {},
       "btnFileSendSelected",
       {0, 1, 0, 7},
       {},
       false,
       {{4, 7, 9}},
       {},
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    StartSid(c.sim);
    LoadFileList({{"a3", 0, 3}, {"a4", 0, 4}, {"c7", 2, 7}, {"c8", 2, 8}, {"b9", 1, 9}});
    const char *names[] = {"cbSourceLocation", "cbSourceBank", "cbDestinationLocation",
                           "cbDestinationBank"};
    for (size_t i = 0; i < 4; ++i)
      Box(names[i])->setCurrentIndex(c.boxes[i]);
    for (int row : c.selected)
      FileList()->selectionModel()->select(FileList()->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const TDialogs dialogs = Press(c.button, Answering(c.yes));
    EXPECT_EQ(dialogs.told, c.notices);
    EXPECT_EQ(dialogs.asked, c.questions);
    const auto dumps = Dumps();
    ASSERT_EQ(dumps.size(), c.landed.size());
    for (size_t i = 0; i < dumps.size(); ++i) {
      const auto [row, bank, number] = c.landed[i];
      EXPECT_EQ(dumps[i].first, number);
      EXPECT_EQ(Synth().SidPatchData(static_cast<uint8_t>(bank), static_cast<uint8_t>(number)),
                Data(Main().SidFileBank().GetPatch(row)));
    }
    EXPECT_EQ(Main().SidFileBank().Count(), 5); // the list is not changed
    EXPECT_EQ(Main().SidFileBank().GetPatch(2).PatchNumber(), 7);
    EXPECT_FALSE(app->working->isVisible());
  }
}

TEST_F(TSidSendTest, CancelStopsTheSelectedPatchesLoop) {
  StartSid();
  LoadFileList({{"a", 0, 0}, {"b", 0, 1}, {"c", 0, 2}, {"d", 0, 3}});
  Box("cbSourceLocation")->setCurrentIndex(1);
  SelectRows(FileList(), {0, 1, 2, 3});
  bool cancelled = false;
  Press("btnFileSendSelected", EachTurn([&] {
          if (!cancelled && app->working->isVisible() && !Dumps().empty()) {
            app->working->findChild<QPushButton *>("btnCancel")->click();
            cancelled = true;
          }
        }));
  ASSERT_TRUE(cancelled);
  // Cancel stops after the patch in progress: at most that one more went out.
  EXPECT_GE(Dumps().size(), 1u);
  EXPECT_LE(Dumps().size(), 2u);
  EXPECT_FALSE(app->working->isVisible());
  EXPECT_TRUE(Page().isEnabled());
}

TEST_F(TSidSendTest, RefusalsComeBeforeAnythingIsSent) {
  StartSid();
  LoadFileList({{"good", 0, 0}, {"broken", 1, 16}});
  Main().SidFileBank().GetPatch(1).Data()[200] = 0xC0;
  EXPECT_EQ(Press("btnFileSendAll").told,
            QStringList{"Patch B:17 \"broken\" in row 2 holds a byte of 80h or above and cannot "
                        "be sent whole, so nothing was sent. Correct the patch in its file and "
                        "load the file again."});
  EXPECT_TRUE(Sent().empty());
  QComboBox *input = Config().cbxInputDevices, *output = Config().cbxOutputDevices;
  input->setCurrentIndex(input->count() - 1); // "None"
  EXPECT_EQ(Press("btnFileSendAll").told, QStringList{"Midi input device not open."});
  output->setCurrentIndex(output->count() - 1);
  EXPECT_EQ(Press("btnFileSendSelected").told, QStringList{"Midi output device not open."});
  EXPECT_TRUE(Sent().empty());
}

TEST_F(TSidSendTest, AFetchedPatchGoesToTheChosenSlotThroughTheSaveDialog) {
  StartSid();
  Main().SidGetBank().Add(NamedPatch("ten", 3, 9));
  Main().SidGetBank().Add(NamedPatch("eleven", 3, 10));
  Page().RefreshLists();
  SelectRows(GetList(), {0, 1});
  EXPECT_EQ(Press("btnSysExStoreDifferent").told, QStringList{"Please select only 1 patch."});

  SelectRows(GetList(), {0});
  QStringList seen;
  bool hourglass = false;
  int turnsAfterDump = 0;
  TDialogs choose = EachTurn([&] {
    hourglass = hourglass || QApplication::overrideCursor();
    turnsAfterDump += !Dumps().empty();
  });
  choose.other = [&](QWidget *modal) {
    ASSERT_EQ(modal, app->saveLocation);
    seen << modal->findChild<QLabel *>("lbPatchname")->text()
         << modal->findChild<QLabel *>("lbLocation")->text()
         << modal->findChild<QLabel *>("lbBank")->text();
    modal->findChild<TSpinButton *>("spBank")->UpButton()->click();
    modal->findChild<QSpinBox *>("seNewPosition")->setValue(1);
    modal->findChild<QPushButton *>("btnOK")->click();
  };
  EXPECT_TRUE(Press("btnSysExStoreDifferent", choose).told.isEmpty());
  EXPECT_EQ(seen, (QStringList{"ten", "10", "D"}));
  ASSERT_EQ(Dumps().size(), 1u);
  EXPECT_EQ(Synth().SidPatchData(1, 0), Data(Main().SidGetBank().GetPatch(0)));
  EXPECT_EQ(GetList()->model()->index(0, 1).data().toString(), "10"); // still listed as 10
  EXPECT_EQ(turnsAfterDump, 0); // no pause after the dump: nothing waited once it was out
  EXPECT_TRUE(hourglass);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // "&Cancel" in the dialog sends nothing.
  const auto before = Sent().size();
  Press("btnSysExStoreDifferent", Other([&](QWidget *modal) {
          ASSERT_EQ(modal, app->saveLocation);
          modal->findChild<QPushButton *>("btnCancel")->click();
        }));
  EXPECT_EQ(Sent().size(), before);
}

TEST_F(TSidSendTest, BackupVerifyAndRetryFailedSlots) {
  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  QDir(backups).removeRecursively();
  TSimOptions sim;
  sim.dropWrite = 2;
  StartSid(sim);
  std::vector<Bytes> before;
  for (uint8_t n = 0; n < 128; ++n)
    before.push_back(Synth().SidPatchData(2, n));
  LoadFileList({{"x1", 2, 0}, {"x2", 2, 1}, {"x3", 2, 2}});
  Find<QCheckBox>("cbBackupBeforeSend")->setChecked(true);
  Find<QCheckBox>("cbVerifyAfterSend")->setChecked(true);

  std::vector<QStringList> reports;
  bool retried = false;
  const auto report = [&](QWidget *modal) {
    auto *dialog = qobject_cast<TfrmSendReport *>(modal);
    if (!dialog)
      return;
    auto *table = dialog->findChild<QTableWidget *>("lvSlots");
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row)
      rows << table->item(row, 0)->text() + " " + table->item(row, 2)->text();
    reports.push_back(rows);
    auto *retry = dialog->findChild<QPushButton *>("btnRetry");
    if (!retried && retry->isEnabled()) {
      retried = true;
      retry->click();
    } else {
      dialog->findChild<QPushButton *>("btnClose")->click();
    }
  };
  EXPECT_TRUE(Press("btnFileSendAll", Other(report)).told.isEmpty());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], (QStringList{"C:1 verified", "C:2 differs", "C:3 verified"}));
  EXPECT_EQ(reports[1], (QStringList{"C:1 verified", "C:2 verified", "C:3 verified"}));
  EXPECT_EQ(Synth().SidPatchData(2, 1), Data(Main().SidFileBank().GetPatch(1)));

  // The backup holds bank C as it was, and the log names it.
  const QStringList files = QDir(backups).entryList({"sid-*.syx"}, QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(QRegularExpression("^sid-\\d{8}-\\d{6}\\.syx$").match(files[0]).hasMatch());
  QFile file(QDir(backups).filePath(files[0]));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  TPatchBank saved;
  LoadSidFile(Bytes(bytes.begin(), bytes.end()), "backup", saved);
  ASSERT_EQ(saved.Count(), 128);
  for (int n = 0; n < 128; ++n)
    EXPECT_EQ(Data(saved.GetPatch(n)), before[static_cast<size_t>(n)]);
  bool named = false;
  for (size_t i = 0; i < Main().Log().Count(); ++i)
    named = named ||
            QString::fromStdString(Main().Log().LineFromOldest(i))
                .contains("Backup of bank C saved to " + QDir::toNativeSeparators(file.fileName()));
  EXPECT_TRUE(named);
  QDir(backups).removeRecursively();
}

} // namespace
} // namespace zpm
