// SPDX-License-Identifier: GPL-3.0-or-later
// The main and log windows on screens of every size and scale: inside the
// available area, the log below when it fits, else shortened, beside, or
// over the lowest part; and the name column after "Bnk" is dragged.

#include "app/app_fixture.h"
#include "app/sid/sid_list_widget.h"
#include "app/window_fit.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

namespace zpm {
namespace {

struct TFitCase {
  const char *screen;
  QRect area;      // the screen's available area, in logical pixels
  QPoint wanted;   // where the main window would go
  const char *log; // "below", "short", "right", "left", "over"
};

const QSize kMain(860 + 2, 560 + 30); // with a title bar and borders
const QSize kExtra(2, 30);

TEST(WindowFit, BothWindowsStayInsideTheAvailableAreaAtAnySizeAndScale) {
  const TFitCase cases[] = {
      {"1600x1200 at 1.0", {0, 0, 1600, 1170}, {369, 195}, "below"},
      // 1920x1080 at 1.5 is 1280x720 logical, less a 30-pixel panel.
      {"1920x1080 at 1.5", {0, 30, 1280, 690}, {209, 40}, "short"},
      {"1920x1080 at 1.5, main window dragged down", {0, 30, 1280, 690}, {209, 400}, "over"},
      {"2560x1080 at 1.5 with a tall panel", {0, 0, 1706, 640}, {0, 0}, "right"},
      {"main window dragged right", {0, 0, 1706, 640}, {846, 0}, "left"},
      {"1366x768 at 1.25", {0, 0, 1092, 614}, {0, 0}, "over"},
      {"second screen", {1920, 0, 1600, 870}, {2200, 100}, "below"},
  };
  for (const TFitCase &test : cases) {
    SCOPED_TRACE(test.screen);
    const QPoint at = FitMainWindow(test.wanted, kMain, test.area);
    const QRect main(at, kMain);
    if (kMain.height() <= test.area.height()) {
      EXPECT_TRUE(test.area.contains(main));
    }
    const QRect place = FitLogWindow(main, kExtra, test.area);
    const QRect log(place.topLeft(), place.size() + kExtra);
    EXPECT_TRUE(test.area.contains(log))
        << log.x() << "," << log.y() << " " << log.width() << "x" << log.height();
    const std::string side = test.log;
    if (side == "below" || side == "short") {
      EXPECT_EQ(log.top(), main.bottom() + 1);
      EXPECT_EQ(log.left(), main.left());
      EXPECT_EQ(log.width(), main.width());
      EXPECT_EQ(place.height() == kLogHeight, side == "below");
      EXPECT_GE(place.height(), kLogMinHeight);
    } else if (side == "right" || side == "left") {
      EXPECT_FALSE(log.intersects(main));
      EXPECT_EQ(log.left() > main.left(), side == "right");
      EXPECT_GE(place.width(), kLogMinWidth);
    } else {
      EXPECT_EQ(log.bottom(), test.area.bottom());
    }
  }
}

using TWindowFitTest = TAppFixture;

TEST_F(TWindowFitTest, TheLogWindowStaysOnTheScreenTheMainWindowIsOn) {
  Start();
  Main().show();
  QCoreApplication::processEvents();
  const QRect area = Main().screen()->availableGeometry();
  // A screen narrower than the main window: the log keeps to its height.
  const QRect log = app->log->frameGeometry();
  if (Main().frameGeometry().width() > area.width()) {
    EXPECT_GE(log.top(), area.top());
    EXPECT_LE(log.bottom(), area.bottom());
  } else {
    EXPECT_TRUE(area.contains(Main().frameGeometry()));
    EXPECT_TRUE(area.contains(log))
        << area.width() << "x" << area.height() << " log at " << log.y();
  }
  // The test_gui_scaled run: 1920x1080 at 1.5 is 1280x720. The log is
  // shortened below the main window, not pushed off the screen.
  if (Main().screen()->size() == QSize(1280, 720)) {
    EXPECT_EQ(app->log->frameGeometry().top(), Main().frameGeometry().bottom() + 1);
    EXPECT_LT(app->log->height(), kLogHeight);
    EXPECT_GE(app->log->height(), kLogMinHeight);
  }
  Main().move(area.left() + 10, area.bottom() - 100);
  QCoreApplication::processEvents();
  EXPECT_GE(app->log->frameGeometry().top(), area.top());
  EXPECT_LE(app->log->frameGeometry().bottom(), area.bottom());
}

TEST_F(TWindowFitTest, TheNameColumnTakesWhatTheOtherColumnsLeaveAfterADrag) {
  Start();
  Main().show();
  QCoreApplication::processEvents();
  auto *list = Find<TSidPatchList>("lvSysExPatchList");
  QHeaderView *columns = list->horizontalHeader();
  for (int bank : {90, 20, 150}) {
    columns->resizeSection(0, bank);
    QCoreApplication::processEvents();
    EXPECT_EQ(columns->sectionSize(0) + columns->sectionSize(1) + columns->sectionSize(2),
              list->viewport()->width())
        << bank;
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << bank;
  }
}

} // namespace
} // namespace zpm
