// SPDX-License-Identifier: GPL-3.0-or-later
// The SID patches page inside the real main window over the built-in
// simulator: its real widgets found by object name, its real boxes and file
// dialogs answered as a user would; files go through a temporary folder.

#include "app/sid/save_location_dialog.h"
#include "app/sid/sid_window.h"
#include "app/sid/spin_button_widget.h"
#include "app/wait_dialog.h"
#include "sid/sid_file.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

namespace zpm {
namespace {

const char *const kPatchQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet Patch from this Bank ?";
const char *const kBankQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

TSimOptions Carts(TBankMask banks) {
  TSimOptions options;
  options.sidBanks = banks;
  return options;
}

class TSidPageTest : public TSidWindowTest {
protected:
  QString GetBankText() { return Find<QLineEdit>("edGetBank")->text(); }
  void StepBank(int steps) {
    auto *spin = Find<TSpinButton>("spGetBank");
    for (int i = 0; i < std::abs(steps); ++i)
      (steps > 0 ? spin->UpButton() : spin->DownButton())->click();
  }
  // A list already showing one patch that no fetch could produce.
  void StaleGetList() {
    Main().SidGetBank().Add(NamedPatch("stale", 6, 99));
    Page().RefreshLists();
  }
  void ExpectStale() {
    ASSERT_EQ(GetList()->model()->rowCount(), 1);
    EXPECT_EQ(Row(GetList(), 0), (QStringList{"G", "100", "stale           "}));
  }
  QString TempPath(const char *name) { return dir.filePath(QLatin1String(name)); }
  void WriteFile(const char *name, const QByteArray &bytes) {
    QFile file(TempPath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  static QByteArray FileBytes(const TPatchBank &bank) {
    const Bytes bytes = SidFileBytes(bank);
    return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
  }

  QTemporaryDir dir;
};

TEST_F(TSidPageTest, SinglePatchIsListedWithItsBankNumberAndName) {
  StartSid();
  Press("btnGetSingleBank");
  GetList()->selectRow(3);
  Press("btnGetSingleBank"); // as many rows as before, none of them selected
  EXPECT_TRUE(GetList()->selectionModel()->selectedRows().isEmpty());
  GetList()->selectRow(0);
  StepBank(2);
  Find<QSpinBox>("seGetPatchNr")->setValue(5);
  Press("btnGetSinglePatch");
  ASSERT_EQ(GetList()->model()->rowCount(), 1);
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"C", "5", "SimSID C005     "}));
  EXPECT_TRUE(GetList()->selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(GetBankText(), "C");
}

TEST_F(TSidPageTest, BankFetchesFillTheListUnderTheHourglass) {
  StartSid(Carts(0b00000101));
  bool hourglass = false;
  const TDialogs look = EachTurn([&] {
    hourglass = hourglass || (QApplication::overrideCursor() &&
                              QApplication::overrideCursor()->shape() == Qt::WaitCursor);
  });
  StepBank(2);
  Press("btnGetSingleBank", look);
  EXPECT_FALSE(hourglass);
  ASSERT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"C", "1", "SimSID C001     "}));
  EXPECT_EQ(Row(GetList(), 127), (QStringList{"C", "128", "SimSID C128     "}));

  Press("btnGetAllBanks", look);
  EXPECT_TRUE(hourglass);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(GetList()->model()->rowCount(), 256);
  EXPECT_EQ(Row(GetList(), 127), (QStringList{"A", "128", "SimSID A128     "}));
  EXPECT_EQ(Row(GetList(), 128), (QStringList{"C", "1", "SimSID C001     "}));
  EXPECT_EQ(GetBankText(), "C");
}

TEST_F(TSidPageTest, SingleCartDeviceAsksAndFallsBackToBankA) {
  TSimOptions firmware16;
  firmware16.firmware16 = true;
  StartSid(firmware16);
  StaleGetList();
  StepBank(3);
  EXPECT_EQ(Press("btnGetSinglePatch", Answering(false)).asked, QStringList{kPatchQuestion});
  ExpectStale();
  EXPECT_EQ(GetBankText(), "D");

  EXPECT_EQ(Press("btnGetSingleBank", Answering(true)).asked, QStringList{kBankQuestion});
  ASSERT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(Row(GetList(), 5), (QStringList{"A", "6", "SimSID A006     "}));
  EXPECT_EQ(GetBankText(), "A");
  EXPECT_EQ(Find<TSpinButton>("spGetBank")->property("Tag").toInt(), 0);

  StepBank(5);
  EXPECT_TRUE(Press("btnGetAllBanks").asked.isEmpty());
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
  EXPECT_EQ(GetBankText(), "A");
}

