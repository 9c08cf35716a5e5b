// "Compare with..." through the real windows: the viewer opened from a list,
// the second patch picked from the program's lists or from a file.

#include "app/sid/sid_page.h"
#include "app/viewer/compare_picker.h"
#include "app/viewer/hex_view.h"
#include "app/viewer/hex_view_form.h"

#include "app/app_fixture.h"
#include "app/test_context.h"
#include "random/sid_random.h"

#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace zpm {
namespace {

TPatch Named(const char *name, uint8_t number, uint8_t volume) {
  TPatch patch;
  for (size_t i = 0; name[i] != 0; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.Data()[16] = volume;
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

using CompareInWindow = TAppFixture;

TEST_F(CompareInWindow, PatchFromAnotherListIsSetBesideTheOpenedOne) {
  Start();
  Main().resize(1000, 700);
  Main().show();
  Main().SidGetBank().Add(Named("Mine", 0, 100));
  Main().SidFileBank().Add(Named("Backup", 0, 90));
  auto *page = Find<TSidPage>("SidPage");
  page->RefreshLists();
  auto *list = Find<QTableView>("lvSysExPatchList");
  QCoreApplication::processEvents();

  QStringList picked;
  std::vector<int> marked;
  QStringList markedLabels;
  QString thirdHeader;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *pick = qobject_cast<TfrmComparePick *>(modal)) {
      QListWidget *choices = pick->List();
      for (int i = 0; i < choices->count(); ++i)
        picked << choices->item(i)->text();
      choices->setCurrentRow(1);
      pick->accept();
    } else if (auto *viewer = qobject_cast<TfrmHexView *>(modal)) {
      if (!viewer->Comparing()) {
        // Clicked from outside this handler: the picker's own loop must see the timer.
        if (!viewer->property("asked").toBool()) {
          viewer->setProperty("asked", true);
          QTimer::singleShot(0, viewer->CompareButton(), &QPushButton::click);
        }
        return;
      }
      marked = viewer->MarkedRows();
      for (int row : marked)
        markedLabels << viewer->List()->item(row, 0)->text();
      thirdHeader = viewer->List()->horizontalHeaderItem(2)->text();
      viewer->close();
    }
  });
  timer.start();
  QTest::mousePress(list->viewport(), Qt::RightButton, {},
                    list->visualRect(list->model()->index(0, 0)).center());
  timer.stop();
  EXPECT_EQ(picked, (QStringList{"SID fetched: sid A:1 Mine", "SID file: sid A:1 Backup"}));
  EXPECT_EQ(markedLabels, (QStringList{"Patch Name", "Volume"}));
  EXPECT_EQ(thirdHeader, "SID file: sid A:1 Backup");
  // The lists' patches are as they were.
  EXPECT_EQ(Main().SidGetBank().GetPatch(0).Data()[16], 100);
  EXPECT_EQ(Main().SidFileBank().GetPatch(0).Data()[16], 90);
}

TEST(ComparePick, PatchesOfAFileCanBeChosenAndCancelChoosesNothing) {
  QTemporaryDir dir;
  TSimRig rig;
  TTestContext context(rig);
  RandomRun run;
  run.Bank = 1;
  run.Count = 2;
  const Bytes bytes = CreateSidRandomFile(run, MakeSidRandomGrid());
  const QString path = dir.filePath("backup.syx");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
  file.close();
  context.openPaths << path;
  context.SidGetBank().Add(Named("Mine", 4, 1));

  TfrmComparePick pick(context);
  QStringList shown;
  QTimer::singleShot(0, &pick, [&] {
    pick.findChild<QPushButton *>("btnFromFile")->click();
    for (int i = 0; i < pick.List()->count(); ++i)
      shown << pick.List()->item(i)->text();
    pick.accept();
  });
  TCompareChoice choice;
  ASSERT_TRUE(pick.Choose(choice));
  EXPECT_EQ(shown, (QStringList{"SID fetched: sid A:5 Mine", "backup.syx: sid B:1 Random Patch 1",
                                "backup.syx: sid B:2 Random Patch 2"}));
  EXPECT_EQ(choice.title, "backup.syx: sid B:1 Random Patch 1");
  EXPECT_EQ(choice.image, Bytes(bytes.begin() + 9, bytes.begin() + 9 + kSidDumpSize));

  QTimer::singleShot(0, &pick, [&] { pick.reject(); });
  EXPECT_FALSE(pick.Choose(choice));
}

} // namespace
} // namespace zpm
