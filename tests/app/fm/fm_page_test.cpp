// The FM page through its real widgets over the in-process simulated FM and
// the fake host: the six lists, the "Get Patch" group and its fetches, and
// the files of both tabs.

#include "app/fm/fm_page.h"

#include "app/answer_modals.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/spin_button_widget.h"
#include "app/test_context.h"
#include "fm/fm_file.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace zpm {
namespace {

TFMPatch FmPatch(uint8_t type, int bank, int number, const Bytes &name = {}) {
  TFMPatch patch;
  patch.SetPatchType(type);
  patch.SetBank(static_cast<uint8_t>(bank));
  patch.SetPatchNumber(static_cast<uint8_t>(number));
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((i * 3 + number + bank * 5) & 0x7F);
  for (size_t i = 0; i < kNameSize; ++i)
    patch.Data()[i] = i < name.size() ? name[i] : 0;
  patch.UpdateChecksum();
  return patch;
}

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

class FmPageTest : public ::testing::Test {
public:
  void Start(const TSimOptions &options = TSimOptions{}) {
    rig = std::make_unique<TSimRig>(options);
    context = std::make_unique<TTestContext>(*rig);
    page = std::make_unique<TFmPage>(*context);
    page->resize(1100, 700);
    page->show();
  }
  template <typename Widget> Widget *Find(const char *name) {
    auto *widget = page->findChild<Widget *>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QStringList Click(const char *name) {
    return AnswerModals([&] { Find<QPushButton>(name)->click(); });
  }
  void SetType(int index) { Find<QComboBox>("cmbFMGetTyp")->setCurrentIndex(index); }
  void SetBank(int bank) {
    for (int i = 0; i < 8; ++i)
      page->sbFMGetBankDownClick();
    for (int i = 0; i < bank; ++i)
      page->sbFMGetBankUpClick();
  }
  QString Cell(TFmListId id, int row, int column) {
    TSidPatchList &list = page->List(id);
    return list.model()->index(row, column).data().toString();
  }
  void Select(TFmListId id, std::initializer_list<int> rows) {
    TSidPatchList &list = page->List(id);
    list.clearSelection();
    for (int row : rows)
      list.selectionModel()->select(list.model()->index(row, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  std::unique_ptr<TSimRig> rig;
  std::unique_ptr<TTestContext> context;
  std::unique_ptr<TFmPage> page;
  QTemporaryDir dir;
};

TEST_F(FmPageTest, TheSixListsHaveTheirCaptionsColumnsAndWidths) {
  Start();
  struct TCase {
    TFmListId id;
    const char *name;
    bool voices;
  };
  const TCase cases[] = {{TFmListId::VoicesGet, "lvFMVoicesGet", true},
                         {TFmListId::DrumsGet, "lvFMDrumsGet", false},
                         {TFmListId::EnsemblesGet, "lvFMEnsemblesGet", false},
                         {TFmListId::VoicesSend, "lvFMVoicesSend", true},
                         {TFmListId::DrumsSend, "lvFMDrumsSend", false},
                         {TFmListId::EnsemblesSend, "lvFMEnsemblesSend", false}};
  for (int tab : {TFmPage::GetTab, TFmPage::SendTab}) {
    page->SelectTab(static_cast<TFmPage::Tab>(tab));
    for (const TCase &c : cases) {
      if ((static_cast<int>(c.id) >= 3) != (tab == TFmPage::SendTab))
        continue;
      SCOPED_TRACE(c.name);
      TSidPatchList &list = page->List(c.id);
      EXPECT_EQ(list.objectName(), c.name);
      EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
      QHeaderView *header = list.horizontalHeader();
      EXPECT_FALSE(header->sectionsClickable());
      EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "Bnk");
      EXPECT_EQ(list.model()->headerData(1, Qt::Horizontal).toString(), "Nr");
      EXPECT_EQ(list.isColumnHidden(2), !c.voices);
      EXPECT_EQ(header->sectionSize(0), 32);
      const int width = list.viewport()->width();
      if (c.voices) {
        EXPECT_EQ(header->sectionSize(1), 30);
        EXPECT_EQ(header->sectionSize(2), width - 32 - 30);
      } else {
        EXPECT_EQ(header->sectionSize(1), width - 32);
      }
      auto *group = qobject_cast<QGroupBox *>(list.parentWidget());
      ASSERT_NE(group, nullptr);
      EXPECT_TRUE(group->title().endsWith("Patch list"));
    }
  }
  // Resized, the voice list keeps "Nr" at 30 and gives the rest to the name.
  page->SelectTab(TFmPage::GetTab);
  page->resize(1300, 700);
  TSidPatchList &voices = page->List(TFmListId::VoicesGet);
  QApplication::processEvents();
  EXPECT_EQ(voices.horizontalHeader()->sectionSize(1), 30);
  EXPECT_EQ(voices.horizontalHeader()->sectionSize(2), voices.viewport()->width() - 62);
}

TEST_F(FmPageTest, RowsShowBankNumberAndTheNameAsLatin1) {
  Start();
  context->FmSendVoiceBank().Add(FmPatch(kFmVoice, 2, 9, {'K', 'I', 'C', 'K'}));
  context->FmSendVoiceBank().Add(FmPatch(kFmVoice, 7, 127, {'A', 0xC4, 0x01, 'z'}));
  context->FmSendDrumBank().Add(FmPatch(kFmDrumset, 4, 15));
  page->RefreshLists();
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 0, 0), "C");
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 0, 1), "10");
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 0, 2), "KICK" + QString(12, ' '));
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 1, 0), "H");
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 1, 1), "128");
  EXPECT_EQ(Cell(TFmListId::VoicesSend, 1, 2),
            QString("A") + QChar(0xC4) + " z" + QString(12, ' '));
  EXPECT_EQ(Cell(TFmListId::DrumsSend, 0, 0), "E");
  EXPECT_EQ(Cell(TFmListId::DrumsSend, 0, 1), "16");
  EXPECT_EQ(page->List(TFmListId::EnsemblesSend).model()->rowCount(), 0);
}

