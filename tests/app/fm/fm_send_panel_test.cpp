// SPDX-License-Identifier: GPL-3.0-or-later
// Sending and copying on the FM page in the real main window over the
// built-in simulator: the controls, where the patches land in the device's
// memory, what the user is asked and told, Cancel, "Send FM Patch", and the
// report with "Retry failed slots".

#include "app/fm/fm_page.h"
#include "app/fm/fm_save_location_dialog.h"
#include "app/fm/fm_send_panel.h"

#include "app/page_fixture.h"
#include "app/send_report_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/spin_button_widget.h"
#include "app/working_dialog.h"
#include "fm/fm_messages.h"
#include "sim/sim_fm.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

namespace zpm {
namespace {

Bytes Data(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

struct TSlot {
  uint8_t type;
  int bank, number;
};

class FmSendTest : public TPageFixture {
public:
  // fmTimeout: long enough for every acknowledgement, short where a
  // write waits it out in full.
  void Open(const TSimOptions &sim = TSimOptions{}, int fmTimeout = 300) {
    Stop();
    StartPages(sim, 50, fmTimeout);
    page = ShowPage<TFmPage>("FmPage");
    page->SelectTab(TFmPage::SendTab);
    // Each step of the "Working..." bar as it is taken.
    auto *bar = app->working->findChild<QProgressBar *>("pbProgress");
    steps = 0;
    maximum = -1;
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [this, bar](int value) {
      if (value > 0 && app->working->isVisible()) {
        ++steps;
        maximum = bar->maximum();
      }
    });
  }
  void Load(const std::vector<TSlot> &patches, bool fetched = false) {
    for (const TSlot &s : patches)
      page->Bank(TFmPage::ListOf(s.type, !fetched)).Add(FmPatch(s.type, s.bank, s.number));
    page->RefreshLists();
  }
  QComboBox *Box(const char *name) { return Find<QComboBox>(name); }
  void Select(TFmListId id, std::vector<int> rows) {
    TSidPatchList &list = page->List(id);
    list.clearSelection();
    for (int row : rows)
      list.selectionModel()->select(list.model()->index(row, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  Bytes Memory(uint8_t type, int bank, int number) {
    Simulator().WaitIdle();
    return Simulator().Synth().FmPatchData(type, static_cast<uint8_t>(bank),
                                           static_cast<uint8_t>(number));
  }
  int Writes() {
    return static_cast<int>(Sent().filter(QRegularExpression("^<Bytes> 268 ")).size());
  }
  // The report's slots, "bank:number type result" each.
  static QStringList Slots(QWidget *report) {
    auto *table = report->findChild<QTableWidget *>("lvSlots");
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row)
      rows << table->item(row, 0)->text() + " " + table->item(row, 1)->text() + " " +
                  table->item(row, 3)->text();
    return rows;
  }

  TFmPage *page = nullptr;
  int steps = 0, maximum = -1;
};

TEST_F(FmSendTest, TheControlsOfEachTypeStartAsTheUserFirstSeesThem) {
  Open();
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
  Open();
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
  TDialogs viewer;
  viewer.other = [](QWidget *modal) { modal->close(); };
  Run(
      [&] {
        QTest::mouseClick(list.viewport(), Qt::RightButton, {},
                          list.visualRect(list.model()->index(1, 0)).center());
      },
      viewer);
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
    QStringList asked;
  };
  const QString ask30 = "There is more than one patch selected, all selected patched will be "
                        "stored sequentially starting at 30.\r\nContinue ?";
  const auto fiveEnsembles = [](int destBank) {
    return [destBank](FmSendTest &t) {
      t.Box("cmbFMEnsemblesSrcPatch")->setCurrentIndex(1);
      t.Box("cmbFMEnsemblesDestBank")->setCurrentIndex(destBank);
      t.Box("cmbFMEnsemblesDestPatch")->setCurrentIndex(29);
      t.Select(TFmListId::EnsemblesSend, {0, 1, 2, 3, 4});
    };
  };
  const std::vector<TSlot> five = {{kFmEnsemble, 0, 0},
                                   {kFmEnsemble, 0, 1},
                                   {kFmEnsemble, 0, 2},
                                   {kFmEnsemble, 0, 3},
                                   {kFmEnsemble, 0, 4}};
  const std::vector<TCase> cases = {
      {"voices Send all",
       {{kFmVoice, 0, 1}, {kFmVoice, 3, 9}},
       nullptr,
       "btnFMSendAllVoices",
       true,
       {{kFmVoice, 0, 1}, {kFmVoice, 3, 9}},
       {0, 1},
       {}},
      {"copy all from an empty source bank",
       {{kFmDrumset, 0, 1}},
       [](FmSendTest &t) { t.Box("cmbFMDrumsSrcBank")->setCurrentIndex(1); },
       "btnFMCopySysExDrums",
       true,
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
       {}},
      {"five ensembles from position 30",
       five,
       fiveEnsembles(6),
       "btnFMCopySysExEnsembles",
       true,
       {{kFmEnsemble, 6, 29}, {kFmEnsemble, 6, 30}, {kFmEnsemble, 6, 31}},
       {0, 1, 2},
       {ask30}},
      {"five ensembles, answered No",
       five,
       fiveEnsembles(0),
       "btnFMCopySysExEnsembles",
       false,
       {},
       {},
       {ask30}},
      {"all types",
       {{kFmEnsemble, 7, 31}, {kFmVoice, 1, 100}, {kFmDrumset, 2, 3}},
       nullptr,
       "btnFMSaveAllPatchesSysEx",
       true,
       {{kFmVoice, 1, 100}, {kFmDrumset, 2, 3}, {kFmEnsemble, 7, 31}},
       {1, 2, 0},
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
       {}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    Load(c.file);
    if (c.choose)
      c.choose(*this);
    TDialogs dialogs;
    dialogs.yes = c.answer;
    EXPECT_TRUE(Click(c.button, dialogs).isEmpty());
    EXPECT_EQ(dialogs.asked, c.asked);
    ASSERT_EQ(Writes(), static_cast<int>(c.landed.size()));
    for (size_t i = 0; i < c.landed.size(); ++i) {
      const TSlot &to = c.landed[i];
      const TSlot &from = c.file[static_cast<size_t>(c.rows[i])];
      EXPECT_EQ(Memory(to.type, to.bank, to.number),
                Data(FmPatch(from.type, from.bank, from.number)))
          << i;
    }
    // The bar is full exactly when the last write is answered.
    EXPECT_EQ(steps, static_cast<int>(c.landed.size()));
    EXPECT_EQ(maximum, c.landed.empty() ? -1 : static_cast<int>(c.landed.size()));
    EXPECT_TRUE(Main().CanClose());
  }
  // A type with nothing loaded sends nothing, even when its button is clicked by code.
  Open();
  Load({{kFmVoice, 0, 1}});
  TDialogs none;
  Run([&] { page->SendPanel().btnFMSendAllVoicesClick(kFmDrumset); }, none);
  EXPECT_TRUE(none.told.isEmpty());
  EXPECT_EQ(Writes(), 0);
}

TEST_F(FmSendTest, RefusalOfBankCMidSendStopsAndTheReportRetries) {
  TSimOptions sim;
  sim.fmVoiceBanks = 0b1111'1011;
  Open(sim);
  Load({{kFmVoice, 0, 0}, {kFmVoice, 1, 0}, {kFmVoice, 2, 0}, {kFmVoice, 3, 0}});
  QStringList rows;
  bool retryEnabled = false;
  int reports = 0;
  TDialogs dialogs;
  dialogs.other = [&](QWidget *modal) {
    auto *report = qobject_cast<TfrmSendReport *>(modal);
    ASSERT_NE(report, nullptr);
    ++reports;
    rows = Slots(report);
    retryEnabled = report->findChild<QPushButton *>("btnRetry")->isEnabled();
    // Retry once: bank C refuses again; then close.
    report->findChild<QPushButton *>(reports == 1 ? "btnRetry" : "btnClose")->click();
  };
  EXPECT_EQ(Click("btnFMSendAllVoices", dialogs),
            (QStringList{"Bank C not available.", "Bank C not available."}));
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(rows, (QStringList{"A:1 Voices written", "B:1 Voices written", "C:1 Voices refused",
                               "D:1 Voices not sent: the run stopped before it"}));
  EXPECT_TRUE(retryEnabled);
  EXPECT_EQ(Memory(kFmVoice, 1, 0), Data(FmPatch(kFmVoice, 1, 0)));
  EXPECT_NE(Memory(kFmVoice, 3, 0), Data(FmPatch(kFmVoice, 3, 0)));
}

TEST_F(FmSendTest, AnUnansweredWriteRetriedFromTheReportLands) {
  Open(TSimOptions{}, 100);
  Load({{kFmVoice, 5, 0}, {kFmVoice, 5, 1}, {kFmVoice, 5, 2}});
  // The device listens to another ID: the first write gets no answer.
  auto *id = Find<QSpinBox>("seFMDeviceID");
  id->setValue(9);
  QStringList results;
  TDialogs dialogs;
  dialogs.other = [&](QWidget *modal) {
    auto *report = qobject_cast<TfrmSendReport *>(modal);
    ASSERT_NE(report, nullptr);
    results << Slots(report).join(", ");
    if (results.size() == 1) {
      id->setValue(0);
      // An acknowledgement comes late, when nobody waits: it answers no later write.
      Simulator().Inject({0xF0, 0x00, 0x00, 0x7E, kFmFamily, 0x00, kSimFmAck, 0xF7});
      Simulator().WaitIdle();
      report->findChild<QPushButton *>("btnRetry")->click();
    } else {
      report->findChild<QPushButton *>("btnClose")->click();
    }
  };
  EXPECT_EQ(Click("btnFMSendAllVoices", dialogs), QStringList{"Bank F not available."});
  EXPECT_EQ(results, (QStringList{"F:1 Voices no answer, F:2 Voices not sent: the run stopped "
                                  "before it, F:3 Voices not sent: the run stopped before it",
                                  "F:1 Voices written, F:2 Voices written, F:3 Voices written"}));
  for (int n = 0; n < 3; ++n)
    EXPECT_EQ(Memory(kFmVoice, 5, n), Data(FmPatch(kFmVoice, 5, n)));
}

TEST_F(FmSendTest, CancelMidSendAndAckTimeoutZero) {
  struct TCase {
    const char *name;
    int cancelAfter;
    int timeout;
    int deviceId;
    int writes;
    QStringList told;
  };
  const std::vector<TCase> cases = {
      {"Cancel after the third", 3, 300, 0, 3, {}},
      // Nothing could be acknowledged in no time; the device also listens to another ID.
      {"acknowledge timeout 0", -1, 0, 9, 1, {"Bank A not available."}},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Open(TSimOptions{}, c.timeout);
    Find<QSpinBox>("seFMDeviceID")->setValue(c.deviceId);
    Load(
        {{kFmVoice, 0, 0}, {kFmVoice, 0, 1}, {kFmVoice, 0, 2}, {kFmVoice, 0, 3}, {kFmVoice, 0, 4}});
    auto *bar = app->working->findChild<QProgressBar *>("pbProgress");
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
      if (value == c.cancelAfter)
        app->working->findChild<QAbstractButton *>("btnCancel")->click();
    });
    TDialogs dialogs;
    dialogs.other = [](QWidget *modal) {
      if (auto *report = modal->findChild<QPushButton *>("btnClose"))
        report->click();
    };
    EXPECT_EQ(Click("btnFMSendAllVoices", dialogs), c.told);
    EXPECT_EQ(Writes(), c.writes);
    EXPECT_FALSE(app->working->isVisible());
    EXPECT_TRUE(Main().CanClose());
  }
}

TEST_F(FmSendTest, TheGetTabsSendGoesThroughSendFMPatch) {
  const int timeout = 300;
  Open(TSimOptions{}, timeout);
  page->SelectTab(TFmPage::GetTab);
  Load({{kFmDrumset, 1, 2}, {kFmDrumset, 1, 3}}, true);
  Select(TFmListId::DrumsGet, {0, 1});
  EXPECT_EQ(Click("btnFMSendSelectedDrums"), QStringList{"Please select only 1 patch."});

  Select(TFmListId::DrumsGet, {1});
  QString title, type, location, bank;
  int maximumPosition = 0;
  bool working = false;
  TDialogs dialogs;
  dialogs.each = [&] { working = working || app->working->isVisible(); };
  dialogs.other = [&](QWidget *modal) {
    auto *dialog = qobject_cast<TfrmFMSaveLocation *>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    type = dialog->findChild<QLabel *>("lbPatchType")->text();
    location = dialog->findChild<QLabel *>("lbLocation")->text();
    bank = dialog->findChild<QLabel *>("lbBank")->text();
    auto *position = dialog->findChild<QSpinBox *>("seNewPosition");
    maximumPosition = position->maximum();
    position->setValue(16);
    auto *spin = dialog->findChild<TSpinButton *>("spBank");
    for (int i = 0; i < 10; ++i)
      spin->UpButton()->click(); // stops at H
    spin->DownButton()->click();
    dialog->findChild<QPushButton *>("btnOK")->click();
  };
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(Click("btnFMSendSelectedDrums", dialogs).isEmpty());
  EXPECT_GE(clock.elapsed(), timeout); // the full timeout, acknowledged or not
  EXPECT_EQ(title, "Send FM Patch");
  EXPECT_EQ(type, "Drums");
  EXPECT_EQ(location, "4");
  EXPECT_EQ(bank, "B");
  EXPECT_EQ(maximumPosition, 16);
  EXPECT_EQ(Memory(kFmDrumset, 6, 15), Data(FmPatch(kFmDrumset, 1, 3)));
  EXPECT_EQ(Writes(), 1);
  EXPECT_FALSE(working); // a single patch has no bar
  EXPECT_TRUE(Main().CanClose());
}

} // namespace
} // namespace zpm
