// SPDX-License-Identifier: GPL-3.0-or-later
// "Compare with..." through the real windows: the viewer opened from a list,
// the second patch picked from the program's lists or from a file.

#include "app/sid/sid_page.h"
#include "app/viewer/compare_picker.h"
#include "app/viewer/hex_view.h"
#include "app/viewer/hex_view_form.h"

#include "app/page_fixture.h"
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

using CompareInWindow = TPageFixture;

TEST_F(CompareInWindow, PatchFromAnotherListIsSetBesideTheOpenedOne) {
  Start();
  Main().resize(1000, 700);
  Main().show();
  Main().SidGetBank().Add(Named("Mine", 0, 100));
  Main().SidFileBank().Add(Named("Backup", 0, 90));
  Find<TSidPage>("SidPage")->RefreshLists();
  auto *list = Find<QTableView>("lvSysExPatchList");
  QCoreApplication::processEvents();

  QStringList picked, markedLabels;
  QString thirdHeader;
  bool asked = false;
  TDialogs dialogs;
  dialogs.other = [&](QWidget *modal) {
    if (auto *pick = qobject_cast<TfrmComparePick *>(modal)) {
      for (int i = 0; i < pick->List()->count(); ++i)
        picked << pick->List()->item(i)->text();
      pick->List()->setCurrentRow(1);
      pick->accept();
    } else if (auto *viewer = qobject_cast<TfrmHexView *>(modal)) {
      if (!viewer->Comparing()) {
        if (!std::exchange(asked, true)) // the picker's loop runs inside this click
          viewer->CompareButton()->click();
        return;
      }
      for (int row : viewer->MarkedRows())
        markedLabels << viewer->List()->item(row, 0)->text();
      thirdHeader = viewer->List()->horizontalHeaderItem(2)->text();
      viewer->close();
    }
  };
  Run(
      [&] {
        QTest::mousePress(list->viewport(), Qt::RightButton, {},
                          list->visualRect(list->model()->index(0, 0)).center());
      },
      dialogs);
  EXPECT_EQ(picked, (QStringList{"SID fetched: sid A:1 Mine", "SID file: sid A:1 Backup"}));
  EXPECT_EQ(markedLabels, (QStringList{"Patch Name", "Volume"}));
  EXPECT_EQ(thirdHeader, "SID file: sid A:1 Backup");
  // The lists' patches are as they were.
  EXPECT_EQ(Main().SidGetBank().GetPatch(0).Data()[16], 100);
  EXPECT_EQ(Main().SidFileBank().GetPatch(0).Data()[16], 90);
}

using ComparePick = TPageFixture;

TEST_F(ComparePick, PatchesOfAFileCanBeChosenAndCancelChoosesNothing) {
  Start();
  QTemporaryDir dir;
  RandomRun run;
  run.Bank = 1;
  run.Count = 2;
  const Bytes bytes = CreateSidRandomFile(run, MakeSidRandomGrid());
  const QString path = dir.filePath("backup.syx");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
  file.close();
  Main().SidGetBank().Add(Named("Mine", 4, 1));

  // "From file..." opens the program's own open dialog, nested in the picker's.
  TfrmComparePick pick(Main(), &Main());
  QStringList shown;
  TDialogs dialogs;
  dialogs.paths << path;
  dialogs.other = [&](QWidget *modal) {
    ASSERT_EQ(modal, &pick);
    pick.findChild<QPushButton *>("btnFromFile")->click();
    for (int i = 0; i < pick.List()->count(); ++i)
      shown << pick.List()->item(i)->text();
    pick.accept();
  };
  TCompareChoice choice;
  bool chosen = false;
  Run([&] { chosen = pick.Choose(choice); }, dialogs);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(dialogs.fileDialogs, 1);
  EXPECT_EQ(shown, (QStringList{"SID fetched: sid A:5 Mine", "backup.syx: sid B:1 Random Patch 1",
                                "backup.syx: sid B:2 Random Patch 2"}));
  EXPECT_EQ(choice.title, "backup.syx: sid B:1 Random Patch 1");
  EXPECT_EQ(choice.image, Bytes(bytes.begin() + 9, bytes.begin() + 9 + kSidDumpSize));

  dialogs.other = [&](QWidget *) { pick.reject(); };
  Run([&] { chosen = pick.Choose(choice); }, dialogs);
  EXPECT_FALSE(chosen);
}

} // namespace
} // namespace zpm
