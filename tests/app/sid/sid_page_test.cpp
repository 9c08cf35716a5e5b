// The SID patches page through its real widgets, found by object name, over
// the in-process simulated SID with the fake host; files go through a
// temporary folder. Error boxes are real modal boxes, read and closed.

#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_page.h"
#include "app/sid/spin_button_widget.h"

#include "app/test_context.h"
#include "sid/sid_file.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace zpm {
namespace {

const char *const kPatchQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet Patch from this Bank ?";
const char *const kBankQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

// Runs action and closes every message box it brings up; their texts.
QStringList CloseBoxes(const std::function<void()> &action) {
  QStringList texts;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      texts << box->text();
      box->done(QMessageBox::Ok);
    }
  });
  timer.start();
  action();
  timer.stop();
  return texts;
}

QStringList Row(QTableView *list, int row) {
  QStringList texts;
  for (int column = 0; column < 3; ++column)
    texts << list->model()->index(row, column).data().toString();
  return texts;
}

// As a Ctrl+click adds a row.
void AddToSelection(QTableView *list, int row) {
  list->selectionModel()->select(list->model()->index(row, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

TSimOptions Carts(TBankMask banks) {
  TSimOptions options;
  options.sidBanks = banks;
  return options;
}

TSimOptions Firmware16() {
  TSimOptions options;
  options.firmware16 = true;
  return options;
}

TPatch NamedPatch(const char *name, uint8_t bank, uint8_t number, uint8_t device = 0) {
  TPatch patch;
  for (size_t i = 0; name[i] != 0 && i < kNameSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>(name[i]);
  patch.Bank = bank;
  patch.SetPatchNumber(number);
  patch.SetDeviceNumber(device);
  patch.UpdateChecksum();
  return patch;
}

class SidPage : public ::testing::Test {
protected:
  void Start(const TSimOptions &options = TSimOptions{}) {
    rig = std::make_unique<TSimRig>(options);
    context = std::make_unique<TTestContext>(*rig);
    page = std::make_unique<TSidPage>(*context);
    page->resize(900, 600);
    page->show();
  }

  template <typename Widget> Widget *Find(const char *name) {
    auto *widget = page->findChild<Widget *>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char *name) { Find<QPushButton>(name)->click(); }
  QTableView *GetList() { return Find<QTableView>("lvSysExPatchList"); }
  QTableView *FileList() { return Find<QTableView>("lvFilePatchList"); }
  QString GetBankText() { return Find<QLineEdit>("edGetBank")->text(); }
  void StepBank(int steps) {
    auto *spin = Find<TSpinButton>("spGetBank");
    for (int i = 0; i < std::abs(steps); ++i)
      (steps > 0 ? spin->UpButton() : spin->DownButton())->click();
  }
  // A list already showing one patch that no fetch could produce.
  void StaleGetList() {
    context->SidGetBank().Add(NamedPatch("stale", 6, 99));
    page->RefreshLists();
  }
  void ExpectStale() {
    ASSERT_EQ(GetList()->model()->rowCount(), 1);
    EXPECT_EQ(Row(GetList(), 0), (QStringList{"G", "100", "stale           "}));
  }
  QString TempPath(const char *name) { return dir.filePath(QLatin1String(name)); }

  QTemporaryDir dir;
  std::unique_ptr<TSimRig> rig;
  std::unique_ptr<TTestContext> context;
  std::unique_ptr<TSidPage> page;
};

TEST_F(SidPage, SinglePatchIsListedWithItsBankNumberAndName) {
  Start();
  Click("btnGetSingleBank");
  GetList()->selectRow(3);
  Click("btnGetSingleBank"); // as many rows as before, none of them selected
  EXPECT_TRUE(GetList()->selectionModel()->selectedRows().isEmpty());
  StepBank(2);
  Find<QSpinBox>("seGetPatchNr")->setValue(5);
  Click("btnGetSinglePatch");
  ASSERT_EQ(GetList()->model()->rowCount(), 1);
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"C", "5", "SimSID C005     "}));
  EXPECT_EQ(rig->host.listClearings, 3);
  EXPECT_EQ(GetBankText(), "C");
}

TEST_F(SidPage, BankFetchesFillTheList) {
  Start(Carts(0b00000101));
  StepBank(2);
  Click("btnGetSingleBank");
  ASSERT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"C", "1", "SimSID C001     "}));
  EXPECT_EQ(Row(GetList(), 127), (QStringList{"C", "128", "SimSID C128     "}));

  Click("btnGetAllBanks");
  ASSERT_EQ(GetList()->model()->rowCount(), 256);
  EXPECT_EQ(Row(GetList(), 127), (QStringList{"A", "128", "SimSID A128     "}));
  EXPECT_EQ(Row(GetList(), 128), (QStringList{"C", "1", "SimSID C001     "}));
  EXPECT_EQ(GetBankText(), "C");
  EXPECT_EQ(rig->host.busy, (std::vector<bool>{true, false}));
}