TEST_F(FmPageTest, TypeChangeSetsThePatchNumbersRange) {
  Start();
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
}

TEST_F(FmPageTest, TheBankChooserStopsAtAAndH) {
  Start();
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
    QStringList notices;
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
    Start(sim);
    context->FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, 0)); // emptied by any voice fetch
    context->FmGetDrumBank().Add(FmPatch(kFmDrumset, 0, 0));
    page->RefreshLists();
    SetType(c.type);
    SetBank(c.bank);
    Find<QSpinBox>("seFMGetPatchNo")->setValue(c.number);
    Click(c.button);
    EXPECT_EQ(page->List(c.list).model()->rowCount(), c.rows);
    EXPECT_EQ(page->Bank(c.list).Count(), c.rows);
    QStringList notices;
    for (const std::string &notice : rig->host.notices)
      notices << QString::fromStdString(notice);
    EXPECT_EQ(notices, c.notices);
  }
}

TEST_F(FmPageTest, TwoSingleFetchesInARowKeepTheSecondAndCancelKeepsWhatCame) {
  TSimOptions sim;
  sim.fault = {TSimFaultKind::Silence, 0, 9}; // the 9th dump never comes
  Start(sim);
  SetType(1);
  SetBank(1);
  Click("btnFMGetSinglePatch");
  Find<QSpinBox>("seFMGetPatchNo")->setValue(7);
  Click("btnFMGetSinglePatch");
  ASSERT_EQ(page->List(TFmListId::DrumsGet).model()->rowCount(), 1);
  EXPECT_EQ(Cell(TFmListId::DrumsGet, 0, 1), "7");
  // The 9th request overall is the 7th of the bank: the user cancels its wait.
  Select(TFmListId::DrumsGet, {0});
  Click("btnFMGetSingleBank");
  EXPECT_EQ(page->List(TFmListId::DrumsGet).model()->rowCount(), 6);
  EXPECT_TRUE(page->List(TFmListId::DrumsGet).SelectedItems().empty());
  EXPECT_TRUE(rig->host.notices.empty());
}

