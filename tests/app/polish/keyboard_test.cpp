// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window from the keyboard and through the accessibility
// layer: bank choosers, Tab out of a list, accelerators with one press,
// Escape ending a run of fetches, the title of every box, and a name for
// every control.

#include "app/app_fixture.h"
#include "app/random/random_page.h"
#include "app/random/range_grid_widget.h"
#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/sid_page.h"
#include "app/sid/spin_button_widget.h"
#include "app/viewer/hex_view_form.h"

#include "app/answer_modals.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

namespace zpm {
namespace {

class TKeyboardTest : public TAppFixture {
protected:
  void ShowActive(QWidget *window) {
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  TSidPage &SidPage() { return *Find<TSidPage>("SidPage"); }
};

struct TBankKey {
  Qt::Key key;
  const char *text; // the text the key types, for the letters
  const char *bank; // the bank shown after the key
};

// From "A": up to the top, past it, down, letters in either case, and keys
// that are not a bank.
const TBankKey kBankKeys[] = {
    {Qt::Key_Up, "", "B"}, {Qt::Key_Up, "", "C"},   {Qt::Key_Down, "", "B"}, {Qt::Key_H, "h", "H"},
    {Qt::Key_Up, "", "H"}, {Qt::Key_E, "E", "E"},   {Qt::Key_Z, "z", "E"},   {Qt::Key_I, "I", "E"},
    {Qt::Key_A, "a", "A"}, {Qt::Key_Down, "", "A"}, {Qt::Key_C, "c", "C"},
};

void TypeBankKeys(QLineEdit *field, const std::function<int()> &tag) {
  for (const TBankKey &step : kBankKeys) {
    QTest::keyClick(field, step.key, Qt::NoModifier);
    EXPECT_EQ(field->text(), step.bank) << QTest::toString(step.key);
    EXPECT_EQ(tag(), step.bank[0] - 'A');
  }
}

TEST_F(TKeyboardTest, EachBankChooserTakesUpDownAndTheLettersAToH) {
  Start();
  ShowActive(&Main());
  auto *getBank = Find<QLineEdit>("edGetBank");
  auto *getSpin = Find<TSpinButton>("spGetBank");
  EXPECT_NE(getBank->focusPolicy() & Qt::TabFocus, 0);
  TypeBankKeys(getBank, [&] { return getSpin->Tag(); });

  TfrmSaveLocation &dialog = *app->saveLocation;
  dialog.show();
  auto *bank = dialog.findChild<QLineEdit *>("edBank");
  TypeBankKeys(bank, [&] { return dialog.DestinationBank(); });
  dialog.hide();
}

TEST_F(TKeyboardTest, TabLeavesEachPatchListAndTheArrowsMoveWithin) {
  Start();
  ShowActive(&Main());
  for (int i = 0; i < 5; ++i) {
    TPatch patch;
    patch.Bank = 1;
    patch.SetPatchNumber(static_cast<uint8_t>(i));
    Main().SidGetBank().Add(patch);
  }
  SidPage().RefreshLists();
  auto *list = Find<QTableView>("lvSysExPatchList");
  list->setFocus();
  list->setCurrentIndex(list->model()->index(0, 0));
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(list->currentIndex().row(), 1);
  QTest::keyClick(list, Qt::Key_Tab);
  EXPECT_FALSE(list->hasFocus());
  EXPECT_EQ(list->currentIndex().row(), 1);
  for (auto *other : Main().findChildren<TSidPatchList *>())
    EXPECT_FALSE(other->tabKeyNavigation()) << other->objectName().toStdString();
}

// From inside a random page's range grid, Tab and Shift+Tab move on to the
// controls beside it, whether the in-cell editor is open or not.
struct TGridKey {
  const char *page;
  const char *row; // whose "Min" cell the editor opens over
  bool inEditor;   // Tab pressed in the open editor, else in the grid itself
  bool back;       // Shift+Tab
  const char *after;
};

const TGridKey kGridKeys[] = {
    {"SidRandomPage", "Filter_Cutoff", true, false, "seSIDrnd"},
    {"SidRandomPage", "Filter_Cutoff", false, false, "seSIDrnd"},
    {"SidRandomPage", "Filter_Cutoff", true, true, "tvNavigation"},
    {"SidRandomPage", "Filter_Cutoff", false, true, "tvNavigation"},
    {"FmRandomPage", "OP1_Volume", true, false, "seFMSeed"},
    {"FmRandomPage", "OP1_Volume", false, true, "tvNavigation"},
};

TEST_F(TKeyboardTest, TabAndShiftTabLeaveTheRangeGridsAndTheEditorIsNamedAfterItsCell) {
  Start();
  ShowActive(&Main());
  for (const TGridKey &key : kGridKeys) {
    SCOPED_TRACE(std::string(key.page) + (key.inEditor ? " editor" : " grid") +
                 (key.back ? " Shift+Tab" : " Tab"));
    auto *page = Find<TRandomPage>(key.page);
    Find<QStackedWidget>("pgPages")->setCurrentWidget(page);
    TRangeGridView &grid = *page->GridView();
    grid.SelectGridCell(kGridMinColumn, grid.Grid().FindRow(key.row));
    ASSERT_TRUE(grid.Editor()->hasFocus());
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(grid.Editor())->text(QAccessible::Name).toStdString(),
        std::string(key.row) + ", Min");
    if (!key.inEditor)
      QTest::keyClick(grid.Editor(), Qt::Key_Return);
    ASSERT_EQ(grid.Editor()->isVisible(), key.inEditor);
    QTest::keyClick(QApplication::focusWidget(), key.back ? Qt::Key_Backtab : Qt::Key_Tab,
                    key.back ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_FALSE(grid.Editor()->isVisible());
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), key.after);
  }
}

struct TAccelerator {
  TSidPage::Tab tab;
  Qt::Key key;
  const char *button; // empty: the key switches the tab
  TSidPage::Tab tabAfter;
};

// "&Send SID patch" and "Get &Single Bank" share S: on the get tab the
// button wins. Buttons on the hidden tab never answer.
const TAccelerator kAccelerators[] = {
    {TSidPage::GetTab, Qt::Key_P, "btnGetSinglePatch", TSidPage::GetTab},
    {TSidPage::GetTab, Qt::Key_S, "btnGetSingleBank", TSidPage::GetTab},
    {TSidPage::GetTab, Qt::Key_A, "btnGetAllBanks", TSidPage::GetTab},
    {TSidPage::SendTab, Qt::Key_L, "btnLoadSysFile", TSidPage::SendTab},
    {TSidPage::SendTab, Qt::Key_I, "btnFileSaveSelected", TSidPage::SendTab},
    {TSidPage::SendTab, Qt::Key_P, "btnFileSendAll", TSidPage::SendTab},
    {TSidPage::SendTab, Qt::Key_D, "btnFileSendSelected", TSidPage::SendTab},
    {TSidPage::SendTab, Qt::Key_G, "", TSidPage::GetTab},
    {TSidPage::SendTab, Qt::Key_S, "", TSidPage::SendTab},
};

TEST_F(TKeyboardTest, EveryAcceleratorOfTheSidPageWorksWithOnePress) {
  Start();
  ShowActive(&Main());
  for (const TAccelerator &row : kAccelerators) {
    const std::unique_ptr<char[]> keyName(QTest::toString(row.key)); // the caller frees it
    SCOPED_TRACE(keyName.get());
    SidPage().SelectTab(row.tab);
    // A box of the row before took the activation with it.
    ShowActive(&Main());
    QCoreApplication::processEvents();
    QPushButton *button = nullptr;
    std::unique_ptr<QSignalSpy> clicks;
    if (*row.button) {
      button = Find<QPushButton>(row.button);
      ASSERT_TRUE(button);
      // The list is empty: some buttons would rightly be off.
      button->setEnabled(true);
      clicks = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
    }
    AnswerModals(
        [&] {
          QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &Main();
          QTest::keyClick(focus, row.key, Qt::AltModifier);
          if (clicks) {
            EXPECT_TRUE(clicks->count() == 1 || clicks->wait(3000));
          }
        },
        [](QWidget *modal) {
          if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        });
    if (clicks) {
      EXPECT_EQ(clicks->count(), 1);
    }
    EXPECT_EQ(SidPage().CurrentTab(), row.tabAfter);
  }
}

TEST_F(TKeyboardTest, EscapeInTheWaitEndsGetAllBanks) {
  Start(/*simulator=*/true);
  ShowActive(&Main());
  // The simulator ignores another device ID: every wait would last until
  // the user ends it.
  Config().seSIDDeviceID->setValue(5);
  int waits = 0;
  const QStringList boxes = AnswerModals([&] { Find<QPushButton>("btnGetAllBanks")->click(); },
                                         [&](QWidget *modal) {
                                           if (modal != app->wait)
                                             return;
                                           ++waits;
                                           QTest::keyClick(modal, Qt::Key_Escape);
                                         });
  EXPECT_EQ(waits, 1) << boxes.join("|").toStdString();
  EXPECT_EQ(Main().SidGetBank().Count(), 0);
  EXPECT_FALSE(app->wait->isVisible());
}

TEST_F(TKeyboardTest, EveryErrorAndQuestionBoxCarriesTheProgramsTitle) {
  Start();
  ShowActive(&Main());
  QStringList titles;
  const auto title = [&](QWidget *modal) {
    titles << modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal))
      box->done(QMessageBox::No);
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
      dialog->reject();
  };
  const std::function<void()> actions[] = {
      // No device is open: each fetch ends in an error box.
      [&] { Find<QPushButton>("btnGetSinglePatch")->click(); },
      [&] { Find<QPushButton>("btnFMGetSingleBank")->click(); },
      [&] { app->host.Ask("Go on?"); },
      [&] { app->host.Inform("Done."); },
  };
  for (const auto &action : actions) {
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (QWidget *modal = QApplication::activeModalWidget())
        title(modal);
    });
    timer.start();
    action();
  }
  ASSERT_EQ(titles.size(), 4);
  for (const QString &text : titles)
    EXPECT_EQ(text, "Zavorin Patch Manager");
}

