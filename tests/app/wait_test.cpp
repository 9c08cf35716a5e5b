// SPDX-License-Identifier: GPL-3.0-or-later
// The ways the window waits: the "Waiting for SysEx" dialog, the delay that
// keeps the user interface alive, the byte wait, and the "Working..." dialog.

#include "app_fixture.h"
#include "fm/fm_transfer.h"
#include "sid/sid_messages.h"
#include "sid/sid_transfer.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <thread>

namespace zpm {
namespace {

class TWaitTest : public TAppFixture {
protected:
  void SetUp() override {
    Start();
    Main().show();
    lbBytes = app->wait->findChild<QLabel *>("lbBytes");
    ASSERT_NE(lbBytes, nullptr);
  }

  // A whole message from the device: its head, fill bytes, F7; fed in
  // chunks of at most 2048 bytes, as the input hands them on.
  void Feed(Bytes message, size_t size) {
    message.resize(size - 1, 0x10);
    message.push_back(0xF7);
    for (size_t at = 0; at < size; at += 2048) {
      const size_t count = std::min<size_t>(2048, size - at);
      Main().Reception().HandleSysExData(0, message.data() + at, count);
      QCoreApplication::processEvents();
      counts << lbBytes->text();
    }
  }
  void FeedPatch() { Feed({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05}, 266); }

  QStringList counts;

  QLabel *lbBytes = nullptr;
};

TEST_F(TWaitTest, CancelAndEscapeGiveThreeAndTheCloseBoxGivesTwo) {
  Main().Reception().BeginWait(SidPatchDumpAwait(0, 5));
  WhenModal([](QWidget *dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Waiting for SysEx");
    auto *cancel = dialog->findChild<QPushButton *>("btnCancel");
    EXPECT_EQ(cancel->text(), "&Cancel");
    EXPECT_TRUE(cancel->isDefault());
    QTest::mouseClick(cancel, Qt::LeftButton);
  });
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitCancelled);

  WhenModal([](QWidget *dialog) { dialog->close(); });
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  // Escape is the keyboard's Cancel, so a run of waits can be stopped.
  WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitCancelled);
}

TEST_F(TWaitTest, CounterFollowsABankDumpAndTheDialogClosesAfterItsLastChunk) {
  Main().Reception().BeginWait(SidBankDumpAwait(0));
  WhenModal([&](QWidget *) {
    counts << lbBytes->text();
    Feed({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04}, 32777);
  });
  TSafetyNet net(app->wait, 30000);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  EXPECT_FALSE(net.fired);
  QStringList expected = {"0"};
  for (int chunk = 1; chunk <= 16; ++chunk)
    expected << QString::number(chunk * 2048);
  expected << "32777";
  EXPECT_EQ(counts, expected);
}

TEST_F(TWaitTest, DumpFromTheDriverThreadClosesTheDialog) {
  Main().Reception().BeginWait(SidPatchDumpAwait(0, 5));
  std::thread driver;
  WhenModal([&](QWidget *) {
    driver = std::thread([this] {
      Bytes dump = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x05};
      dump.resize(265, 0x10);
      dump.push_back(0xF7);
      Main().Reception().HandleSysExData(0, dump.data(), dump.size());
    });
  });
  TSafetyNet net(app->wait, 30000);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  driver.join();
  EXPECT_FALSE(net.fired);
  EXPECT_EQ(lbBytes->text(), "266");
}

TEST_F(TWaitTest, BytesThatCameBeforeTheDialogShowedCloseItAtOnce) {
  Main().Reception().BeginWait(SidPatchDumpAwait(0, 5));
  FeedPatch();
  TSafetyNet net(app->wait, 30000);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  EXPECT_FALSE(net.fired);
}

TEST_F(TWaitTest, ALateNoticeOfTheWaitBeforeDoesNotEndTheNextOne) {
  Main().Reception().BeginWait(SidPatchDumpAwait(0, 5));
  FeedPatch(); // its close notice is still on its way
  Main().Reception().BeginWait(SidPatchDumpAwait(0, 5));
  TSafetyNet net(app->wait, 200);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitCancelled);
  EXPECT_TRUE(net.fired);
}

TEST_F(TWaitTest, SimulatorAnswersAPatchRequestThroughTheRealDevices) {
  Config().cbxInputDevices->setCurrentIndex(0);
  Config().cbxOutputDevices->setCurrentIndex(0);
  int result = -1;
  TSafetyNet net(app->wait, 30000);
  Main().Link().SendAndAwait(SidPatchDumpAwait(0, 5), SidPatchRequest(0, 5),
                             [&] { result = app->host.WaitForSysEx(); });
  EXPECT_EQ(result, kWaitClosed);
  EXPECT_FALSE(net.fired);
  EXPECT_EQ(Main().Reception().ReceivedSize(), 266u);
  EXPECT_EQ(Main().Reception().WaitMode(), WaitNone);
  // The answer may be logged before the request: the simulator answers on
  // its own thread as soon as the request is out.
  std::string lines;
  for (size_t i = 0; i < Main().Log().Count(); ++i)
    lines += Main().Log().Line(i) + "\n";
  EXPECT_NE(lines.find("] IN : <Bytes> 266 <SysEx> f0 00 00 7e 46 00 02 05 "), std::string::npos);
  EXPECT_NE(lines.find("] OUT: <Bytes> 9 <SysEx> f0 00 00 7e 46 00 01 05 f7 \n"),
            std::string::npos);
}