TEST_F(SidPage, SingleCartDeviceAsksAndFallsBackToBankA) {
  Start(Firmware16());
  StaleGetList();
  StepBank(3);
  Click("btnGetSinglePatch"); // the scripted answer is No
  EXPECT_EQ(rig->host.questions, (std::vector<std::string>{kPatchQuestion}));
  ExpectStale();
  EXPECT_EQ(GetBankText(), "D");

  rig->host.answers = {true};
  Click("btnGetSingleBank");
  EXPECT_EQ(rig->host.questions.back(), kBankQuestion);
  ASSERT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(Row(GetList(), 5), (QStringList{"A", "6", "SimSID A006     "}));
  EXPECT_EQ(GetBankText(), "A");
  EXPECT_EQ(Find<TSpinButton>("spGetBank")->property("Tag").toInt(), 0);

  StepBank(5);
  rig->host.questions.clear();
  Click("btnGetAllBanks");
  EXPECT_TRUE(rig->host.questions.empty());
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(GetBankText(), "A");
}

TEST_F(SidPage, MissingBankAndCancelledWaitAddNothing) {
  TSimOptions options = Carts(0b00000011);
  options.fault = {TSimFaultKind::Silence, 0, 2};
  Start(options);
  StaleGetList();
  StepBank(2);
  Click("btnGetSingleBank");
  EXPECT_EQ(rig->host.notices, (std::vector<std::string>{"Bank C not available."}));
  ExpectStale();
  EXPECT_EQ(rig->Sent().size(), 1u); // the Bank Select alone

  StepBank(-1);
  Click("btnGetSingleBank"); // the first dump arrives
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
  Click("btnGetSinglePatch"); // the second does not; the user cancels
  EXPECT_EQ(GetList()->model()->rowCount(), 0);
}

TEST_F(SidPage, ClosedDevicesShowTheErrorAndSendNothing) {
  Start();
  StaleGetList();
  rig->link.OutputDeviceIndex = -1;
  for (const char *button : {"btnGetSinglePatch", "btnGetSingleBank", "btnGetAllBanks"}) {
    SCOPED_TRACE(button);
    EXPECT_EQ(CloseBoxes([&] { Click(button); }), QStringList{"Midi output device not open."});
    ExpectStale();
  }
  rig->link.OutputDeviceIndex = 0;
  rig->link.InputDeviceIndex = -1;
  EXPECT_EQ(CloseBoxes([&] { Click("btnGetSingleBank"); }),
            QStringList{"Midi output device not open."});
  EXPECT_TRUE(rig->Sent().empty());

  rig->link.InputDeviceIndex = 0; // still usable afterwards
  Click("btnGetSingleBank");
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
}

TEST_F(SidPage, SavedPatchesLoadBackInListOrder) {
  ASSERT_TRUE(dir.isValid());
  Start();
  TPatchBank &fetched = context->SidGetBank();
  fetched.Add(NamedPatch("one", 0, 0, 3));
  fetched.Add(NamedPatch("two", 0, 1, 3));
  fetched.Add(NamedPatch("three", 1, 2, 5));
  fetched.Add(NamedPatch("four", 0, 3, 7));
  page->RefreshLists();

  context->savePaths = {TempPath("all.syx")};
  Click("btnSysExSaveAll");
  QFile all(TempPath("all.syx"));
  ASSERT_TRUE(all.open(QIODevice::ReadOnly));
  const QByteArray bytes = all.readAll();
  EXPECT_EQ(bytes.size(), 4 * 266 + 3 * 9);
  EXPECT_EQ(bytes.left(9), QByteArray::fromHex("F000007E46030B00F7"));
  EXPECT_EQ(bytes.mid(9 + 2 * 266, 9), QByteArray::fromHex("F000007E46050B01F7"));

  // Selected from the bottom up; the file keeps the list's order.
  AddToSelection(GetList(), 3);
  AddToSelection(GetList(), 1);
  context->savePaths = {TempPath("selected.syx")};
  Click("btnSysExSendSelected");

  context->openPaths = {TempPath("selected.syx")};
  Click("btnLoadSysFile");
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "selected.syx");
  ASSERT_EQ(FileList()->model()->rowCount(), 2);
  EXPECT_EQ(Row(FileList(), 0), (QStringList{"A", "2", "two             "}));
  EXPECT_EQ(Row(FileList(), 1), (QStringList{"A", "4", "four            "}));
  EXPECT_EQ(context->SidFileBank().GetPatch(1).Dump, fetched.GetPatch(3).Dump);

  FileList()->selectRow(1);
  context->savePaths = {TempPath("again.syx")};
  Click("btnFileSaveSelected");
  context->openPaths = {TempPath("again.syx")};
  Click("btnLoadSysFile");
  ASSERT_EQ(FileList()->model()->rowCount(), 1);
  EXPECT_EQ(context->SidFileBank().GetPatch(0).Dump, fetched.GetPatch(3).Dump);
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "again.syx");
}

