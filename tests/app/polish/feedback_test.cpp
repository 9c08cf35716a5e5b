// SPDX-License-Identifier: GPL-3.0-or-later
// Feedback in the real main window: buttons that would do nothing are off,
// and the wait dialog shows what it awaits and how much of it has come.

#include "app/answer_modals.h"
#include "app/page_fixture.h"
#include "app/sid/sid_page.h"
#include "midi/reception.h"
#include "sid/sid_transfer.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace zpm {
namespace {

class TFeedbackTest : public TPageFixture {
protected:
  bool Enabled(const char *name) { return Find<QPushButton>(name)->isEnabled(); }
  QString NewestLine() {
    return QString::fromStdString(Main().Log().LineFromOldest(Main().Log().Count() - 1));
  }
};

const char *const kGetListButtons[] = {"btnSysExSaveAll", "btnSysExSendSelected",
                                       "btnSysExStoreDifferent"};
const char *const kFileListButtons[] = {"btnFileSaveSelected", "btnFileSendAll",
                                        "btnFileSendSelected"};

TEST_F(TFeedbackTest, ButtonsOfAnEmptyListAreOff) {
  Start(/*simulator=*/true);
  Main().show();
  for (const char *name : kGetListButtons)
    EXPECT_FALSE(Enabled(name)) << name;
  for (const char *name : kFileListButtons)
    EXPECT_FALSE(Enabled(name)) << name;

  Find<QSpinBox>("seGetPatchNr")->setValue(3);
  AnswerModals([&] { Find<QPushButton>("btnGetSinglePatch")->click(); });
  ASSERT_EQ(Main().SidGetBank().Count(), 1);
  for (const char *name : kGetListButtons)
    EXPECT_TRUE(Enabled(name)) << name;
  for (const char *name : kFileListButtons)
    EXPECT_FALSE(Enabled(name)) << name;

  // A file loaded fills the send side.
  Main().SidFileBank().Add(Main().SidGetBank().GetPatch(0));
  Find<TSidPage>("SidPage")->RefreshLists();
  for (const char *name : kFileListButtons)
    EXPECT_TRUE(Enabled(name)) << name;
}

struct TAwaitCase {
  TAwait await;
  const char *text;
  int maximum;
  Bytes start; // the message's first chunk
};

TEST_F(TFeedbackTest, TheWaitDialogShowsWhatItAwaitsAndHowMuchHasCome) {
  Start();
  const TAwaitCase cases[] = {
      {SidPatchDumpAwait(0, 5),
       "Awaited: a SID patch dump of 266 bytes",
       266,
       {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}},
      {SidBankDumpAwait(0),
       "Awaited: a SID bank dump of 32777 bytes",
       32777,
       {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}},
  };
  for (const TAwaitCase &test : cases) {
    Main().Reception().BeginWait(test.await);
    QString text;
    int maximum = 0;
    int value = -1;
    WhenModal([&](QWidget *dialog) {
      text = dialog->findChild<QLabel *>("lbAwaited")->text();
      auto *bar = dialog->findChild<QProgressBar *>("pbReceived");
      maximum = bar->maximum();
      Main().Reception().HandleSysExData(0, test.start.data(), test.start.size());
      for (int turn = 0; turn < 1000 && bar->value() == 0; ++turn)
        QCoreApplication::processEvents();
      value = bar->value();
      dialog->findChild<QPushButton *>("btnCancel")->click();
    });
    app->host.WaitForSysEx();
    Main().Reception().EndWait();
    EXPECT_EQ(text, test.text);
    EXPECT_EQ(maximum, test.maximum);
    EXPECT_EQ(value, static_cast<int>(test.start.size()));
  }
}

TEST_F(TFeedbackTest, ASaveAndALoadSayWhatTheyDidInTheLogAndTheStatusLine) {
  Start(/*simulator=*/true);
  AnswerModals([&] { Find<QPushButton>("btnGetSinglePatch")->click(); });
  ASSERT_EQ(Main().SidGetBank().Count(), 1);
  const QString path = QFileInfo(SettingsPath()).absolutePath() + "/lead.syx";
  const struct {
    const char *button;
    const char *said;
  } steps[] = {{"btnSysExSaveAll", "1 patch saved to lead.syx"},
               {"btnLoadSysFile", "1 patch loaded from lead.syx"}};
  for (const auto &step : steps) {
    TDialogs dialogs;
    dialogs.paths = {path};
    const QStringList boxes = Click(step.button, dialogs);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage(), step.said);
    EXPECT_TRUE(NewestLine().endsWith(QString("] ") + step.said)) << NewestLine().toStdString();
  }
  EXPECT_EQ(Main().SidFileBank().Count(), 1);
}

TEST_F(TFeedbackTest, GetAllBanksNamesTheBankItAwaits) {
  TSimOptions sim;
  sim.fault = {TSimFaultKind::Silence, 0, 3}; // bank C's dump never comes
  Start(/*simulator=*/true, sim);
  QString awaited;
  AnswerModals([&] { Find<QPushButton>("btnGetAllBanks")->click(); },
               [&](QWidget *modal) {
                 if (modal != app->wait ||
                     !app->wait->findChild<QLabel *>("lbAwaited")->text().contains("3 of 8"))
                   return;
                 awaited = app->wait->findChild<QLabel *>("lbAwaited")->text();
                 app->wait->findChild<QPushButton *>("btnCancel")->click();
               });
  EXPECT_EQ(awaited, "Awaited: a SID bank dump of 32777 bytes (bank C, 3 of 8)");
  EXPECT_EQ(Main().SidGetBank().Count(), 256);
}

} // namespace
} // namespace zpm