TEST_F(TWaitTest, DelayIgnoresInputToTheMainWindowOnly) {
  auto *button = Find<QToolButton>("CaptionButton");
  QPushButton elsewhere("elsewhere");
  elsewhere.show();
  int elsewhereClicks = 0;
  QObject::connect(&elsewhere, &QPushButton::clicked, [&] { ++elsewhereClicks; });
  bool ranDuring = false;
  QTimer::singleShot(0, qApp, [&] {
    ranDuring = true;
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(Config().cbLog, Qt::Key_Space);
    QTest::mouseClick(&elsewhere, Qt::LeftButton);
  });
  EXPECT_TRUE(app->host.DelayWithMessages(100));
  EXPECT_TRUE(ranDuring);
  EXPECT_TRUE(button->isChecked());
  EXPECT_TRUE(Config().cbLog->isChecked());
  EXPECT_EQ(elsewhereClicks, 1);

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(button->isChecked());
}

TEST_F(TWaitTest, AQuitRequestEndsTheDelayAndTheApplicationStillQuits) {
  for (const bool politely : {false, true}) {
    bool full = true;
    QTimer::singleShot(0, qApp, [&] {
      QTimer::singleShot(0, qApp, [politely] {
        if (politely)
          QCoreApplication::quit();
        else
          QCoreApplication::exit(7);
      });
      full = app->host.DelayWithMessages(60000);
    });
    EXPECT_EQ(QApplication::exec(), politely ? 0 : 7);
    EXPECT_FALSE(full);
  }
}

TEST_F(TWaitTest, ByteWaitEndsWhenTheBytesArrive) {
  Main().Reception().BeginWait(FmAckAwait(0));
  std::thread driver;
  QTimer::singleShot(0, qApp, [&] {
    driver = std::thread([this] {
      const Bytes refusal = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, kFmRefusal, 0x00, 0xF7};
      Main().Reception().HandleSysExData(0, refusal.data(), refusal.size());
    });
  });
  EXPECT_TRUE(app->host.AwaitBytes(9, 60000));
  driver.join();
  EXPECT_FALSE(app->host.AwaitBytes(10, 1));
}

TEST_F(TWaitTest, WorkingDialogDisablesTheWindowUntilTheRunEndsAndCancelStopsIt) {
  TWindowHost &host = app->host;
  host.BeginProgress(5);
  auto *bar = app->working->findChild<QProgressBar *>("pbProgress");
  EXPECT_EQ(app->working->windowTitle(), "Working...");
  EXPECT_TRUE(app->working->isVisible());
  EXPECT_FALSE(app->working->isModal());
  EXPECT_FALSE(Find<QWidget>("pnlMain")->isEnabled());
  EXPECT_TRUE(app->working->isEnabled());
  EXPECT_FALSE(Main().CanClose());
  EXPECT_EQ(bar->maximum(), 5);
  auto *line = app->working->findChild<QLabel *>("lbProgress");
  EXPECT_EQ(line->text().toStdString(), "Patch 1 of 5");
  host.StepProgress();
  EXPECT_EQ(bar->value(), 1);
  EXPECT_TRUE(line->text().startsWith("Patch 2 of 5")) << line->text().toStdString();
  EXPECT_FALSE(host.ProgressCancelled());
  QTest::keyClick(app->working, Qt::Key_Escape);
  EXPECT_TRUE(host.ProgressCancelled());
  host.EndProgress();
  EXPECT_TRUE(Find<QWidget>("pnlMain")->isEnabled());
  EXPECT_TRUE(Main().CanClose());
  // What was done, in the status line and the log.
  EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage().toStdString(),
            "Cancelled after 1 of 5 patches.");
  const std::string newest = Main().Log().Line(0);
  EXPECT_TRUE(QString::fromStdString(newest).endsWith("] Cancelled after 1 of 5 patches."))
      << newest;

  host.BeginProgress(2);
  QTest::keyClick(app->working, Qt::Key_Return);
  EXPECT_TRUE(host.ProgressCancelled());
  host.EndProgress();
  EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage().toStdString(),
            "Cancelled after 0 of 2 patches.");

  // A run that ends by itself leaves the status line as it was.
  host.BeginProgress(1);
  host.StepProgress();
  host.EndProgress();
  EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage().toStdString(),
            "Cancelled after 0 of 2 patches.");
}

// The line beside the bar, from the count, the patches done and the time so far.
TEST(WorkingProgressText, SaysWhichPatchAndAboutHowLongIsLeft) {
  struct Case {
    int count;
    int done;
    qint64 elapsedMs;
    const char *text;
  } const cases[] = {
      {1024, 0, 0, "Patch 1 of 1024"},
      {1024, 0, 5000, "Patch 1 of 1024"}, // no patch done yet: nothing to go by
      {1024, 16, 11400, "Patch 17 of 1024, about 12 min left"},
      {10, 5, 20000, "Patch 6 of 10, about 20 s left"},
      {10, 9, 100, "Patch 10 of 10, about 1 s left"},
      {2, 1, 59600, "Patch 2 of 2, about 1 min left"},
      {1000, 10, 60000, "Patch 11 of 1000, about 1 h 39 min left"},
      {100, 1, 3600000 / 99, "Patch 2 of 100, about 1 h left"},
      {5, 5, 1000, "Patch 5 of 5"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(WorkingProgressText(c.count, c.done, c.elapsedMs).toStdString(), c.text)
        << c.count << " " << c.done << " " << c.elapsedMs;
  EXPECT_EQ(WorkingCancelledText(1, 0).toStdString(), "Cancelled after 0 of 1 patch.");
}

} // namespace
} // namespace zpm