// What a screen reader would say for each control: never nothing.
QStringList Unnamed(QWidget *root) {
  QStringList unnamed;
  QList<QWidget *> widgets = root->findChildren<QWidget *>();
  widgets.prepend(root);
  for (QWidget *widget : widgets) {
    // The parts Qt builds inside a control, except a line edit's buttons
    // (such as its clear button), which a screen reader shows.
    if (widget->window() != root->window() || qobject_cast<QHeaderView *>(widget) ||
        qobject_cast<QAbstractItemView *>(widget->parentWidget()))
      continue;
    const bool control =
        qobject_cast<QAbstractButton *>(widget) || qobject_cast<QComboBox *>(widget) ||
        qobject_cast<QAbstractSpinBox *>(widget) || qobject_cast<QLineEdit *>(widget) ||
        qobject_cast<QAbstractItemView *>(widget);
    if (!control || qobject_cast<QComboBox *>(widget->parentWidget()) ||
        qobject_cast<QAbstractSpinBox *>(widget->parentWidget()))
      continue;
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
      unnamed << QString("%1 (%2)").arg(widget->objectName(), widget->metaObject()->className());
  }
  return unnamed;
}

TEST_F(TKeyboardTest, EveryControlHasAnAccessibleName) {
  Start();
  ShowActive(&Main());
  EXPECT_EQ(Unnamed(&Main()).join(", ").toStdString(), "");
  for (QWidget *window :
       std::initializer_list<QWidget *>{app->saveLocation, app->wait, app->log, app->hexView}) {
    EXPECT_EQ(Unnamed(window).join(", ").toStdString(), "") << window->objectName().toStdString();
  }
}

} // namespace
} // namespace zpm