TEST_F(TSidPageTest, MissingBankAndCancelledWaitAddNothing) {
  TSimOptions options = Carts(0b00000011);
  options.fault = {TSimFaultKind::Silence, 0, 2};
  StartSid(options);
  StaleGetList();
  StepBank(2);
  EXPECT_EQ(Press("btnGetSingleBank").told, QStringList{"Bank C not available."});
  ExpectStale();
  EXPECT_EQ(Sent().size(), 1); // the Bank Select alone

  StepBank(-1);
  Press("btnGetSingleBank"); // the first dump arrives
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
  // The second does not; the user presses "&Cancel".
  TDialogs cancel;
  cancel.cancelSilentWaits = true;
  EXPECT_EQ(Press("btnGetSinglePatch", cancel).cancelledWaits, 1);
  EXPECT_EQ(GetList()->model()->rowCount(), 0);
  EXPECT_FALSE(app->wait->isVisible());
  EXPECT_FALSE(Find<QPushButton>("btnSysExSaveAll")->isEnabled()); // nothing left to save
}

TEST_F(TSidPageTest, ACutShortDumpOrALostServiceIsToldAtOnce) {
  struct TCase {
    size_t kept; // the dump's bytes that arrive, its F7 last; 0: silence, then the service is lost
    const char *button;
    const char *told;
  };
  const TCase cases[] = {
      {30297, "btnGetSingleBank",
       "The bank dump was cut short (30297 of 32777 bytes); nothing was added."},
      {100, "btnGetSinglePatch",
       "The patch dump was cut short (100 of 266 bytes); nothing was added."},
      {0, "btnGetAllBanks", "The JACK server has shut down."},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.told);
    TSimOptions options;
    options.fault = {c.kept ? TSimFaultKind::Spliced : TSimFaultKind::Silence, c.kept,
                     c.kept ? 1 : 0};
    StartSid(options);
    StaleGetList();
    // The wait ends by itself: the user never has to press "&Cancel".
    TSafetyNet net(app->wait, 20000);
    bool lost = false;
    const TDialogs dialogs =
        Press(c.button, EachTurn([&] {
                if (!c.kept && !lost && QApplication::activeModalWidget() == app->wait) {
                  lost = true;
                  Simulator().LoseService("The JACK server has shut down.");
                }
              }));
    EXPECT_FALSE(net.fired);
    EXPECT_EQ(dialogs.told, QStringList{c.told});
    EXPECT_EQ(GetList()->model()->rowCount(), 0);
    EXPECT_EQ(Main().Reception().Outcome().end,
              c.kept ? TWaitEnd::CutShort : TWaitEnd::ServiceLost);
  }
}

TEST_F(TSidPageTest, ClosedDevicesShowTheErrorAndSendNothing) {
  StartSid();
  StaleGetList();
  QComboBox *input = Config().cbxInputDevices, *output = Config().cbxOutputDevices;
  output->setCurrentIndex(output->count() - 1); // "None"
  for (const char *button : {"btnGetSinglePatch", "btnGetSingleBank", "btnGetAllBanks"}) {
    SCOPED_TRACE(button);
    EXPECT_EQ(Press(button).told, QStringList{"Midi output device not open."});
    ExpectStale();
  }
  output->setCurrentIndex(0);
  input->setCurrentIndex(input->count() - 1);
  EXPECT_EQ(Press("btnGetSingleBank").told, QStringList{"Midi output device not open."});
  EXPECT_TRUE(Sent().empty());

  input->setCurrentIndex(0); // still usable afterwards
  Press("btnGetSingleBank");
  EXPECT_EQ(GetList()->model()->rowCount(), 128);
}

