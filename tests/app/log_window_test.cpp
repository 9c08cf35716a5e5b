// SPDX-License-Identifier: GPL-3.0-or-later
// The log window: newest line first, "&Clear log", lines from the driver
// thread, and a page that stays put when the user has scrolled away.

#include "app_fixture.h"

#include <QAction>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>

#include <thread>

namespace zpm {
namespace {

class TLogWindowTest : public TAppFixture {
protected:
  void SetUp() override {
    Start();
    Main().show();
    memLog = app->log->findChild<QListView *>("memLog");
    ASSERT_NE(memLog, nullptr);
  }

  QStringList Shown() {
    QStringList rows;
    for (int row = 0; row < memLog->model()->rowCount(); ++row)
      rows << memLog->model()->index(row, 0).data().toString();
    return rows;
  }

  void Add(int first, int count) {
    for (int i = first; i < first + count; ++i)
      Main().Log().AddLogLine("line " + std::to_string(i));
  }

  QListView *memLog = nullptr;
};

TEST_F(TLogWindowTest, NewestLineFirstAndClearLogEmptiesIt) {
  Main().Log().AddLogLine("first");
  Main().Log().AddLogLine("second");
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), QStringList({"second", "first"}));

  QAction *clear = memLog->findChild<QAction *>("Clearlog1");
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->text(), "&Clear log");
  EXPECT_EQ(memLog->contextMenuPolicy(), Qt::ActionsContextMenu);
  clear->trigger();
  EXPECT_TRUE(Shown().isEmpty());

  Main().Log().AddLogLine("third");
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), QStringList({"third"}));
}

TEST_F(TLogWindowTest, LinesFromAnotherThreadArriveInOneUpdateAndSurviveHiding) {
  app->log->close();
  QSignalSpy updates(&app->log->Model(), &TLogModel::linesChanged);
  std::thread driver([this] { Add(0, 500); });
  driver.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(updates.count(), 1);
  EXPECT_EQ(app->log->Model().LineCount(), 500u);

  Config().cbLog->click();
  ASSERT_TRUE(app->log->isVisible());
  EXPECT_EQ(Shown().value(0), "line 499");
  EXPECT_EQ(Shown().value(1), "line 498");
}

TEST_F(TLogWindowTest, ScrolledPageStaysOnItsLinesWhileNewOnesArrive) {
  auto *scroll = app->log->findChild<QScrollBar *>("sbLog");
  ASSERT_NE(scroll, nullptr);
  Add(0, 100);
  QCoreApplication::processEvents();
  const int pageRows = memLog->model()->rowCount();
  ASSERT_GT(pageRows, 1);
  ASSERT_LT(pageRows, 100); // a page, not the whole log
  EXPECT_EQ(scroll->maximum(), 100 - scroll->pageStep());

  scroll->setValue(10);
  EXPECT_EQ(Shown().value(0), "line 89");
  Add(100, 5);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown().value(0), "line 89");
  EXPECT_EQ(scroll->value(), 15);

  // At the top the page follows the newest line.
  scroll->setValue(0);
  Add(105, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown().value(0), "line 105");
  EXPECT_EQ(Shown().value(1), "line 104");

  // The whole log is reachable, down to the oldest line.
  scroll->setValue(scroll->maximum());
  EXPECT_EQ(Shown().value(scroll->pageStep() - 1), "line 0");
}

} // namespace
} // namespace zpm