TEST_F(SidPage, SavesNeedPatchesASelectionAndAWritableFolder) {
  Start();
  context->savePaths = {TempPath("x.syx")};
  Click("btnSysExSaveAll");
  Click("btnSysExSendSelected");
  Click("btnFileSaveSelected");
  EXPECT_EQ(context->saveDialogs, 0);

  Click("btnGetSingleBank");
  GetList()->selectRow(0);
  context->SidGetBank().Clear(); // the selection now lies beyond the bank
  Click("btnSysExSendSelected");
  EXPECT_EQ(context->saveDialogs, 0);

  context->SidGetBank().Add(NamedPatch("kept", 0, 0));
  page->RefreshLists();
  const QString nowhere = TempPath("missing/x.syx");
  context->savePaths = {nowhere};
  const QStringList errors = CloseBoxes([&] { Click("btnSysExSaveAll"); });
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(nowhere)) << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains("save again")) << errors[0].toStdString();
  EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(SidPage, RefusedFileLeavesTheListEmptyAndTheNameAsItWas) {
  Start();
  context->openPaths = {"", TempPath("no such file.syx")};
  Click("btnLoadSysFile"); // cancelled
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "none");

  const QStringList missing = CloseBoxes([&] { Click("btnLoadSysFile"); });
  ASSERT_EQ(missing.size(), 1);
  EXPECT_TRUE(missing[0].contains(TempPath("no such file.syx")));

  QFile good(TempPath("good.syx"));
  ASSERT_TRUE(good.open(QIODevice::WriteOnly));
  TMemoryStream dump;
  NamedPatch("good", 0, 9).SaveToStream(dump);
  good.write(reinterpret_cast<const char *>(dump.Data().data()), static_cast<qint64>(dump.Size()));
  good.close();
  QFile fm(TempPath("fm.syx"));
  ASSERT_TRUE(fm.open(QIODevice::WriteOnly));
  fm.write(QByteArray::fromHex("F000007E490000F7"));
  fm.close();
  QFile empty(TempPath("empty.syx"));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();

  context->openPaths = {TempPath("good.syx"), TempPath("fm.syx"), TempPath("empty.syx")};
  Click("btnLoadSysFile");
  EXPECT_EQ(Row(FileList(), 0), (QStringList{"A", "10", "good            "}));
  FileList()->selectRow(0);
  EXPECT_EQ(CloseBoxes([&] { Click("btnLoadSysFile"); }),
            QStringList{TempPath("fm.syx") + " is not a SID patch SysEx file."});
  EXPECT_EQ(FileList()->model()->rowCount(), 0);
  EXPECT_TRUE(FileList()->selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "good.syx");
  EXPECT_EQ(CloseBoxes([&] { Click("btnLoadSysFile"); }),
            QStringList{TempPath("empty.syx") + " is too short (0 bytes)"});
}

TEST_F(SidPage, ListsShowNamesAsBytesAndNothingBeyondTheBank) {
  Start();
  TPatch patch = NamedPatch("Bass", 7, 127);
  patch.Data()[5] = 0xE9;
  patch.Data()[6] = 0x7F;
  context->SidGetBank().Add(patch);
  page->RefreshLists();
  EXPECT_EQ(Row(GetList(), 0),
            (QStringList{"H", "128", QString::fromLatin1("Bass \xE9\x7F         ")}));
  context->SidGetBank().Clear(); // refilled, its count not yet set
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"", "", ""}));

  EXPECT_EQ(GetList()->model()->headerData(1, Qt::Horizontal).toString(), "Nr");
  const auto align = [](QTableView *list) {
    return list->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
           Qt::AlignHorizontal_Mask;
  };
  EXPECT_EQ(align(GetList()), Qt::AlignHCenter);
  EXPECT_EQ(align(FileList()), Qt::AlignLeft);
}

TEST_F(SidPage, NameColumnTakesTheRestOfTheWidth) {
  Start();
  for (QTableView *list : {GetList(), FileList()}) {
    page->SelectTab(list == GetList() ? TSidPage::GetTab : TSidPage::SendTab);
    EXPECT_TRUE(list->updatesEnabled()); // the first showing must not freeze the list
    list->resize(list->width() + 400 - list->viewport()->width(), list->height());
    ASSERT_EQ(list->viewport()->width(), 400);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(0), 32);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(1), 30);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(2), 338);
  }
}

