// The ways the window waits: the "Waiting for SysEx" dialog, the delay that
// keeps the user interface alive, the byte wait, and the "Working..." dialog.

#include "app_fixture.h"
#include "sid/sid_messages.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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

  void Feed(size_t count) {
    const Bytes chunk(count, 0x10);
    Main().Reception().HandleSysExData(0, chunk.data(), chunk.size());
  }

  QLabel *lbBytes = nullptr;
};

TEST_F(TWaitTest, CancelGivesThreeAndTheCloseBoxGivesTwo) {
  Main().Reception().BeginWait(WaitSidDump, 266);
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
  WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
}

TEST_F(TWaitTest, CounterFollowsABankDumpAndTheDialogClosesAfterItsLastChunk) {
  Main().Reception().BeginWait(WaitSidDump, 32777);
  QStringList counts;
  WhenModal([&](QWidget *) {
    counts << lbBytes->text();
    for (int chunk = 0; chunk < 17; ++chunk) {
      Feed(chunk < 16 ? 2048 : 9);
      QCoreApplication::processEvents();
      counts << lbBytes->text();
    }
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
  Main().Reception().BeginWait(WaitSidDump, 266);
  std::thread driver;
  WhenModal([&](QWidget *) { driver = std::thread([this] { Feed(266); }); });
  TSafetyNet net(app->wait, 30000);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  driver.join();
  EXPECT_FALSE(net.fired);
  EXPECT_EQ(lbBytes->text(), "266");
}

TEST_F(TWaitTest, BytesThatCameBeforeTheDialogShowedCloseItAtOnce) {
  Main().Reception().BeginWait(WaitSidDump, 266);
  Feed(266);
  TSafetyNet net(app->wait, 30000);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
  EXPECT_FALSE(net.fired);
}

TEST_F(TWaitTest, ALateNoticeOfTheWaitBeforeDoesNotEndTheNextOne) {
  Main().Reception().BeginWait(WaitSidDump, 266);
  Feed(266); // its close notice is still on its way
  Main().Reception().BeginWait(WaitSidDump, 266);
  TSafetyNet net(app->wait, 200);
  EXPECT_EQ(app->host.WaitForSysEx(), kWaitCancelled);
  EXPECT_TRUE(net.fired);
}

TEST_F(TWaitTest, SimulatorAnswersAPatchRequestThroughTheRealDevices) {
  Config().cbxInputDevices->setCurrentIndex(0);
  Config().cbxOutputDevices->setCurrentIndex(0);
  int result = -1;
  TSafetyNet net(app->wait, 30000);
  Main().Link().SendAndWait(WaitSidDump, 266, SidPatchRequest(0, 5),
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
  Main().Reception().BeginWait(WaitFmAck, 0);
  std::thread driver;
  QTimer::singleShot(0, qApp, [&] { driver = std::thread([this] { Feed(9); }); });
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
  EXPECT_EQ(bar->maximum(), 4);
  host.StepProgress();
  EXPECT_EQ(bar->value(), 1);
  EXPECT_FALSE(host.ProgressCancelled());
  QTest::keyClick(app->working, Qt::Key_Escape);
  EXPECT_TRUE(host.ProgressCancelled());
  host.EndProgress();
  EXPECT_TRUE(Find<QWidget>("pnlMain")->isEnabled());
  EXPECT_TRUE(Main().CanClose());

  host.BeginProgress(2);
  QTest::keyClick(app->working, Qt::Key_Return);
  EXPECT_TRUE(host.ProgressCancelled());
  host.EndProgress();
}

} // namespace
} // namespace zpm
