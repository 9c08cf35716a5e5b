// SPDX-License-Identifier: GPL-3.0-or-later
// An FM send in the whole program: the real "Working..." dialog and
// acknowledgement waits over the built-in simulator, the main window
// refusing to close while patches go out, and the backup and read-back
// options shared with the SID page's settings.

#include "app/app_fixture.h"

#include "app/answer_modals.h"

#include "app/fm/fm_page.h"
#include "app/main_window.h"
#include "app/send_report_dialog.h"

#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>

namespace zpm {
namespace {

class TFmSendWindowTest : public TAppFixture {};

int FmWrites(TEventLog &log) {
  int count = 0;
  for (size_t i = 0; i < log.Count(); ++i)
    count += log.LineFromOldest(i).find("OUT: <Bytes> 268 ") != std::string::npos;
  return count;
}

TEST_F(TFmSendWindowTest, TheBarEndsFullAndCloseIsRefusedMeanwhile) {
  Start(/*simulator=*/true);
  Main().show();
  for (uint8_t n = 0; n < 12; ++n) {
    TFMPatch patch;
    patch.SetPatchNumber(n);
    Main().FmSendVoiceBank().Add(patch);
  }
  auto *page = Find<TFmPage>("FmPage");
  page->RefreshLists();
  auto *bar = app->working->findChild<QProgressBar *>("pbProgress");
  bool closeRefused = false;
  int maximum = -1, last = -1;
  // Each step of the bar, as it is taken, however fast the run goes.
  QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
    if (!app->working->isVisible())
      return;
    closeRefused = closeRefused || !Main().close();
    maximum = bar->maximum();
    last = value;
  });
  TSafetyNet net(app->working, 20000);
  Find<QPushButton>("btnFMSendAllVoices")->click();
  EXPECT_FALSE(net.fired);
  EXPECT_EQ(FmWrites(Main().Log()), 12);
  EXPECT_EQ(maximum, 12);
  EXPECT_LE(last, 12);
  EXPECT_EQ(bar->value(), 12); // full exactly when the last write is answered
  EXPECT_TRUE(closeRefused);
  EXPECT_TRUE(Main().close());
}

TEST_F(TFmSendWindowTest, BackupAndVerifyAreTheSidPagesSettings) {
  Start(/*simulator=*/true);
  auto *sidBackup = Find<QCheckBox>("cbBackupBeforeSend");
  auto *fmBackup = Find<QCheckBox>("cbFMBackupBeforeSend");
  auto *fmVerify = Find<QCheckBox>("cbFMVerifyAfterSend");
  fmBackup->setChecked(true);
  EXPECT_TRUE(sidBackup->isChecked());
  fmVerify->setChecked(true);
  EXPECT_TRUE(Find<QCheckBox>("cbVerifyAfterSend")->isChecked());

  // A send with both: the backup lands in backups/fm-*.syx and the report reads back.
  QStandardPaths::setTestModeEnabled(true);
  const QDir backups(
      QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath("backups"));
  const QStringList before = backups.entryList({"fm-*.syx"});
  TFMPatch patch;
  patch.SetPatchType(kFmEnsemble);
  patch.SetBank(3);
  patch.SetPatchNumber(4);
  Main().FmSendEnsembleBank().Add(patch);
  Find<TFmPage>("FmPage")->RefreshLists();
  QString result;
  // Only the report is answered; the waits of the backup and the read-back end by themselves.
  const QStringList errors =
      AnswerModals([&] { Find<QPushButton>("btnFMSaveAllPatchesSysEx")->click(); },
                   [&](QWidget *modal) {
                     if (!qobject_cast<TfrmSendReport *>(modal))
                       return;
                     result = modal->findChild<QTableWidget *>("lvSlots")->item(0, 3)->text();
                     modal->findChild<QPushButton *>("btnClose")->click();
                   });
  EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
  EXPECT_EQ(result, "verified");
  const QStringList after = backups.entryList({"fm-*.syx"});
  ASSERT_EQ(after.size(), before.size() + 1);
  QString added;
  for (const QString &name : after)
    if (!before.contains(name))
      added = name;
  EXPECT_EQ(QFileInfo(backups.filePath(added)).size(), 32 * 268); // ensemble bank D
  QFile::remove(backups.filePath(added));
  QStandardPaths::setTestModeEnabled(false);

  ASSERT_TRUE(Main().close());
  EXPECT_TRUE(SettingsText().contains("BackupBeforeSend=1\nVerifyAfterSend=1\n"))
      << SettingsText().toStdString();
}

} // namespace
} // namespace zpm