TEST_F(TSidPageTest, SavedPatchesLoadBackInListOrder) {
  ASSERT_TRUE(dir.isValid());
  StartSid();
  TPatchBank &fetched = Main().SidGetBank();
  fetched.Add(NamedPatch("one", 0, 0, 3));
  fetched.Add(NamedPatch("two", 0, 1, 3));
  fetched.Add(NamedPatch("three", 1, 2, 5));
  fetched.Add(NamedPatch("four", 0, 3, 7));
  Page().RefreshLists();

  Press("btnSysExSaveAll", Picking({TempPath("all.syx")})); // a new file: agreed to
  QFile all(TempPath("all.syx"));
  ASSERT_TRUE(all.open(QIODevice::ReadOnly));
  const QByteArray bytes = all.readAll();
  EXPECT_EQ(bytes.size(), 4 * 266 + 3 * 9);
  EXPECT_EQ(bytes.left(9), QByteArray::fromHex("F000007E46030B00F7"));
  EXPECT_EQ(bytes.mid(9 + 2 * 266, 9), QByteArray::fromHex("F000007E46050B01F7"));

  // Selected from the bottom up; the file keeps the list's order.
  SelectRows(GetList(), {3, 1});
  Press("btnSysExSendSelected", Picking({TempPath("selected.syx")}));
  Press("btnLoadSysFile", Picking({TempPath("selected.syx")}));
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "selected.syx");
  ASSERT_EQ(FileList()->model()->rowCount(), 2);
  EXPECT_EQ(Row(FileList(), 0), (QStringList{"A", "2", "two             "}));
  EXPECT_EQ(Row(FileList(), 1), (QStringList{"A", "4", "four            "}));
  EXPECT_EQ(Main().SidFileBank().GetPatch(1).Dump, fetched.GetPatch(3).Dump);

  FileList()->selectRow(1);
  Press("btnFileSaveSelected", Picking({TempPath("again.syx")}));
  Press("btnLoadSysFile", Picking({TempPath("again.syx")}));
  ASSERT_EQ(FileList()->model()->rowCount(), 1);
  EXPECT_EQ(Main().SidFileBank().GetPatch(0).Dump, fetched.GetPatch(3).Dump);
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "again.syx");
}

TEST_F(TSidPageTest, SavesNeedPatchesASelectionAndAWritableFolder) {
  StartSid();
  for (const char *button : {"btnSysExSaveAll", "btnSysExSendSelected", "btnFileSaveSelected"})
    EXPECT_EQ(Press(button, Picking({TempPath("x.syx")})).fileDialogs, 0) << button;

  Press("btnGetSingleBank");
  GetList()->selectRow(0);
  Main().SidGetBank().Clear(); // the selection now lies beyond the bank
  EXPECT_EQ(Press("btnSysExSendSelected", Picking({TempPath("x.syx")})).fileDialogs, 0);

  Main().SidGetBank().Add(NamedPatch("kept", 0, 0));
  Page().RefreshLists();
  const QString nowhere = TempPath("missing/x.syx");
  const QStringList errors = Press("btnSysExSaveAll", Picking({nowhere})).told;
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(nowhere)) << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains("save again")) << errors[0].toStdString();
  EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(TSidPageTest, RefusedFileLeavesTheListEmptyAndTheNameAsItWas) {
  StartSid();
  EXPECT_EQ(Press("btnLoadSysFile").fileDialogs, 1); // cancelled
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "none");

  // The file is gone between the dialog and the reading.
  WriteFile("gone.syx", "");
  const QStringList missing =
      Press("btnLoadSysFile", EachTurn([&] {
              if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                dialog->selectFile(TempPath("gone.syx"));
                static_cast<QDialog *>(dialog)->accept();
                QFile::remove(TempPath("gone.syx"));
              }
            }))
          .told;
  ASSERT_EQ(missing.size(), 1);
  EXPECT_TRUE(missing[0].contains(TempPath("gone.syx"))) << missing[0].toStdString();

  TPatchBank good;
  good.Add(NamedPatch("good", 0, 9));
  WriteFile("good.syx", FileBytes(good));
  WriteFile("fm.syx", QByteArray::fromHex("F000007E490000F7"));
  WriteFile("empty.syx", "");
  Press("btnLoadSysFile", Picking({TempPath("good.syx")}));
  EXPECT_EQ(Row(FileList(), 0), (QStringList{"A", "10", "good            "}));
  FileList()->selectRow(0);
  EXPECT_EQ(Press("btnLoadSysFile", Picking({TempPath("fm.syx")})).told,
            QStringList{TempPath("fm.syx") + " is not a SID patch SysEx file."});
  EXPECT_EQ(FileList()->model()->rowCount(), 0);
  EXPECT_TRUE(FileList()->selectionModel()->selectedRows().isEmpty());
  EXPECT_FALSE(Find<QPushButton>("btnFileSendAll")->isEnabled()); // nothing left to send
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "good.syx");
  EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage().toStdString(),
            "fm.syx was refused; the list is empty");
  EXPECT_EQ(Press("btnLoadSysFile", Picking({TempPath("empty.syx")})).told,
            QStringList{TempPath("empty.syx") + " is too short (0 bytes)"});
}

