// SPDX-License-Identifier: GPL-3.0-or-later
// The FM page in the real main window over the built-in simulator: the six
// lists, the "Get Patch" group and its fetches, the files of both tabs, and
// the save and send buttons that follow their lists.

#include "app/fm/fm_page.h"

#include "app/page_fixture.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/spin_button_widget.h"
#include "fm/fm_file.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

namespace zpm {
namespace {

Bytes FileBytes(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray data = file.readAll();
  return Bytes(data.begin(), data.end());
}

void WriteBytes(const QString &path, const Bytes &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
}

class FmPageTest : public TPageFixture {
public:
  void Open(const TSimOptions &sim = TSimOptions{}) {
    Stop();
    StartPages(sim);
    page = ShowPage<TFmPage>("FmPage");
  }
  void SetType(int index) { Find<QComboBox>("cmbFMGetTyp")->setCurrentIndex(index); }
  void SetBank(int bank) {
    for (int i = 0; i < 8; ++i)
      page->sbFMGetBankDownClick();
    for (int i = 0; i < bank; ++i)
      page->sbFMGetBankUpClick();
  }
  QString Cell(TFmListId id, int row, int column) {
    return page->List(id).model()->index(row, column).data().toString();
  }
  int Rows(TFmListId id) { return page->List(id).model()->rowCount(); }
  void Select(TFmListId id, std::initializer_list<int> rows) {
    TSidPatchList &list = page->List(id);
    list.clearSelection();
    for (int row : rows)
      list.selectionModel()->select(list.model()->index(row, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QStringList Load(const QString &path) {
    TDialogs dialogs;
    dialogs.paths = {path};
    return Click("btnFMLoadSysEx", dialogs);
  }

  TFmPage *page = nullptr;
  QTemporaryDir dir;
};

TEST_F(FmPageTest, TheSixListsHaveTheirCaptionsColumnsAndWidths) {
  Open();
  const char *const names[] = {"lvFMVoicesGet",  "lvFMDrumsGet",  "lvFMEnsemblesGet",
                               "lvFMVoicesSend", "lvFMDrumsSend", "lvFMEnsemblesSend"};
  for (int tab : {TFmPage::GetTab, TFmPage::SendTab}) {
    page->SelectTab(static_cast<TFmPage::Tab>(tab));
    QApplication::processEvents();
    for (int id = tab * 3; id < tab * 3 + 3; ++id) {
      SCOPED_TRACE(names[id]);
      const bool voices = id % 3 == 0;
      TSidPatchList &list = page->List(static_cast<TFmListId>(id));
      EXPECT_EQ(list.objectName(), names[id]);
      EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
      QHeaderView *header = list.horizontalHeader();
      EXPECT_FALSE(header->sectionsClickable());
      EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "Bnk");
      EXPECT_EQ(list.model()->headerData(1, Qt::Horizontal).toString(), "Nr");
      EXPECT_EQ(list.isColumnHidden(2), !voices);
      EXPECT_EQ(header->sectionSize(0), 32);
      const int width = list.viewport()->width();
      if (voices) {
        EXPECT_EQ(header->sectionSize(2), width - 32 - 30);
      }
      EXPECT_EQ(header->sectionSize(1), voices ? 30 : width - 32);
      auto *group = qobject_cast<QGroupBox *>(list.parentWidget());
      ASSERT_NE(group, nullptr);
      EXPECT_TRUE(group->title().endsWith("Patch list"));
    }
  }
}

TEST_F(FmPageTest, RowsShowBankNumberAndTheNameAsLatin1) {
  Open();
  Main().FmSendVoiceBank().Add(FmPatch(kFmVoice, 2, 9, {'K', 'I', 'C', 'K'}));
  Main().FmSendVoiceBank().Add(FmPatch(kFmVoice, 7, 127, {'A', 0xC4, 0x01, 'z'}));
  Main().FmSendDrumBank().Add(FmPatch(kFmDrumset, 4, 15));
  page->RefreshLists();
  const std::pair<QString, QString> cells[] = {
      {Cell(TFmListId::VoicesSend, 0, 0), "C"},
      {Cell(TFmListId::VoicesSend, 0, 1), "10"},
      {Cell(TFmListId::VoicesSend, 0, 2), "KICK" + QString(12, ' ')},
      {Cell(TFmListId::VoicesSend, 1, 0), "H"},
      {Cell(TFmListId::VoicesSend, 1, 1), "128"},
      {Cell(TFmListId::VoicesSend, 1, 2), QString("A") + QChar(0xC4) + " z" + QString(12, ' ')},
      {Cell(TFmListId::DrumsSend, 0, 0), "E"},
      {Cell(TFmListId::DrumsSend, 0, 1), "16"}};
  for (const auto &[shown, expected] : cells)
    EXPECT_EQ(shown, expected);
  EXPECT_EQ(Rows(TFmListId::EnsemblesSend), 0);
}

TEST_F(FmPageTest, TypeBankAndNumberChoosersKeepToTheirRanges) {
  Open();
  struct TCase {
    int type;
    int value;
    int maximum, after;
  };
  const TCase cases[] = {{1, 100, 16, 1}, {0, 1, 128, 1},     {2, 20, 32, 20},
                         {1, 16, 16, 16}, {0, 128, 128, 128}, {2, 33, 32, 1}};
  auto *number = Find<QSpinBox>("seFMGetPatchNo");
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.type);
    SetType(0);
    number->setValue(c.value);
    SetType(c.type);
    EXPECT_EQ(number->maximum(), c.maximum);
    EXPECT_EQ(number->value(), c.after);
  }
  // The bank chooser stops at A and H.
  auto *bank = Find<QLineEdit>("edFMGetBank");
  auto *spin = Find<TSpinButton>("sbFMGetBank");
  EXPECT_EQ(bank->text(), "A");
  spin->DownButton()->click();
  EXPECT_EQ(bank->text(), "A");
  for (int i = 0; i < 9; ++i)
    spin->UpButton()->click();
  EXPECT_EQ(bank->text(), "H");
  EXPECT_EQ(spin->Tag(), 7);
  spin->DownButton()->click();
  EXPECT_EQ(bank->text(), "G");
}

TEST_F(FmPageTest, FetchesFillTheTypesListAndFollowTheRules) {
  struct TCase {
    const char *name;
    int type, bank, number;
    const char *button;
    int rows;
    QStringList told;
    TFmListId list;
  };
  const std::vector<TCase> cases = {
      {"a refused single patch",
       0,
       2,
       5,
       "btnFMGetSinglePatch",
       0,
       {"Bank C is not available."},
       TFmListId::VoicesGet},
      {"one ensemble", 2, 7, 32, "btnFMGetSinglePatch", 1, {}, TFmListId::EnsemblesGet},
      {"a drumset bank", 1, 3, 1, "btnFMGetSingleBank", 16, {}, TFmListId::DrumsGet},
      {"drumsets of all banks, E..H refused",
       1,
       0,
       1,
       "btnFMGetAllBanks",
       64,
       {},
       TFmListId::DrumsGet},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimOptions sim;
    sim.fmVoiceBanks = 0b1111'1011;
    sim.fmDrumBanks = 0b0000'1111;
    Open(sim);
    Main().FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, 0)); // emptied by any voice fetch
    Main().FmGetDrumBank().Add(FmPatch(kFmDrumset, 0, 0));
    page->RefreshLists();
    SetType(c.type);
    SetBank(c.bank);
    Find<QSpinBox>("seFMGetPatchNo")->setValue(c.number);
    EXPECT_EQ(Click(c.button), c.told);
    EXPECT_EQ(Rows(c.list), c.rows);
    EXPECT_EQ(page->Bank(c.list).Count(), c.rows);
  }
}

