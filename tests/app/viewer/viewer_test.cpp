// SPDX-License-Identifier: GPL-3.0-or-later
// The patch viewer through its real widgets: the right-click opening on the
// program's SID lists and on any list that attaches to it, the hex view's
// rows, colours and hint, the parameter list, and "Compare with...".

#include "app/fm/fm_page.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/sid_page.h"
#include "app/viewer/hex_view.h"
#include "app/viewer/hex_view_form.h"
#include "app/viewer/viewer_opening.h"

#include "app/app_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <string>

namespace zpm {
namespace {

TPatch SidPatch(const char *name, uint8_t bank, uint8_t number) {
  TPatch patch;
  for (size_t i = 0; name[i] != 0 && i < kNameSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

TFMPatch FmPatch(const char *name, uint8_t type, uint8_t bank, uint8_t number) {
  TFMPatch patch;
  for (size_t i = 0; name[i] != 0 && i < kNameSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.SetPatchType(type);
  patch.SetBank(bank);
  patch.SetPatchNumber(number);
  patch.UpdateChecksum();
  return patch;
}

// What the viewer showed while it was up, read before it is closed.
struct TShown {
  int openings = 0;
  QString caption;
  QString panels[5];
  int rows = 0;
};

// Right-presses the point of the list's viewport; whatever modal window
// comes up is read and closed.
TShown RightPress(QAbstractItemView *list, const QPoint &point) {
  TShown shown;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (auto *viewer = qobject_cast<TfrmHexView *>(QApplication::activeModalWidget())) {
      ++shown.openings;
      shown.caption = viewer->windowTitle();
      for (int i = 0; i < 5; ++i)
        shown.panels[i] = viewer->PanelText(i);
      shown.rows = viewer->List()->rowCount();
      viewer->close();
    }
  });
  timer.start();
  QTest::mousePress(list->viewport(), Qt::RightButton, {}, point);
  QCoreApplication::processEvents();
  timer.stop();
  return shown;
}

TShown RightPressRow(QAbstractItemView *list, int row) {
  return RightPress(list, list->visualRect(list->model()->index(row, 0)).center());
}

class ViewerOpening : public TAppFixture {
protected:
  void SetUp() override {
    Start();
    Main().resize(1000, 700);
    Main().show();
  }
  TSidPage &Page() { return *Find<TSidPage>("SidPage"); }
};

TEST_F(ViewerOpening, LastPatchOfEachSidListOpensAndAnEmptyAreaDoesNothing) {
  struct Case {
    const char *list;
    TSidPage::Tab tab;
    TPatchBank &(TfrmMain::*bank)();
  };
  const Case cases[] = {{"lvSysExPatchList", TSidPage::GetTab, &TfrmMain::SidGetBank},
                        {"lvFilePatchList", TSidPage::SendTab, &TfrmMain::SidFileBank}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.list);
    TPatchBank &bank = (Main().*c.bank)();
    bank.Add(SidPatch("First", 1, 0));
    bank.Add(SidPatch("Second", 1, 1));
    bank.Add(SidPatch("LastOne", 2, 127));
    Page().RefreshLists();
    Page().SelectTab(c.tab);
    auto *list = Find<QTableView>(c.list);
    QCoreApplication::processEvents();

    const TShown last = RightPressRow(list, 2);
    EXPECT_EQ(last.openings, 1);
    EXPECT_EQ(last.caption, "Patch Hex View - 128 - LastOne");
    EXPECT_EQ(last.panels[0], "Bank: C");
    EXPECT_EQ(last.panels[1], "Location: 128");
    EXPECT_EQ(last.panels[2], "Name: LastOne");
    EXPECT_EQ(last.panels[3], QString("Checksum: %1").arg(bank.GetPatch(2).Checksum()));
    EXPECT_EQ(last.panels[4], "Patchtype: SID");

    // Below the last row the list is empty: no patch, no viewer.
    const QRect lastRect = list->visualRect(list->model()->index(2, 0));
    ASSERT_LT(lastRect.bottom() + 20, list->viewport()->height());
    EXPECT_EQ(RightPress(list, QPoint(lastRect.center().x(), lastRect.bottom() + 20)).openings, 0);
    // The left button belongs to the list's selection.
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, lastRect.center());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

TEST_F(ViewerOpening, LastPatchOfEachFmListOpens) {
  auto *fm = Find<TFmPage>("FmPage");
  Find<QStackedWidget>("pgPages")->setCurrentWidget(fm);
  struct Case {
    TFmListId list;
    uint8_t type;
    const char *caption;
    const char *typePanel;
  };
  const Case cases[] = {
      {TFmListId::VoicesGet, kFmVoice, "Patch Hex View - 2 - Lead", "Patchtype: FM / Voice"},
      {TFmListId::DrumsGet, kFmDrumset, "Patch Hex View - 2 - Lead", "Patchtype: FM / Drumset"},
      {TFmListId::EnsemblesGet, kFmEnsemble, "Patch Hex View - 2 - Lead",
       "Patchtype: FM / Ensemble"},
      {TFmListId::VoicesSend, kFmVoice, "Patch Hex View - 2 - Lead", "Patchtype: FM / Voice"},
      {TFmListId::DrumsSend, kFmDrumset, "Patch Hex View - 2 - Lead", "Patchtype: FM / Drumset"},
      {TFmListId::EnsemblesSend, kFmEnsemble, "Patch Hex View - 2 - Lead",
       "Patchtype: FM / Ensemble"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(static_cast<int>(c.list));
    TFMPatchBank &bank = fm->Bank(c.list);
    bank.Add(FmPatch("Bass", c.type, 0, 0));
    bank.Add(FmPatch("Lead", c.type, 4, 1));
    fm->RefreshLists();
    fm->SelectTab(c.list < TFmListId::VoicesSend ? TFmPage::GetTab : TFmPage::SendTab);
    QCoreApplication::processEvents();
    const TShown last = RightPressRow(&fm->List(c.list), 1);
    EXPECT_EQ(last.openings, 1);
    EXPECT_EQ(last.caption, c.caption);
    EXPECT_EQ(last.panels[0], "Bank: E");
    EXPECT_EQ(last.panels[4], c.typePanel);
  }
}

// Any list attaches the same way; a plain list with an FM bank behind it,
// with one row more than the bank holds.
TEST_F(ViewerOpening, AnyListOpensItsRowsBelowCountOnly) {
  TFMPatchBank bank;
  bank.Add(FmPatch("Bass", kFmVoice, 0, 0));
  bank.Add(FmPatch("\x11\x22", kFmDrumset, 3, 15));
  QStandardItemModel model(3, 1);
  QTableView list;
  list.setModel(&model);
  list.resize(300, 300);
  list.show();
  AttachPatchViewer(&list, *app->hexView, bank);

  const TShown drumset = RightPressRow(&list, 1);
  EXPECT_EQ(drumset.openings, 1);
  EXPECT_EQ(drumset.caption, "Patch Hex View - 16 - \x11\x22");
  EXPECT_EQ(drumset.panels[0], "Bank: D");
  EXPECT_EQ(drumset.panels[2], "Name: ---");
  EXPECT_EQ(drumset.panels[4], "Patchtype: FM / Drumset");
  EXPECT_EQ(RightPressRow(&list, 2).openings, 0); // a row beyond the bank's Count
}

class Viewer : public ::testing::Test {
protected:
  TfrmHexView viewer;
  THexModel &Model() { return viewer.HexView()->Model(); }
};

TEST_F(Viewer, StartsWithTheInitialCaptionPanelsSizeAndParameterTab) {
  EXPECT_EQ(viewer.windowTitle(), "Patch Viewer");
  EXPECT_EQ(viewer.size(), QSize(719, 390));
  EXPECT_TRUE(viewer.windowFlags() & Qt::Tool);
  const char *texts[] = {"Bank:", "Location:", "Name:", "Checksum:", "Patchtype:"};
  const int widths[] = {60, 90, 200, 90, 50};
  // At least as wide as the form has them, and wide enough for the longest text each shows.
  const char *widest[] = {"Bank: H", "Location: 128", "", "Checksum: 127", ""};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(viewer.PanelText(i), texts[i]);
    const auto *panel = viewer.findChild<QLabel *>(QString("Panel%1").arg(i));
    EXPECT_GE(panel->minimumWidth(), widths[i]);
    EXPECT_GE(panel->minimumWidth(), panel->fontMetrics().horizontalAdvance(widest[i])) << i;
  }
  EXPECT_EQ(viewer.Tabs()->tabText(0), "&Hex View");
  EXPECT_EQ(viewer.Tabs()->tabText(1), "&Parameter View");
  EXPECT_EQ(viewer.Tabs()->currentIndex(), TfrmHexView::ParameterTab);
  EXPECT_EQ(viewer.List()->geometry(), QRect(16, 16, 404, 289));
  EXPECT_EQ(viewer.List()->horizontalHeaderItem(0)->text(), "Parameter");
  EXPECT_EQ(viewer.List()->horizontalHeaderItem(1)->text(), "Value");
}

TEST_F(Viewer, FourLetterNameWithTwelveZerosShowsOnlyTheLetters) {
  const PatchViewText views[] = {ViewSidPatch(SidPatch("Lead", 0, 4)),
                                 ViewFmPatch(FmPatch("Lead", kFmVoice, 0, 4))};
  for (const PatchViewText &view : views) {
    viewer.Load(view);
    EXPECT_EQ(viewer.windowTitle(), "Patch Hex View - 5 - Lead");
    EXPECT_EQ(viewer.PanelText(2), "Name: Lead");
  }
}

TEST_F(Viewer, SidShows17RowsAndFm16RowsAnd12Bytes) {
  struct Case {
    PatchViewText view;
    int rows;
    int lastRowBytes;
    int parameterRows;
  };
  const Case cases[] = {{ViewSidPatch(SidPatch("S", 0, 0)), 17, 10, -1},
                        {ViewFmPatch(FmPatch("F", kFmVoice, 0, 0)), 17, 12, -1}};
  for (const Case &c : cases) {
    viewer.Load(c.view);
    EXPECT_EQ(Model().DataRowCount(), c.rows);
    EXPECT_EQ(Model().Size(), c.view.image.size());
    int bytes = 0;
    for (int column = THexModel::kFirstHexColumn; column < THexModel::kFirstCharColumn; ++column)
      bytes += Model().CellPosition(column, c.rows).has_value();
    EXPECT_EQ(bytes, c.lastRowBytes);
    EXPECT_FALSE(Model().CellPosition(THexModel::kFirstHexColumn, c.rows + 1).has_value());
    EXPECT_EQ(viewer.List()->rowCount(), static_cast<int>(c.view.rows.size()));
    EXPECT_GT(viewer.List()->rowCount(), 0);
  }
  EXPECT_EQ(Model().CellText(THexModel::kPositionColumn, 17), "0x0100");
  EXPECT_EQ(Model().CellText(THexModel::kFirstHexColumn, 1), "F0");
}

TEST_F(Viewer, SysExFrameBytesAreRedInBothPartsAndOtherBytesAreNot) {
  TPatch patch = SidPatch("Red", 0, 0);
  patch.Data()[20] = 247; // dump byte 28: row 2, column 12
  patch.Data()[21] = 0x7F;
  patch.UpdateChecksum();
  viewer.Load(ViewSidPatch(patch));
  THexView &hex = *viewer.HexView();
  const QColor red(255, 0, 0);
  struct Case {
    size_t position;
    bool red;
  };
  const Case cases[] = {{0, true}, {265, true}, {28, true}, {29, false}, {4, false}, {264, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.position);
    const int row = THexModel::RowOf(c.position);
    EXPECT_EQ(hex.CellTextColour(THexModel::HexColumnOf(c.position), row) == red, c.red);
    EXPECT_EQ(hex.CellTextColour(THexModel::CharColumnOf(c.position), row) == red, c.red);
  }
  // Other hex digits alternate blue and navy; the position column is black.
  EXPECT_EQ(hex.CellTextColour(1, 2), QColor(0, 0, 255));
  EXPECT_EQ(hex.CellTextColour(2, 2), QColor(0, 0, 128));
  EXPECT_EQ(hex.CellTextColour(THexModel::kPositionColumn, 5), QColor(Qt::black));
}

TEST_F(Viewer, UnrecognisedImageAfterAVoiceKeepsPanel4AndEmptiesTheList) {
  viewer.Load(ViewFmPatch(FmPatch("Voice", kFmVoice, 0, 0), viewer.PatchTypePanel()));
  EXPECT_EQ(viewer.PanelText(4), "Patchtype: FM / Voice");
  EXPECT_GT(viewer.List()->rowCount(), 0);
  TFMPatch odd = FmPatch("Odd", kFmVoice, 0, 1);
  odd.Dump[7] = 0x20; // no such type
  viewer.Load(ViewFmPatch(odd, viewer.PatchTypePanel()));
  EXPECT_EQ(viewer.PanelText(4), "Patchtype: FM / Voice");
  EXPECT_EQ(viewer.List()->rowCount(), 0);
  EXPECT_EQ(viewer.PanelText(2), "Name: Odd");
}

TEST_F(Viewer, CursorHintFollowsKeysAndMouseAndTheViewStaysReadOnly) {
  viewer.Load(ViewSidPatch(SidPatch("Hint", 0, 0)));
  viewer.show();
  viewer.Tabs()->setCurrentIndex(TfrmHexView::HexTab);
  THexView &hex = *viewer.HexView();
  EXPECT_EQ(hex.toolTip(), "Offset: 0x0000");
  const Bytes before = hex.Model().Data();
  hex.setFocus();
  QTest::keyClick(&hex, Qt::Key_Down);
  for (int i = 0; i < 10; ++i)
    QTest::keyClick(&hex, Qt::Key_Right);
  EXPECT_EQ(hex.CursorPosition(), 26u);
  EXPECT_EQ(hex.toolTip(), "Offset: 0x001A");
  QTest::keyClicks(&hex, "00ff");
  EXPECT_EQ(hex.Model().Data(), before);
  // A click on a byte's character moves the cursor to that byte.
  const QRect cell = hex.CellRect(THexModel::CharColumnOf(40), THexModel::RowOf(40));
  QTest::mouseClick(hex.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(hex.toolTip(), "Offset: 0x0028");
  QTest::keyClick(&hex, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(hex.CursorPosition(), 265u);
}

TEST_F(Viewer, LastChosenTabStaysForTheNextOpening) {
  viewer.Load(ViewSidPatch(SidPatch("One", 0, 0)));
  viewer.Tabs()->setCurrentIndex(TfrmHexView::HexTab);
  viewer.Load(ViewSidPatch(SidPatch("Two", 0, 1)));
  EXPECT_EQ(viewer.Tabs()->currentIndex(), TfrmHexView::HexTab);
}

TEST_F(Viewer, CompareMarksDifferingRowsAndBytesUntilTheNextOpening) {
  TPatch a = SidPatch("Same", 0, 0);
  TPatch b = a;
  b.Data()[16] = 100; // "Volume"
  b.Data()[26] = 5;   // "Filter_Cutoff"
  b.UpdateChecksum();
  viewer.Load(ViewSidPatch(a));
  viewer.compareChooser = [&](TCompareChoice &choice) {
    choice.image = Bytes(b.Dump.begin(), b.Dump.end());
    choice.title = "Other";
    return true;
  };
  viewer.CompareButton()->click();
  ASSERT_TRUE(viewer.Comparing());
  QTableWidget *list = viewer.List();
  ASSERT_EQ(list->columnCount(), 3);
  EXPECT_EQ(list->horizontalHeaderItem(2)->text(), "Other");
  QStringList marked;
  for (int row : viewer.MarkedRows())
    marked << list->item(row, 0)->text();
  EXPECT_EQ(marked.size(), 2);
  for (const QString &label : marked)
    EXPECT_TRUE(label.contains("Volume", Qt::CaseInsensitive) ||
                label.contains("Cutoff", Qt::CaseInsensitive))
        << label.toStdString();
  const THexModel &hex = viewer.HexView()->Model();
  std::vector<size_t> bytes;
  for (size_t i = 0; i < hex.Size(); ++i)
    if (hex.IsMarked(i))
      bytes.push_back(i);
  EXPECT_EQ(bytes, (std::vector<size_t>{24, 34, 264}));

  viewer.Load(ViewSidPatch(b));
  EXPECT_FALSE(viewer.Comparing());
  EXPECT_EQ(list->columnCount(), 2);
  EXPECT_FALSE(hex.IsMarked(24));
}

} // namespace
} // namespace zpm
