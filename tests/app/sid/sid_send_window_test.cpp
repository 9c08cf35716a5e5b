// SPDX-License-Identifier: GPL-3.0-or-later
// A send in the whole program: the real "Working..." dialog, the real pauses
// (kept short), the main window refusing to close while patches go out, and
// the send options kept in the settings file.

#include "app/app_fixture.h"

#include "app/main_window.h"
#include "app/sid/sid_page.h"
#include "app/sid/sid_send_panel.h"

#include <QPushButton>

namespace zpm {
namespace {

class TSendWindowTest : public TAppFixture {};

int PatchDumpsSent(TEventLog &log) {
  int count = 0;
  for (size_t i = 0; i < log.Count(); ++i)
    count += log.LineFromOldest(i).find("OUT: <Bytes> 266 ") != std::string::npos;
  return count;
}

TEST_F(TSendWindowTest, CloseIsRefusedDuringASendAndCancelStopsIt) {
  Start(/*simulator=*/true);
  Main().show();
  Config().seDelay->setValue(40);
  for (uint8_t n = 0; n < 20; ++n) {
    TPatch patch;
    patch.SetPatchNumber(n);
    patch.UpdateChecksum();
    Main().SidFileBank().Add(patch);
  }
  auto *page = Find<TSidPage>("SidPage");
  page->RefreshLists();

  bool closeRefused = false, pageDisabled = false, cancelled = false;
  int sentAtCancel = -1;
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (cancelled || !app->working->isVisible() || PatchDumpsSent(Main().Log()) < 3)
      return;
    closeRefused = !Main().close();
    pageDisabled = !page->isEnabled();
    sentAtCancel = PatchDumpsSent(Main().Log());
    app->working->findChild<QPushButton *>("btnCancel")->click();
    cancelled = true;
  });
  watch.start();
  TSafetyNet net(app->working, 20000);
  Find<QPushButton>("btnFileSendAll")->click();
  watch.stop();

  ASSERT_TRUE(cancelled);
  EXPECT_FALSE(net.fired);
  EXPECT_TRUE(closeRefused);
  EXPECT_TRUE(pageDisabled);
  // Cancel stops after the patch in progress: at most that one more went out.
  const int sent = PatchDumpsSent(Main().Log());
  EXPECT_GE(sent, sentAtCancel);
  EXPECT_LE(sent, sentAtCancel + 1);
  EXPECT_LT(sent, 20);
  EXPECT_FALSE(app->working->isVisible());
  EXPECT_TRUE(page->isEnabled());
  EXPECT_TRUE(Main().close()); // the send is over
}

TEST_F(TSendWindowTest, TheSendOptionsAreKeptInTheSettingsFile) {
  Start();
  auto &panel = *Find<TSidSendPanel>("SidSendPanel");
  EXPECT_FALSE(panel.BackupBeforeSend() || panel.VerifyAfterSend());
  Find<QCheckBox>("cbBackupBeforeSend")->setChecked(true);
  ASSERT_TRUE(Main().close());
  EXPECT_TRUE(SettingsText().contains("MidiApi=auto\nBackupBeforeSend=1\nVerifyAfterSend=0\n"))
      << SettingsText().toStdString();
  Stop();
  Start();
  EXPECT_TRUE(Find<QCheckBox>("cbBackupBeforeSend")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("cbVerifyAfterSend")->isChecked());
}

} // namespace
} // namespace zpm