TEST_F(FmPageTest, TwoSingleFetchesInARowKeepTheSecondAndCancelKeepsWhatCame) {
  TSimOptions sim;
  sim.fault = {TSimFaultKind::Silence, 0, 9}; // the 9th dump never comes
  Open(sim);
  SetType(1);
  SetBank(1);
  Click("btnFMGetSinglePatch");
  Find<QSpinBox>("seFMGetPatchNo")->setValue(7);
  Click("btnFMGetSinglePatch");
  ASSERT_EQ(Rows(TFmListId::DrumsGet), 1);
  EXPECT_EQ(Cell(TFmListId::DrumsGet, 0, 1), "7");
  // The 9th request overall is the 7th of the bank: the user cancels its wait.
  Select(TFmListId::DrumsGet, {0});
  TDialogs dialogs;
  dialogs.cancelSilentWaits = true;
  EXPECT_TRUE(Click("btnFMGetSingleBank", dialogs).isEmpty());
  EXPECT_EQ(dialogs.cancelledWaits, 1);
  EXPECT_EQ(Rows(TFmListId::DrumsGet), 6);
  EXPECT_TRUE(page->List(TFmListId::DrumsGet).SelectedItems().empty());
}

TEST_F(FmPageTest, ClosedDevicesLeaveTheListAsItWas) {
  Open();
  QComboBox *output = Config().cbxOutputDevices;
  output->setCurrentIndex(output->count() - 1); // "None"
  Main().FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, 0));
  page->RefreshLists();
  EXPECT_EQ(Click("btnFMGetSingleBank"), QStringList{"Midi output device not open."});
  EXPECT_EQ(Rows(TFmListId::VoicesGet), 1);
}