TEST_F(FmPageTest, ClosedDevicesLeaveTheListAsItWas) {
  Start();
  rig->link.OutputDeviceIndex = -1;
  context->FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, 0));
  page->RefreshLists();
  EXPECT_EQ(Click("btnFMGetSingleBank"), QStringList{"Midi output device not open."});
  EXPECT_EQ(page->List(TFmListId::VoicesGet).model()->rowCount(), 1);
}

TEST_F(FmPageTest, SavesWriteWhatEachButtonNames) {
  Start();
  for (int n = 0; n < 3; ++n)
    context->FmGetVoiceBank().Add(FmPatch(kFmVoice, 0, n));
  for (int n = 0; n < 2; ++n)
    context->FmGetDrumBank().Add(FmPatch(kFmDrumset, 1, n));
  context->FmSendEnsembleBank().Add(FmPatch(kFmEnsemble, 5, 5));
  page->RefreshLists();
  Select(TFmListId::VoicesGet, {0, 2});
  Select(TFmListId::DrumsGet, {1});
  Select(TFmListId::EnsemblesSend, {0});
  const TFMPatchBank &voices = context->FmGetVoiceBank();
  const TFMPatchBank &drums = context->FmGetDrumBank();
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
      {"btnFMSaveSelectedEnsemblesSysEx", FmBankFile(context->FmSendEnsembleBank())},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.button);
    const QString path = dir.filePath(QString(c.button) + ".syx");
    context->savePaths = {path};
    page->SelectTab(QString(c.button).endsWith("SysEx") ? TFmPage::SendTab : TFmPage::GetTab);
    EXPECT_TRUE(Click(c.button).isEmpty());
    EXPECT_EQ(FileBytes(path), c.expected);
  }
  // Nothing to save: no dialog at all.
  const int dialogs = context->saveDialogs;
  page->SelectTab(TFmPage::GetTab);
  Click("btnFMSaveAllEnsembles");
  Click("btnFMSaveSelectedEnsembles");
  page->SelectTab(TFmPage::SendTab);
  Click("btnFMSaveSelectedDrumsSysEx");
  EXPECT_EQ(context->saveDialogs, dialogs);
}

TEST_F(FmPageTest, LoadFillsTheThreeSendListsByType) {
  Start();
  page->SelectTab(TFmPage::SendTab);
  TFMPatchBank mixed;
  for (const TFMPatch &patch :
       {FmPatch(kFmDrumset, 0, 1), FmPatch(kFmVoice, 1, 2), FmPatch(kFmEnsemble, 2, 3),
        FmPatch(kFmVoice, 3, 4), FmPatch(kFmDrumset, 4, 5), FmPatch(kFmVoice, 5, 6)})
    mixed.Add(patch);
  const QString path = dir.filePath("mixed.syx");
  WriteBytes(path, FmBankFile(mixed));
  context->openPaths = {path};
  EXPECT_TRUE(Click("btnFMLoadSysEx").isEmpty());
  EXPECT_EQ(page->List(TFmListId::VoicesSend).model()->rowCount(), 3);
  EXPECT_EQ(page->List(TFmListId::DrumsSend).model()->rowCount(), 2);
  EXPECT_EQ(page->List(TFmListId::EnsemblesSend).model()->rowCount(), 1);
  EXPECT_EQ(Find<QLabel>("lbFMLoadSysex")->text(), "mixed.syx");

  // A SID file is turned away; the lists are empty and the label stays.
  const QString sid = dir.filePath("sid.syx");
  WriteBytes(sid, {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0x00, 0x00, 0x00, 0xF7});
  context->openPaths = {sid};
  const QStringList errors = Click("btnFMLoadSysEx");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].endsWith(" is not a FM patch SysEx file."));
  EXPECT_EQ(page->List(TFmListId::VoicesSend).model()->rowCount(), 0);
  EXPECT_EQ(Find<QLabel>("lbFMLoadSysex")->text(), "mixed.syx");
}

} // namespace
} // namespace zpm