TEST_F(SidPage, BankSpinStaysWithinAToH) {
  Start();
  EXPECT_EQ(GetBankText(), "A");
  StepBank(-1);
  EXPECT_EQ(GetBankText(), "A");
  StepBank(9);
  EXPECT_EQ(GetBankText(), "H");
  EXPECT_EQ(Find<TSpinButton>("spGetBank")->Tag(), 7);
  StepBank(-2);
  EXPECT_EQ(GetBankText(), "F");
}

TEST(SaveLocation, StartsEmptyAndKeepsTheChosenDestination) {
  TfrmSaveLocation dialog;
  const auto text = [&](const char *name) {
    return dialog.findChild<QLabel *>(QLatin1String(name))->text();
  };
  auto *bank = dialog.findChild<QLineEdit *>("edBank");
  auto *spin = dialog.findChild<TSpinButton *>("spBank");
  auto *position = dialog.findChild<QSpinBox *>("seNewPosition");
  ASSERT_TRUE(bank && spin && position);
  EXPECT_EQ(dialog.windowTitle(), "Save patch");
  EXPECT_EQ(text("lbPatchname"), "-");
  EXPECT_EQ(text("lbLocation"), "0");
  EXPECT_EQ(text("lbBank"), "0");
  EXPECT_EQ(bank->text(), "A");
  EXPECT_EQ(position->value(), 1);
  EXPECT_EQ(position->minimum(), 1);
  EXPECT_EQ(position->maximum(), 128);

  spin->DownButton()->click();
  EXPECT_EQ(bank->text(), "A");
  for (int i = 0; i < 9; ++i)
    spin->UpButton()->click();
  EXPECT_EQ(bank->text(), "H");
  spin->DownButton()->click();
  position->setValue(77);

  dialog.ShowPatch(NamedPatch("Lead", 2, 9));
  EXPECT_EQ(text("lbPatchname"), "Lead");
  EXPECT_EQ(text("lbLocation"), "10");
  EXPECT_EQ(text("lbBank"), "C");

  // Enter and Esc both cancel; the destination stays for the next use.
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    dialog.show();
    QTest::keyClick(&dialog, static_cast<Qt::Key>(key));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
  }
  dialog.show();
  dialog.findChild<QPushButton *>("btnOK")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  dialog.ShowPatch(NamedPatch("Pad", 0, 0));
  EXPECT_EQ(dialog.DestinationBank(), 6);
  EXPECT_EQ(dialog.NewPosition(), 77);
  EXPECT_EQ(bank->text(), "G");
}

TEST_F(SidPage, LoadingSaysOnceWhatWasCutShortAndWhichChecksumsAreWrong) {
  ASSERT_TRUE(dir.isValid());
  Start();
  TPatchBank bank;
  bank.Add(NamedPatch("one", 0, 0));
  for (uint8_t number : {1, 2, 3}) {
    TPatch wrong = NamedPatch("wrong", 1, number);
    wrong.Dump[264] ^= 0x01;
    bank.Add(wrong);
  }
  bank.Add(NamedPatch("last", 1, 16));
  Bytes bytes = SidFileBytes(bank);
  QFile whole(TempPath("whole.syx"));
  ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
  TPatchBank good;
  good.Add(NamedPatch("fine", 2, 7));
  const Bytes goodBytes = SidFileBytes(good);
  whole.write(reinterpret_cast<const char *>(goodBytes.data()),
              static_cast<qint64>(goodBytes.size()));
  whole.close();
  bytes.resize(bytes.size() - 200); // B:17 keeps 66 of its 266 bytes
  QFile cut(TempPath("cut.syx"));
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
  cut.close();

  context->openPaths = {TempPath("cut.syx"), TempPath("whole.syx")};
  // One message for the whole load, however many patches it concerns.
  EXPECT_EQ(CloseBoxes([&] { Click("btnLoadSysFile"); }),
            QStringList{"The file ends inside patch B:17 (row 5 of the list): only 66 of its 266 "
                        "bytes were in the file, so its last 200 bytes are blank. The checksums "
                        "of 4 patches do not match their data: B:2, B:3, B:4, B:17. Such patches "
                        "are loaded as the file holds them; check them before sending them."});
  EXPECT_EQ(FileList()->model()->rowCount(), 5);
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "cut.syx");
  EXPECT_TRUE(CloseBoxes([&] { Click("btnLoadSysFile"); }).isEmpty());
  EXPECT_EQ(FileList()->model()->rowCount(), 1);
}

} // namespace
} // namespace zpm