TEST_F(FmPageTest, SavesWriteWhatEachButtonNames) {
  Open();
  for (int n = 0; n < 3; ++n)
    Main().FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, n));
  for (int n = 0; n < 2; ++n)
    Main().FmGetDrumBank().Add(FmPatch(kFmDrumset, 1, n));
  Main().FmSendEnsembleBank().Add(FmPatch(kFmEnsemble, 5, 5));
  page->RefreshLists();
  Select(TFmListId::VoicesGet, {0, 2});
  Select(TFmListId::DrumsGet, {1});
  Select(TFmListId::EnsemblesSend, {0});
  const TFMPatchBank &voices = Main().FmGetVoiceBank();
  const TFMPatchBank &drums = Main().FmGetDrumBank();
  const TFMPatchBank empty;
  struct TCase {
    const char *button;
    Bytes expected;
  };
  const std::vector<TCase> cases = {
      {"btnFMSaveAllVoices", FmBankFile(voices)},
      {"btnFMSaveAllDrums", FmBankFile(drums)},
      {"btnFMSaveSelectedDrums", FmSelectionFile(drums, {1})},
      {"btnFMSaveSelectedVoices", FmSelectionFile(voices, {0, 2})},
      {"btnFMSaveAllPatches", FmAllTypesFile(voices, drums, empty)},
      {"btnFMSaveSelected", FmAllTypesSelectionFile(voices, {0, 2}, drums, {1}, empty, {})},
      {"btnFMSaveSelectedEnsemblesSysEx", FmBankFile(Main().FmSendEnsembleBank())},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.button);
    TDialogs dialogs;
    dialogs.paths = {dir.filePath(QString(c.button) + ".syx")};
    page->SelectTab(QString(c.button).endsWith("SysEx") ? TFmPage::SendTab : TFmPage::GetTab);
    EXPECT_TRUE(Click(c.button, dialogs).isEmpty());
    EXPECT_EQ(dialogs.fileDialogs, 1);
    EXPECT_EQ(FileBytes(dir.filePath(QString(c.button) + ".syx")), c.expected);
  }
  // Nothing to save: even clicked by code, the buttons bring up no dialog.
  TDialogs dialogs;
  Run(
      [&] {
        page->btnFMSaveAllVoicesClick(kFmEnsemble);
        page->btnFMSaveSelectedVoicesClick(kFmEnsemble);
        page->btnFMSaveSelectedVoicesSysExClick(kFmDrumset);
      },
      dialogs);
  EXPECT_EQ(dialogs.fileDialogs, 0);
}

TEST_F(FmPageTest, LoadFillsTheThreeSendListsByType) {
  Open();
  page->SelectTab(TFmPage::SendTab);
  TFMPatchBank mixed;
  for (const TFMPatch &patch :
       {FmPatch(kFmDrumset, 0, 1), FmPatch(kFmVoice, 1, 2), FmPatch(kFmEnsemble, 2, 3),
        FmPatch(kFmVoice, 3, 4), FmPatch(kFmDrumset, 4, 5), FmPatch(kFmVoice, 5, 6)})
    mixed.Add(patch);
  const QString path = dir.filePath("mixed.syx");
  WriteBytes(path, FmBankFile(mixed));
  EXPECT_TRUE(Load(path).isEmpty());
  EXPECT_EQ(Rows(TFmListId::VoicesSend), 3);
  EXPECT_EQ(Rows(TFmListId::DrumsSend), 2);
  EXPECT_EQ(Rows(TFmListId::EnsemblesSend), 1);
  EXPECT_EQ(Find<QLabel>("lbFMLoadSysex")->text(), "mixed.syx");

  // A SID file is turned away; the lists are empty and the label stays.
  const QString sid = dir.filePath("sid.syx");
  WriteBytes(sid, {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF7});
  const QStringList errors = Load(sid);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].endsWith(" is not a FM patch SysEx file.")) << errors[0].toStdString();
  EXPECT_EQ(Rows(TFmListId::VoicesSend), 0);
  EXPECT_EQ(Find<QLabel>("lbFMLoadSysex")->text(), "mixed.syx");
  EXPECT_EQ(Find<QStatusBar>("sbStatus")->currentMessage().toStdString(),
            "sid.syx was refused; the list is empty");
}