TEST_F(TSidPageTest, ListsShowNamesAsBytesAndNothingBeyondTheBank) {
  Start();
  TPatch patch = NamedPatch("Bass", 7, 127);
  patch.Data()[5] = 0xE9;
  patch.Data()[6] = 0x7F;
  Main().SidGetBank().Add(patch);
  Page().RefreshLists();
  EXPECT_EQ(Row(GetList(), 0),
            (QStringList{"H", "128", QString::fromLatin1("Bass \xE9\x7F         ")}));
  Main().SidGetBank().Clear(); // refilled, its count not yet set
  EXPECT_EQ(Row(GetList(), 0), (QStringList{"", "", ""}));

  EXPECT_EQ(GetList()->model()->headerData(1, Qt::Horizontal).toString(), "Nr");
  const auto align = [](QTableView *list) {
    return list->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
           Qt::AlignHorizontal_Mask;
  };
  EXPECT_EQ(align(GetList()), Qt::AlignHCenter);
  EXPECT_EQ(align(FileList()), Qt::AlignLeft);
}

TEST_F(TSidPageTest, NameColumnTakesTheRestOfTheWidth) {
  Start();
  Main().show();
  for (QTableView *list : {GetList(), FileList()}) {
    Page().SelectTab(list == GetList() ? TSidPage::GetTab : TSidPage::SendTab);
    EXPECT_TRUE(list->updatesEnabled()); // the first showing must not freeze the list
    list->resize(list->width() + 400 - list->viewport()->width(), list->height());
    ASSERT_EQ(list->viewport()->width(), 400);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(0), 32);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(1), 30);
    EXPECT_EQ(list->horizontalHeader()->sectionSize(2), 338);
  }
}

TEST_F(TSidPageTest, BankSpinStaysWithinAToH) {
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

TEST_F(TSidPageTest, SaveLocationStartsEmptyAndKeepsTheChosenDestination) {
  Start();
  TfrmSaveLocation &dialog = *app->saveLocation;
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

TEST_F(TSidPageTest, LoadingSaysOnceWhatWasCutShortAndWhichChecksumsAreWrong) {
  ASSERT_TRUE(dir.isValid());
  StartSid();
  TPatchBank bank;
  bank.Add(NamedPatch("one", 0, 0));
  for (uint8_t number : {1, 2, 3}) {
    TPatch wrong = NamedPatch("wrong", 1, number);
    wrong.Dump[264] ^= 0x01;
    bank.Add(wrong);
  }
  bank.Add(NamedPatch("last", 1, 16));
  TPatchBank good;
  good.Add(NamedPatch("fine", 2, 7));
  WriteFile("whole.syx", FileBytes(good));
  WriteFile("cut.syx", FileBytes(bank).chopped(200)); // B:17 keeps 66 of its 266 bytes

  // One message for the whole load, however many patches it concerns.
  EXPECT_EQ(Press("btnLoadSysFile", Picking({TempPath("cut.syx")})).told,
            QStringList{"The file ends inside patch B:17 (row 5 of the list): only 66 of its 266 "
                        "bytes were in the file, so its last 200 bytes are blank. The checksums "
                        "of 4 patches do not match their data: B:2, B:3, B:4, B:17. Such patches "
                        "are loaded as the file holds them; check them before sending them."});
  EXPECT_EQ(FileList()->model()->rowCount(), 5);
  EXPECT_EQ(Find<QLabel>("lbLoadedFile")->text(), "cut.syx");
  EXPECT_TRUE(Press("btnLoadSysFile", Picking({TempPath("whole.syx")})).told.isEmpty());
  EXPECT_EQ(FileList()->model()->rowCount(), 1);
}

} // namespace
} // namespace zpm
