// SPDX-License-Identifier: GPL-3.0-or-later
// The log window's lines by mouse and keyboard: selecting, copying whole
// lines, finding, saving the whole log, and long lines cut in the view only.

#include "app/app_fixture.h"

#include "app/answer_modals.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include <string>

namespace zpm {
namespace {

class TLogSelectionTest : public TAppFixture {
protected:
  void SetUp() override {
    Start();
    Main().show();
    memLog = app->log->findChild<QListView *>("memLog");
    ASSERT_NE(memLog, nullptr);
    for (int i = 0; i < 6; ++i)
      Main().Log().AddLogLine("line " + std::to_string(i));
    QCoreApplication::processEvents();
    QApplication::clipboard()->clear();
  }

  // Row 0 is the newest line.
  void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect rect = memLog->visualRect(memLog->model()->index(row, 0));
    QTest::mouseClick(memLog->viewport(), Qt::LeftButton, modifiers, rect.center());
  }
  QString Copied() {
    QTest::keyClick(memLog, Qt::Key_C, Qt::ControlModifier);
    return QApplication::clipboard()->text();
  }
  QListView *memLog = nullptr;
};

struct TSelectStep {
  int row;
  Qt::KeyboardModifiers modifiers;
  Qt::Key key; // instead of a click when not 0
  const char *copied;
};

// Copies are whole lines, oldest first, whatever the order of the clicks.
const TSelectStep kSteps[] = {
    {0, Qt::NoModifier, Qt::Key(0), "line 5\n"},
    {2, Qt::ShiftModifier, Qt::Key(0), "line 3\nline 4\nline 5\n"},
    {4, Qt::NoModifier, Qt::Key(0), "line 1\n"},
    {1, Qt::ShiftModifier, Qt::Key(0), "line 1\nline 2\nline 3\nline 4\n"},
    {0, Qt::ShiftModifier, Qt::Key_Down, "line 1\nline 2\nline 3\n"},
    {0, Qt::ControlModifier, Qt::Key_A, "line 0\nline 1\nline 2\nline 3\nline 4\nline 5\n"},
};

TEST_F(TLogSelectionTest, ClickShiftAndCtrlASelectWholeLinesThatCopyAsText) {
  EXPECT_EQ(Copied(), "") << "nothing is selected yet";
  for (const TSelectStep &step : kSteps) {
    if (step.key != 0)
      QTest::keyClick(memLog, step.key, step.modifiers);
    else
      Click(step.row, step.modifiers);
    EXPECT_EQ(Copied(), step.copied) << step.row;
  }
  // A selected row shows as selected; new lines do not move the selection.
  Click(0);
  Main().Log().AddLogLine("line 6");
  QCoreApplication::processEvents();
  EXPECT_EQ(Copied(), "line 5\n");
  EXPECT_TRUE(memLog->model()->index(1, 0).data(Qt::BackgroundRole).isValid());
  EXPECT_FALSE(memLog->model()->index(0, 0).data(Qt::BackgroundRole).isValid());
}

TEST_F(TLogSelectionTest, CtrlFFindsOlderMatchesAndGoesRound) {
  Main().Log().AddLogLine("IN: F0 7E end");
  QCoreApplication::processEvents();
  QTest::keyClick(memLog, Qt::Key_F, Qt::ControlModifier);
  auto *find = app->log->findChild<QLineEdit *>("edFind");
  ASSERT_TRUE(find->isVisible());
  QTest::keyClicks(find, "LINE 4");
  QTest::keyClick(find, Qt::Key_Return);
  EXPECT_EQ(Copied(), "line 4\n");
  find->setText("line");
  QStringList found;
  for (int i = 0; i < 7; ++i) {
    QTest::keyClick(find, Qt::Key_F3);
    found << Copied().trimmed();
  }
  EXPECT_EQ(found,
            QStringList({"line 3", "line 2", "line 1", "line 0", "line 5", "line 4", "line 3"}));
  find->setText("no such text");
  QTest::keyClick(find, Qt::Key_Return);
  EXPECT_EQ(Copied(), "line 3\n") << "a search that finds nothing keeps the selection";
  QTest::keyClick(find, Qt::Key_Escape);
  EXPECT_FALSE(find->isVisible());
}

TEST_F(TLogSelectionTest, LongLinesAreCutInTheViewOnlyAndSaveLogWritesEveryLineOldestFirst) {
  std::string chunk = "OUT: F0";
  while (chunk.size() < 6000)
    chunk += " 3A";
  Main().Log().AddLogLine(chunk);
  QCoreApplication::processEvents();
  const QString shown = memLog->model()->index(0, 0).data().toString();
  EXPECT_EQ(shown.left(TLogModel::kShownChars), QString::fromStdString(chunk).left(200));
  EXPECT_LT(shown.size(), 260);
  EXPECT_TRUE(shown.endsWith(QString(" ... (%1 more characters)").arg(chunk.size() - 200)));
  EXPECT_EQ(memLog->model()->index(0, 0).data(Qt::ToolTipRole).toString().remove('\n'),
            QString::fromStdString(chunk));
  EXPECT_FALSE(memLog->model()->index(1, 0).data(Qt::ToolTipRole).isValid());
  EXPECT_LT(memLog->sizeHintForColumn(0), 400 * memLog->fontMetrics().horizontalAdvance('0'));
  Click(0);
  EXPECT_EQ(Copied(), QString::fromStdString(chunk) + "\n");

  QTemporaryDir dir;
  const QString path = dir.filePath("run.txt");
  auto *save = memLog->findChild<QAction *>("actSaveLog");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text(), "&Save log...");
  AnswerModals([&] { save->trigger(); },
               [&](QWidget *modal) {
                 auto *dialog = qobject_cast<QFileDialog *>(modal);
                 ASSERT_NE(dialog, nullptr);
                 dialog->selectFile(path);
                 static_cast<QDialog *>(dialog)->accept();
               });
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()), "line 0\nline 1\nline 2\nline 3\nline 4\nline 5\n" +
                                                   QString::fromStdString(chunk) + "\n");

  // A folder that is not there: the user is told, nothing is written.
  const QString error = app->log->SaveLog(dir.filePath("missing/run.txt"));
  EXPECT_TRUE(error.startsWith("The log could not be saved to ")) << error.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/run.txt")));
}

} // namespace
} // namespace zpm

namespace zpm {
namespace {

TEST_F(TLogSelectionTest, DecodeAddsAReadingToEachSysExRowAndLeavesTheLineAlone) {
  const Bytes select = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0B, 0x01, 0xF7};
  const Bytes ack = {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x0F, 0xF7};
  Main().Log().LogSysExOut(select.data(), select.size());
  Main().Log().LogSysExIn(ack.data(), ack.size());
  QCoreApplication::processEvents();
  const QString line = memLog->model()->index(0, 0).data().toString();
  auto *decode = memLog->findChild<QAction *>("actDecode");
  ASSERT_NE(decode, nullptr);
  EXPECT_EQ(decode->text(), "&Decode");
  decode->setChecked(true);
  EXPECT_EQ(memLog->model()->index(0, 0).data().toString(), line + "   = FM acknowledgement");
  EXPECT_EQ(memLog->model()->index(1, 0).data().toString().section("   = ", 1),
            "SID Bank Select B");
  EXPECT_EQ(memLog->model()->index(2, 0).data().toString(), "line 5") << "not a SysEx line";
  Click(0);
  EXPECT_EQ(Copied(), line + "\n");
  decode->setChecked(false);
  EXPECT_EQ(memLog->model()->index(0, 0).data().toString(), line);
}

} // namespace
} // namespace zpm
