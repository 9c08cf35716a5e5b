// Feedback in the real main window: buttons that would do nothing are off,
// and the wait dialog shows what it awaits and how much of it has come.

#include "app/answer_modals.h"
#include "app/app_fixture.h"
#include "app/sid/sid_page.h"
#include "midi/reception.h"
#include "sid/sid_transfer.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

namespace zpm {
namespace {

class TFeedbackTest : public TAppFixture {
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

} // namespace
} // namespace zpm