TEST_F(FmPageTest, LoadingSaysOnceWhatWasCutShortAndWhichChecksumsAreWrong) {
  Open();
  page->SelectTab(TFmPage::SendTab);
  TFMPatchBank patches;
  TFMPatch wrong = FmPatch(kFmVoice, 0, 1);
  wrong.Dump[266] ^= 0x01;
  for (const TFMPatch &patch : {FmPatch(kFmVoice, 0, 0), wrong, FmPatch(kFmEnsemble, 2, 5),
                                FmPatch(kFmDrumset, 1, 2), FmPatch(kFmDrumset, 1, 3)})
    patches.Add(patch);
  Bytes cut = FmBankFile(patches);
  cut.resize(cut.size() - 200); // drumset B:4 keeps 68 of its 268 bytes
  const QString path = dir.filePath("cut.syx");
  WriteBytes(path, cut);
  EXPECT_EQ(Load(path),
            QStringList{"The file ends inside patch B:4 (row 2 of the drumsets list): only 68 of "
                        "its 268 bytes were in the file, so its last 200 bytes are blank. The "
                        "checksums of 2 patches do not match their data: A:2 of the voices, B:4 "
                        "of the drumsets. Such patches are loaded as the file holds them; check "
                        "them before sending them."});
  EXPECT_EQ(Rows(TFmListId::DrumsSend), 2);
  TFMPatchBank good;
  good.Add(FmPatch(kFmVoice, 3, 3));
  const QString whole = dir.filePath("whole.syx");
  WriteBytes(whole, FmBankFile(good));
  EXPECT_TRUE(Load(whole).isEmpty());
}

TEST_F(FmPageTest, SaveAndSendButtonsAreOnOnlyWhileTheirListsHavePatches) {
  Open();
  const char *const getVoices[] = {"btnFMSaveAllVoices", "btnFMSaveSelectedVoices",
                                   "btnFMSendSelectedVoices"};
  const char *const getAll[] = {"btnFMSaveAllPatches", "btnFMSaveSelected"};
  const char *const sendDrums[] = {"btnFMSaveSelectedDrumsSysEx", "btnFMSendAllDrums",
                                   "btnFMCopySysExDrums"};
  const char *const sendVoices[] = {"btnFMSaveSelectedVoicesSysEx", "btnFMSendAllVoices",
                                    "btnFMCopySysExVoices"};
  const char *const sendAll[] = {"btnFMSaveAllPatchesSysEx", "btnFMSaveSelectedPatchesSysEx"};
  const char *const others[] = {"btnFMSaveAllDrums",
                                "btnFMSaveSelectedDrums",
                                "btnFMSendSelectedDrums",
                                "btnFMSaveAllEnsembles",
                                "btnFMSaveSelectedEnsembles",
                                "btnFMSendSelectedEnsembles",
                                "btnFMSaveSelectedEnsemblesSysEx",
                                "btnFMSendAllEnsembles",
                                "btnFMCopySysExEnsembles"};
  const auto file = [&](const char *name, uint8_t type) {
    TFMPatchBank bank;
    bank.Add(FmPatch(type, 0, 1));
    WriteBytes(dir.filePath(name), FmBankFile(bank));
    return dir.filePath(name);
  };
  const QString drums = file("drums.syx", kFmDrumset);
  const QString voices = file("voices.syx", kFmVoice);
  const QString sid = dir.filePath("sid.syx");
  WriteBytes(sid, {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF7});
  struct TCase {
    const char *what;
    std::function<void()> action;
    bool getVoices, sendDrums, sendVoices; // the "All Types" buttons follow any of their side
  };
  const TCase cases[] = {
      {"nothing yet", [] {}, false, false, false},
      {"a voice fetched", [&] { Click("btnFMGetSinglePatch"); }, true, false, false},
      {"drumsets loaded", [&] { Load(drums); }, true, true, false},
      {"voices loaded instead", [&] { Load(voices); }, true, false, true},
      {"a file turned away clears the send side", [&] { Load(sid); }, true, false, false},
      {"a refused voice fetch clears the list",
       [&] {
         Stop();
         TSimOptions noBankA;
         noBankA.fmVoiceBanks = 0b1111'1110;
         StartPages(noBankA);
         page = ShowPage<TFmPage>("FmPage");
         Main().FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, 0));
         page->RefreshLists();
         EXPECT_TRUE(Find<QPushButton>("btnFMSaveAllVoices")->isEnabled());
         Click("btnFMGetSingleBank");
       },
       false, false, false},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.what);
    c.action();
    const auto expect = [&](const auto &names, bool on) {
      for (const char *name : names)
        EXPECT_EQ(Find<QPushButton>(name)->isEnabled(), on) << name;
    };
    expect(getVoices, c.getVoices);
    expect(getAll, c.getVoices);
    expect(sendDrums, c.sendDrums);
    expect(sendVoices, c.sendVoices);
    expect(sendAll, c.sendDrums || c.sendVoices);
    expect(others, false);
    EXPECT_TRUE(Find<QPushButton>("btnFMLoadSysEx")->isEnabled());
  }
}

} // namespace
} // namespace zpm
