// Sending and copying on the FM page through the real widgets over the
// in-process simulated FM and the fake host: the controls, where the patches
// land in the device's memory, what the user is asked and told, Cancel,
// "Send FM Patch", and the report with "Retry failed slots".

#include "app/fm/fm_page.h"
#include "app/fm/fm_save_location_dialog.h"
#include "app/fm/fm_send_panel.h"

#include "app/answer_modals.h"
#include "app/send_report_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/spin_button_widget.h"
#include "app/test_context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace zpm {
namespace {

TFMPatch FmPatch(uint8_t type, int bank, int number) {
  TFMPatch patch;
  patch.SetPatchType(type);
  patch.SetBank(static_cast<uint8_t>(bank));
  patch.SetPatchNumber(static_cast<uint8_t>(number));
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((i * 11 + number * 3 + bank + 1) & 0x7F);
  patch.Data()[0] = 'P';
  patch.Data()[1] = static_cast<uint8_t>('A' + bank);
  patch.UpdateChecksum();
  return patch;
}

Bytes Data(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

struct TSlot {
  uint8_t type;
  int bank, number;
};

class FmSendTest : public ::testing::Test {
public:
  void Start(const TSimOptions &options = TSimOptions{}) {
    rig = std::make_unique<TSimRig>(options);
    context = std::make_unique<TTestContext>(*rig);
    page = std::make_unique<TFmPage>(*context);
    page->resize(1100, 700);
    page->SelectTab(TFmPage::SendTab);
    page->show();
  }
  void Load(const std::vector<TSlot> &patches, bool fetched = false) {
    for (const TSlot &s : patches)
      page->Bank(TFmPage::ListOf(s.type, !fetched)).Add(FmPatch(s.type, s.bank, s.number));
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
  void Select(TFmListId id, std::vector<int> rows) {
    TSidPatchList &list = page->List(id);
    list.clearSelection();
    for (int row : rows)
      list.selectionModel()->select(list.model()->index(row, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  Bytes Memory(uint8_t type, int bank, int number) {
    return rig->Synth().FmPatchData(type, static_cast<uint8_t>(bank), static_cast<uint8_t>(number));
  }
  size_t Writes() {
    size_t count = 0;
    for (const Bytes &message : rig->Sent())
      count += message.size() == kFmDumpSize ? 1 : 0;
    return count;
  }
  std::vector<std::string> Notices() { return rig->host.notices; }

  std::unique_ptr<TSimRig> rig;
  std::unique_ptr<TTestContext> context;
  std::unique_ptr<TFmPage> page;
};

TEST_F(FmSendTest, TheControlsOfEachTypeStartAsTheUserFirstSeesThem) {
  Start();
  struct TCase {
    const char *srcPatch, *srcBank, *destBank, *destPatch;
    QString all, sel, firstBank;
    int positions;
  };
  const TCase cases[] = {
      {"cmbFMVoicesSrcPatch", "cmbFMVoicesSrcBank", "cmbFMVoicesDestBank", "cmbFMVoicesDestPatch",
       "all patches", "sel. patches", "Bank A", 128},
      {"cmbFMDrumsSrcPatch", "cmbFMDrumsSrcBank", "cmbFMDrumsDestBank", "cmbFMDrumsDestPatch",
       "all", "sel.", "A", 16},
      {"cmbFMEnsemblesSrcPatch", "cmbFMEnsemblesSrcBank", "cmbFMEnsemblesDestBank",
       "cmbFMEnsemblesDestPatch", "all", "sel.", "A", 32},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.srcPatch);
    EXPECT_EQ(Box(c.srcPatch)->itemText(0), c.all);
    EXPECT_EQ(Box(c.srcPatch)->itemText(1), c.sel);
    EXPECT_EQ(Box(c.srcPatch)->toolTip(), "Source Patch");
    EXPECT_EQ(Box(c.srcBank)->itemText(0), c.firstBank);
    EXPECT_EQ(Box(c.srcBank)->count(), 8);
    EXPECT_EQ(Box(c.destBank)->toolTip(), "Destination Bank");
    // Only the type's own positions: no drumset 17.
    EXPECT_EQ(Box(c.destPatch)->count(), c.positions);
    EXPECT_EQ(Box(c.destPatch)->itemText(c.positions - 1), QString::number(c.positions));
    EXPECT_FALSE(Box(c.destPatch)->isEnabled());
    Box(c.srcPatch)->setCurrentIndex(1);
    EXPECT_TRUE(Box(c.destPatch)->isEnabled());
    Box(c.destPatch)->setCurrentIndex(5);
    Box(c.srcPatch)->setCurrentIndex(0);
    EXPECT_EQ(Box(c.destPatch)->currentText(), "1");
    EXPECT_FALSE(Box(c.destPatch)->isEnabled());
  }
}

TEST_F(FmSendTest, ALeftClickOnABankEDrumsetMakesItTheSource) {
  Start();
  Load({{kFmDrumset, 0, 0}, {kFmDrumset, 4, 7}});
  TSidPatchList &list = page->List(TFmListId::DrumsSend);
  QApplication::processEvents();
  // Below the rows: nothing changes.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 3));
  EXPECT_EQ(Box("cmbFMDrumsSrcPatch")->currentText(), "all");
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualRect(list.model()->index(1, 0)).center());
  EXPECT_EQ(Box("cmbFMDrumsSrcPatch")->currentText(), "sel.");
  EXPECT_EQ(Box("cmbFMDrumsSrcBank")->currentText(), "E");
  EXPECT_TRUE(Box("cmbFMDrumsDestPatch")->isEnabled());
  // The right button belongs to the patch viewer.
  Box("cmbFMDrumsSrcPatch")->setCurrentIndex(0);
  QTest::mouseClick(list.viewport(), Qt::RightButton, {},
                    list.visualRect(list.model()->index(1, 0)).center());
  EXPECT_EQ(Box("cmbFMDrumsSrcPatch")->currentText(), "all");
}

TEST_F(FmSendTest, TheSendButtonsWriteWhatTheControlsChoose) {
  struct TCase {
    const char *name;
    std::vector<TSlot> file;
    std::function<void(FmSendTest &)> choose;
    const char *button;
    bool answer;
    std::vector<TSlot> landed; // destination of rows of the type's list, in order written
    std::vector<int> rows;     // the rows, by index into file
    std::vector<std::string> questions, notices;
  };
  const std::string ask30 = "There is more than one patch selected, all selected patched will be "
                            "stored sequentially starting at 30.\r\nContinue ?";
  const std::vector<TCase> cases = {
      {"an empty type's Send all",
       {{kFmVoice, 0, 1}},
       nullptr,
       "btnFMSendAllDrums",
       true,
       {},
       {},
       {},
       {}},
      {"voices Send all",
       {{kFmVoice, 0, 1}, {kFmVoice, 3, 9}},
       nullptr,
       "btnFMSendAllVoices",
       true,
       {{kFmVoice, 0, 1}, {kFmVoice, 3, 9}},
       {0, 1},
       {},
       {}},
      {"copy all from an empty source bank",
       {{kFmDrumset, 0, 1}},
       [](FmSendTest &t) { t.Box("cmbFMDrumsSrcBank")->setCurrentIndex(1); },
       "btnFMCopySysExDrums",
       true,
       {},
       {},
       {},
       {}},
      {"drumsets A to D",
       {{kFmDrumset, 0, 0}, {kFmDrumset, 0, 15}, {kFmDrumset, 2, 4}},
       [](FmSendTest &t) { t.Box("cmbFMDrumsDestBank")->setCurrentIndex(3); },
       "btnFMCopySysExDrums",
       true,
       {{kFmDrumset, 3, 0}, {kFmDrumset, 3, 15}},
       {0, 1},
       {},
       {}},
      {"five ensembles from position 30",
       {{kFmEnsemble, 0, 0},
        {kFmEnsemble, 0, 1},
        {kFmEnsemble, 0, 2},
        {kFmEnsemble, 0, 3},
        {kFmEnsemble, 0, 4}},
       [](FmSendTest &t) {
         t.Box("cmbFMEnsemblesSrcPatch")->setCurrentIndex(1);
         t.Box("cmbFMEnsemblesDestBank")->setCurrentIndex(6);
         t.Box("cmbFMEnsemblesDestPatch")->setCurrentIndex(29);
         t.Select(TFmListId::EnsemblesSend, {0, 1, 2, 3, 4});
       },
       "btnFMCopySysExEnsembles",
       true,
       {{kFmEnsemble, 6, 29}, {kFmEnsemble, 6, 30}, {kFmEnsemble, 6, 31}},
       {0, 1, 2},
       {ask30},
       {}},
      {"five ensembles, answered No",
       {{kFmEnsemble, 0, 0},
        {kFmEnsemble, 0, 1},
        {kFmEnsemble, 0, 2},
        {kFmEnsemble, 0, 3},
        {kFmEnsemble, 0, 4}},
       [](FmSendTest &t) {
         t.Box("cmbFMEnsemblesSrcPatch")->setCurrentIndex(1);
         t.Box("cmbFMEnsemblesDestPatch")->setCurrentIndex(29);
         t.Select(TFmListId::EnsemblesSend, {0, 1, 2, 3, 4});
       },
       "btnFMCopySysExEnsembles",
       false,
       {},
       {},
       {ask30},
       {}},
      {"all types",
       {{kFmEnsemble, 7, 31}, {kFmVoice, 1, 100}, {kFmDrumset, 2, 3}},
       nullptr,
       "btnFMSaveAllPatchesSysEx",
       true,
       {{kFmVoice, 1, 100}, {kFmDrumset, 2, 3}, {kFmEnsemble, 7, 31}},
       {1, 2, 0},
       {},
       {}},
      {"selected of all types",
       {{kFmVoice, 0, 0}, {kFmVoice, 0, 1}, {kFmDrumset, 2, 3}},
       [](FmSendTest &t) {
         t.Select(TFmListId::VoicesSend, {1});
         t.Select(TFmListId::DrumsSend, {0});
       },
       "btnFMSaveSelectedPatchesSysEx",
       true,
       {{kFmVoice, 0, 1}, {kFmDrumset, 2, 3}},
       {1, 2},
       {},
       {}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    rig->host.defaultAnswer = c.answer;
    Load(c.file);
    if (c.choose)
      c.choose(*this);
    const std::vector<Bytes> before = {Memory(kFmDrumset, 1, 1)};
    EXPECT_TRUE(Click(c.button).isEmpty());
    EXPECT_EQ(rig->host.questions, c.questions);
    EXPECT_EQ(Notices(), c.notices);
    ASSERT_EQ(Writes(), c.landed.size());
    for (size_t i = 0; i < c.landed.size(); ++i) {
      const TSlot &to = c.landed[i];
      const TSlot &from = c.file[static_cast<size_t>(c.rows[i])];
      EXPECT_EQ(Memory(to.type, to.bank, to.number),
                Data(FmPatch(from.type, from.bank, from.number)))
          << i;
    }
    if (!c.landed.empty()) {
      EXPECT_EQ(rig->host.progressCount, static_cast<int>(c.landed.size()));
      EXPECT_EQ(rig->host.progressSteps, rig->host.progressCount);
    } else {
      EXPECT_EQ(rig->host.progressCount, -1);
    }
    EXPECT_TRUE(context->canClose);
  }
}

TEST_F(FmSendTest, RefusalOfBankCMidSendStopsAndTheReportRetries) {
  TSimOptions sim;
  sim.fmVoiceBanks = 0b1111'1011;
  Start(sim);
  Load({{kFmVoice, 0, 0}, {kFmVoice, 1, 0}, {kFmVoice, 2, 0}, {kFmVoice, 3, 0}});
  QStringList rows;
  bool retryEnabled = false;
  int reports = 0;
  Click("btnFMSendAllVoices", [&](QWidget *modal) {
    auto *report = qobject_cast<TfrmSendReport *>(modal);
    ASSERT_NE(report, nullptr);
    ++reports;
    auto *table = report->findChild<QTableWidget *>("lvSlots");
    rows.clear();
    for (int row = 0; row < table->rowCount(); ++row)
      rows << table->item(row, 0)->text() + " " + table->item(row, 1)->text() + " " +
                  table->item(row, 3)->text();
    retryEnabled = report->findChild<QPushButton *>("btnRetry")->isEnabled();
    // Retry once: bank C refuses again; then close.
    report->findChild<QPushButton *>(reports == 1 ? "btnRetry" : "btnClose")->click();
  });
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(Notices(),
            (std::vector<std::string>{"Bank C not available.", "Bank C not available."}));
  EXPECT_EQ(rows, (QStringList{"A:1 Voices written", "B:1 Voices written", "C:1 Voices refused",
                               "D:1 Voices not sent: the run stopped before it"}));
  EXPECT_TRUE(retryEnabled);
  EXPECT_EQ(Memory(kFmVoice, 1, 0), Data(FmPatch(kFmVoice, 1, 0)));
  EXPECT_NE(Memory(kFmVoice, 3, 0), Data(FmPatch(kFmVoice, 3, 0)));
}

TEST_F(FmSendTest, AnUnansweredWriteRetriedFromTheReportLands) {
  Start();
  Load({{kFmVoice, 5, 0}, {kFmVoice, 5, 1}, {kFmVoice, 5, 2}});
  rig->HoldFrom([calls = 0](const uint8_t *, size_t) mutable { return ++calls == 2; });
  QStringList results;
  Click("btnFMSendAllVoices", [&](QWidget *modal) {
    auto *report = qobject_cast<TfrmSendReport *>(modal);
    ASSERT_NE(report, nullptr);
    auto *table = report->findChild<QTableWidget *>("lvSlots");
    results << table->item(1, 3)->text();
    if (results.size() == 1) {
      rig->ReleaseReplies(); // the late acknowledgement comes when nobody waits
      report->findChild<QPushButton *>("btnRetry")->click();
    } else {
      report->findChild<QPushButton *>("btnClose")->click();
    }
  });
  EXPECT_EQ(results, (QStringList{"no answer", "written"}));
  for (int n = 0; n < 3; ++n)
    EXPECT_EQ(Memory(kFmVoice, 5, n), Data(FmPatch(kFmVoice, 5, n)));
}

TEST_F(FmSendTest, CancelMidSendAndAckTimeoutZero) {
  struct TCase {
    const char *name;
    int cancelAfter;
    int timeout;
    bool hold;
    size_t writes;
    std::vector<std::string> notices;
  };
  const std::vector<TCase> cases = {
      {"Cancel after the third", 3, 1500, false, 3, {}},
      {"acknowledge timeout 0", -1, 0, true, 1, {"Bank A not available."}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    Load(
        {{kFmVoice, 0, 0}, {kFmVoice, 0, 1}, {kFmVoice, 0, 2}, {kFmVoice, 0, 3}, {kFmVoice, 0, 4}});
    rig->host.cancelAfterSteps = c.cancelAfter;
    context->fmDelay = c.timeout;
    if (c.hold)
      rig->HoldReplies();
    Click("btnFMSendAllVoices", [](QWidget *modal) {
      if (auto *report = modal->findChild<QPushButton *>("btnClose"))
        report->click();
    });
    rig->ReleaseReplies();
    EXPECT_EQ(Writes(), c.writes);
    EXPECT_EQ(Notices(), c.notices);
    EXPECT_EQ(rig->host.progressEnds, 1);
    EXPECT_TRUE(context->canClose);
  }
}

TEST_F(FmSendTest, TheGetTabsSendGoesThroughSendFMPatch) {
  Start();
  page->SelectTab(TFmPage::GetTab);
  Load({{kFmDrumset, 1, 2}, {kFmDrumset, 1, 3}}, true);
  Select(TFmListId::DrumsGet, {0, 1});
  EXPECT_TRUE(Click("btnFMSendSelectedDrums").isEmpty());
  EXPECT_EQ(Notices(), std::vector<std::string>{"Please select only 1 patch."});

  Select(TFmListId::DrumsGet, {1});
  QString type, location, bank;
  int maximum = 0;
  Click("btnFMSendSelectedDrums", [&](QWidget *modal) {
    auto *dialog = qobject_cast<TfrmFMSaveLocation *>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Send FM Patch");
    type = dialog->findChild<QLabel *>("lbPatchType")->text();
    location = dialog->findChild<QLabel *>("lbLocation")->text();
    bank = dialog->findChild<QLabel *>("lbBank")->text();
    auto *position = dialog->findChild<QSpinBox *>("seNewPosition");
    maximum = position->maximum();
    position->setValue(16);
    auto *spin = dialog->findChild<TSpinButton *>("spBank");
    for (int i = 0; i < 10; ++i)
      spin->UpButton()->click(); // stops at H
    spin->DownButton()->click();
    dialog->findChild<QPushButton *>("btnOK")->click();
  });
  EXPECT_EQ(type, "Drums");
  EXPECT_EQ(location, "4");
  EXPECT_EQ(bank, "B");
  EXPECT_EQ(maximum, 16);
  EXPECT_EQ(Memory(kFmDrumset, 6, 15), Data(FmPatch(kFmDrumset, 1, 3)));
  EXPECT_EQ(rig->host.delays, std::vector<int>{context->fmDelay}); // the full timeout
  EXPECT_EQ(rig->host.progressCount, -1);
  EXPECT_TRUE(context->canClose);
}

} // namespace
} // namespace zpm
