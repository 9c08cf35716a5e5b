// The send tab and "Send selected to another patch location" through their
// real widgets over the in-process simulated SID and the fake host: what the
// controls do, what lands in the device's memory, what the user is told,
// and the backup, read-back report and "Retry failed slots".

#include "app/send_report_dialog.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_page.h"
#include "app/sid/sid_send_panel.h"
#include "app/sid/spin_button_widget.h"

#include "app/answer_modals.h"
#include "app/test_context.h"
#include "sid/sid_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace zpm {
namespace {

TPatch NamedPatch(const char *name, uint8_t bank, uint8_t number) {
  TPatch patch;
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((i * 5 + number + bank * 3) & 0x7F);
  const size_t length = std::strlen(name);
  for (size_t i = 0; i < kNameSize; ++i)
    patch.Data()[i] = i < length ? static_cast<uint8_t>(name[i]) : 0;
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

Bytes Data(const TPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

class SidSendTab : public ::testing::Test {
public:
  void Start(const TSimOptions &options = TSimOptions{}) {
    rig = std::make_unique<TSimRig>(options);
    context = std::make_unique<TTestContext>(*rig);
    page = std::make_unique<TSidPage>(*context);
    page->resize(1000, 700);
    page->SelectTab(TSidPage::SendTab);
    page->show();
  }
  // The file list: name, bank, number (0-based) of each row.
  void LoadFileList(const std::vector<std::tuple<const char *, int, int>> &patches) {
    for (const auto &[name, bank, number] : patches)
      context->SidFileBank().Add(
          NamedPatch(name, static_cast<uint8_t>(bank), static_cast<uint8_t>(number)));
    page->RefreshLists();
  }
  template <typename Widget> Widget *Find(const char *name) {
    auto *widget = page->findChild<Widget *>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QComboBox *Box(const char *name) { return Find<QComboBox>(name); }
  QStringList Click(const char *name, const std::function<void(QWidget *)> &answer = nullptr) {
    return AnswerModals([&] { Find<QPushButton>(name)->click(); }, answer);
  }
  QTableView *FileList() { return Find<QTableView>("lvFilePatchList"); }
  void SelectRows(QTableView *list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows)
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  // Patch Dumps sent, as (patch number byte, data).
  std::vector<std::pair<int, Bytes>> Dumps() {
    std::vector<std::pair<int, Bytes>> dumps;
    for (const Bytes &m : rig->Sent())
      if (m.size() == kSidDumpSize && m[6] == 0x02)
        dumps.emplace_back(m[7], Bytes(m.begin() + 8, m.begin() + 264));
    return dumps;
  }

  std::unique_ptr<TSimRig> rig;
  std::unique_ptr<TTestContext> context;
  std::unique_ptr<TSidPage> page;
};

TEST_F(SidSendTab, ControlsStartAsTheUserFirstSeesThem) {
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

TEST_F(SidSendTab, SourceBoxAndLeftClickChooseTheSource) {
  Start();
  LoadFileList({{"one", 0, 0}, {"two", 2, 5}});
  Box("cbDestinationBank")->setCurrentIndex(6);
  Box("cbSourceLocation")->setCurrentIndex(1);
  EXPECT_TRUE(Box("cbDestinationLocation")->isEnabled());
  Box("cbDestinationLocation")->setCurrentIndex(40);
  Box("cbSourceLocation")->setCurrentIndex(0); // back to "all patches": reset to "1"
  EXPECT_EQ(Box("cbDestinationLocation")->currentText(), "1");
  EXPECT_FALSE(Box("cbDestinationLocation")->isEnabled());

  // A press below the rows does nothing; one on the bank-C row chooses it.
  QTest::mouseClick(FileList()->viewport(), Qt::LeftButton, {},
                    QPoint(20, FileList()->viewport()->height() - 5));
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "all patches");
  QTest::mouseClick(FileList()->viewport(), Qt::LeftButton, {},
                    FileList()->visualRect(FileList()->model()->index(1, 2)).center());
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "sel. patches");
  EXPECT_TRUE(Box("cbDestinationLocation")->isEnabled());
  EXPECT_EQ(Box("cbSourceBank")->currentText(), "Bank C");
  EXPECT_EQ(Box("cbDestinationBank")->currentText(), "Bank G");
  // The right button is the patch viewer's, not the source's.
  Box("cbSourceLocation")->setCurrentIndex(0);
  QTest::mouseClick(FileList()->viewport(), Qt::RightButton, {},
                    FileList()->visualRect(FileList()->model()->index(1, 2)).center());
  EXPECT_EQ(Box("cbSourceLocation")->currentText(), "all patches");
}

TEST_F(SidSendTab, TheButtonsSendWhatTheBoxesChoose) {
  struct Case {
    const char *name;
    TSimOptions sim;
    std::function<void(SidSendTab &)> choose;
    const char *button;
    std::vector<bool> answers;
    std::vector<std::pair<int, int>> landed; // (bank, number) of rows 0.. in order sent
    std::vector<int> rows;
    std::vector<std::string> notices, questions;
  };
  TSimOptions aAndB;
  aAndB.sidBanks = 0x03;
  TSimOptions single;
  single.firmware16 = true;
  const std::string question = "There is more than one patch selected, all selected patched will "
                               "be stored sequentially starting at ";
  const std::vector<Case> cases = {
      {"send all, bank C missing",
       aAndB,
       [](SidSendTab &) {},
       "btnFileSendAll",
       {},
       {{0, 3}, {0, 4}, {1, 9}},
       {0, 1, 4},
       {"Bank C not available."},
       {}},
      {"send all, no reply to the probe",
       single,
       [](SidSendTab &) {},
       "btnFileSendAll",
       {},
       {},
       {},
       {"Zavorin SID 1.6 supports only 1 PatchCart.\r\nPlease use the <Send selected patch to "
        "destination> function"},
       {}},
      {"three selected at 127",
       TSimOptions{},
       [](SidSendTab &t) {
         t.Box("cbSourceLocation")->setCurrentIndex(1);
         t.Box("cbDestinationLocation")->setCurrentIndex(126);
         t.Box("cbDestinationBank")->setCurrentIndex(5);
         t.SelectRows(t.FileList(), {1, 2, 3});
       },
       "btnFileSendSelected",
       {true},
       {{5, 126}, {5, 127}},
       {1, 2},
       {},
       {question + "127.\r\nContinue ?"}},
      {"two selected at 5, answered No",
       TSimOptions{},
       [](SidSendTab &t) {
         t.Box("cbSourceLocation")->setCurrentIndex(1);
         t.Box("cbDestinationLocation")->setCurrentIndex(4);
         t.SelectRows(t.FileList(), {0, 4});
       },
       "btnFileSendSelected",
       {false},
       {},
       {},
       {},
       {question + "5.\r\nContinue ?"}},
      {"all patches from bank B",
       TSimOptions{},
       [](SidSendTab &t) {
         t.Box("cbSourceBank")->setCurrentIndex(1);
         t.Box("cbDestinationBank")->setCurrentIndex(7);
       },
       "btnFileSendSelected",
       {},
       {{7, 9}},
       {4},
       {},
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.sim);
    LoadFileList({{"a3", 0, 3}, {"a4", 0, 4}, {"c7", 2, 7}, {"c8", 2, 8}, {"b9", 1, 9}});
    c.choose(*this);
    rig->host.answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_TRUE(Click(c.button).isEmpty());
    EXPECT_EQ(rig->host.notices, c.notices);
    EXPECT_EQ(rig->host.questions, c.questions);
    const auto dumps = Dumps();
    ASSERT_EQ(dumps.size(), c.landed.size());
    for (size_t i = 0; i < dumps.size(); ++i) {
      const TPatch &sent = context->SidFileBank().GetPatch(c.rows[i]);
      EXPECT_EQ(dumps[i].first, c.landed[i].second);
      EXPECT_EQ(rig->Synth().SidPatchData(static_cast<uint8_t>(c.landed[i].first),
                                          static_cast<uint8_t>(c.landed[i].second)),
                Data(sent));
    }
    EXPECT_EQ(context->SidFileBank().Count(), 5); // the list is not changed
    EXPECT_EQ(context->SidFileBank().GetPatch(2).PatchNumber(), 7);
  }
}

TEST_F(SidSendTab, CancelStopsTheSelectedPatchesLoop) {
  Start();
  LoadFileList({{"a", 0, 0}, {"b", 0, 1}, {"c", 0, 2}, {"d", 0, 3}});
  Box("cbSourceLocation")->setCurrentIndex(1);
  SelectRows(FileList(), {0, 1, 2, 3});
  rig->host.answers = {true};
  rig->host.cancelAfterSteps = 1;
  Click("btnFileSendSelected");
  EXPECT_EQ(Dumps().size(), 1u);
  EXPECT_EQ(rig->host.progressEnds, 1);
}

TEST_F(SidSendTab, RefusalsComeBeforeAnythingIsSent) {
  Start();
  LoadFileList({{"good", 0, 0}, {"broken", 1, 16}});
  context->SidFileBank().GetPatch(1).Data()[200] = 0xC0;
  EXPECT_EQ(Click("btnFileSendAll"),
            QStringList{"Patch B:17 \"broken\" in row 2 holds a byte of 80h or above and cannot "
                        "be sent whole, so nothing was sent. Correct the patch in its file and "
                        "load the file again."});
  EXPECT_TRUE(rig->Sent().empty());
  rig->link.InputDeviceIndex = -1;
  EXPECT_EQ(Click("btnFileSendAll"), QStringList{"Midi input device not open."});
  rig->link.OutputDeviceIndex = -1;
  EXPECT_EQ(Click("btnFileSendSelected"), QStringList{"Midi output device not open."});
  EXPECT_TRUE(rig->Sent().empty());
}

TEST_F(SidSendTab, AFetchedPatchGoesToTheChosenSlotThroughTheSaveDialog) {
  Start();
  auto *getList = Find<QTableView>("lvSysExPatchList");
  context->SidGetBank().Add(NamedPatch("ten", 3, 9));
  context->SidGetBank().Add(NamedPatch("eleven", 3, 10));
  page->RefreshLists();
  page->SelectTab(TSidPage::GetTab);

  SelectRows(getList, {0, 1});
  Click("btnSysExStoreDifferent");
  EXPECT_EQ(rig->host.notices, std::vector<std::string>{"Please select only 1 patch."});

  SelectRows(getList, {0});
  QStringList seen;
  const auto choose = [&](QWidget *modal) {
    auto *dialog = qobject_cast<TfrmSaveLocation *>(modal);
    ASSERT_NE(dialog, nullptr);
    seen << dialog->findChild<QLabel *>("lbPatchname")->text()
         << dialog->findChild<QLabel *>("lbLocation")->text()
         << dialog->findChild<QLabel *>("lbBank")->text();
    dialog->findChild<TSpinButton *>("spBank")->UpButton()->click();
    dialog->findChild<QSpinBox *>("seNewPosition")->setValue(1);
    dialog->findChild<QPushButton *>("btnOK")->click();
  };
  EXPECT_TRUE(Click("btnSysExStoreDifferent", choose).isEmpty());
  EXPECT_EQ(seen, (QStringList{"ten", "10", "D"}));
  ASSERT_EQ(Dumps().size(), 1u);
  EXPECT_EQ(rig->Synth().SidPatchData(1, 0), Data(context->SidGetBank().GetPatch(0)));
  EXPECT_EQ(getList->model()->index(0, 1).data().toString(), "10"); // still listed as 10
  EXPECT_EQ(rig->host.delays, std::vector<int>{750});               // no pause after the dump
  EXPECT_EQ(rig->host.busy, (std::vector<bool>{true, false}));

  // "&Cancel" in the dialog sends nothing.
  const size_t before = rig->Sent().size();
  Click("btnSysExStoreDifferent",
        [](QWidget *modal) { modal->findChild<QPushButton *>("btnCancel")->click(); });
  EXPECT_EQ(rig->Sent().size(), before);
}

TEST_F(SidSendTab, BackupVerifyAndRetryFailedSlots) {
  QStandardPaths::setTestModeEnabled(true);
  const QString backups =
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups");
  QDir(backups).removeRecursively();
  TSimOptions sim;
  sim.dropWrite = 2;
  Start(sim);
  TSimRig before;
  LoadFileList({{"x1", 2, 0}, {"x2", 2, 1}, {"x3", 2, 2}});
  Find<QCheckBox>("cbBackupBeforeSend")->setChecked(true);
  Find<QCheckBox>("cbVerifyAfterSend")->setChecked(true);

  std::vector<QStringList> reports;
  bool retried = false;
  const auto report = [&](QWidget *modal) {
    auto *dialog = qobject_cast<TfrmSendReport *>(modal);
    ASSERT_NE(dialog, nullptr);
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
  EXPECT_TRUE(Click("btnFileSendAll", report).isEmpty());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], (QStringList{"C:1 verified", "C:2 differs", "C:3 verified"}));
  EXPECT_EQ(reports[1], (QStringList{"C:1 verified", "C:2 verified", "C:3 verified"}));
  EXPECT_EQ(rig->Synth().SidPatchData(2, 1), Data(context->SidFileBank().GetPatch(1)));

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
    EXPECT_EQ(Data(saved.GetPatch(n)), before.Synth().SidPatchData(2, static_cast<uint8_t>(n)));
  bool named = false;
  for (size_t i = 0; i < rig->log.Count(); ++i)
    named = named ||
            QString::fromStdString(rig->log.LineFromOldest(i))
                .contains("Backup of bank C saved to " + QDir::toNativeSeparators(file.fileName()));
  EXPECT_TRUE(named);
  QDir(backups).removeRecursively();
}

} // namespace
} // namespace zpm
