// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/fm/fm_page.h"

#include "app/fm/fm_send_panel.h"
#include "app/library/library_record.h"
#include "app/mnemonic_arbiter.h"
#include "app/page_support.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/spin_button_widget.h"
#include "fm/fm_fetch.h"
#include "fm/fm_list.h"
#include "fm/fm_messages.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace zpm {

namespace {

constexpr int kFirstBank = 0;
constexpr int kLastBank = 7;
constexpr int kBankColumn = 0;
constexpr int kNumberColumn = 1;
constexpr int kNameColumn = 2;

uint8_t TypeOf(TFmListId id) {
  switch (static_cast<int>(id) % 3) {
  case 1:
    return kFmDrumset;
  case 2:
    return kFmEnsemble;
  default:
    return kFmVoice;
  }
}

QPushButton *Button(const char *caption, const char *name, QWidget *parent) {
  auto *button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

// Object names of the lists and of the get-tab buttons, by type.
struct TTypeNames {
  const char *getList, *sendList, *saveAll, *saveAllCaption, *saveSelected, *saveSelectedCaption,
      *sendSelected, *sendSelectedCaption, *saveSelectedSysEx, *saveSelectedSysExCaption;
};

const TTypeNames &NamesOf(uint8_t type) {
  static const TTypeNames voices = {"lvFMVoicesGet",
                                    "lvFMVoicesSend",
                                    "btnFMSaveAllVoices",
                                    "Save all patches to SysEx file",
                                    "btnFMSaveSelectedVoices",
                                    "Save selected patches to SysEx file",
                                    "btnFMSendSelectedVoices",
                                    "Send selected to another patch location",
                                    "btnFMSaveSelectedVoicesSysEx",
                                    "Save selected to SysEx file"};
  static const TTypeNames drums = {"lvFMDrumsGet",
                                   "lvFMDrumsSend",
                                   "btnFMSaveAllDrums",
                                   "Save all",
                                   "btnFMSaveSelectedDrums",
                                   "Save selected",
                                   "btnFMSendSelectedDrums",
                                   "Send Selected",
                                   "btnFMSaveSelectedDrumsSysEx",
                                   "Save selected"};
  static const TTypeNames ensembles = {"lvFMEnsemblesGet",
                                       "lvFMEnsemblesSend",
                                       "btnFMSaveAllEnsembles",
                                       "Save all",
                                       "btnFMSaveSelectedEnsembles",
                                       "Save selected",
                                       "btnFMSendSelectedEnsembles",
                                       "Send Selected",
                                       "btnFMSaveSelectedEnsemblesSysEx",
                                       "Save selected"};
  return type == kFmDrumset ? drums : type == kFmEnsemble ? ensembles : voices;
}

} // namespace

TFmPage::TFmPage(TMainContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_tabs(new QTabWidget(this)) {
  setObjectName(QStringLiteral("FmPage"));
  m_tabs->setObjectName(QStringLiteral("pcFM"));
  m_tabs->addTab(BuildGetTab(), QStringLiteral("&Get FM Patch"));
  m_tabs->addTab(BuildSendTab(), QStringLiteral("&Send FM Patch"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tabs);
  FollowLists();
  new TMnemonicArbiter(this);
}

void TFmPage::FollowLists() {
  // A button acts on one list, or on the three of its side ("All Types"):
  // with none of them holding a patch it would do nothing, so it is off.
  const auto follow = [this](const std::vector<TFmListId> &ids,
                             const std::vector<const char *> &names) {
    std::vector<QWidget *> buttons;
    for (const char *name : names)
      buttons.push_back(findChild<QPushButton *>(QLatin1String(name)));
    const auto update = [this, ids, buttons] {
      const bool rows = std::any_of(ids.begin(), ids.end(), [this](TFmListId id) {
        return List(id).model()->rowCount() > 0;
      });
      for (QWidget *button : buttons)
        button->setEnabled(rows);
    };
    for (TFmListId id : ids) {
      QAbstractItemModel *model = List(id).model();
      connect(model, &QAbstractItemModel::modelReset, this, update);
      connect(model, &QAbstractItemModel::rowsInserted, this, update);
      connect(model, &QAbstractItemModel::rowsRemoved, this, update);
    }
    update();
  };
  static const char *const kSendAll[] = {"btnFMSendAllVoices", "btnFMSendAllDrums",
                                         "btnFMSendAllEnsembles"};
  static const char *const kCopy[] = {"btnFMCopySysExVoices", "btnFMCopySysExDrums",
                                      "btnFMCopySysExEnsembles"};
  for (uint8_t type : {kFmVoice, kFmDrumset, kFmEnsemble}) {
    const TTypeNames &names = NamesOf(type);
    const size_t index = static_cast<size_t>(ListOf(type, false));
    follow({ListOf(type, false)}, {names.saveAll, names.saveSelected, names.sendSelected});
    follow({ListOf(type, true)}, {names.saveSelectedSysEx, kSendAll[index], kCopy[index]});
  }
  follow({TFmListId::VoicesGet, TFmListId::DrumsGet, TFmListId::EnsemblesGet},
         {"btnFMSaveAllPatches", "btnFMSaveSelected"});
  follow({TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend},
         {"btnFMSaveAllPatchesSysEx", "btnFMSaveSelectedPatchesSysEx"});
}

TSidPatchList *TFmPage::MakeList(TFmListId id, QWidget *parent) {
  const uint8_t type = TypeOf(id);
  const bool send = static_cast<int>(id) >= 3;
  auto *list = new TSidPatchList(
      [this, id, type](int item) -> QStringList {
        const std::optional<FmListRow> row = FmListRowAt(Bank(id), item, type);
        if (!row)
          return {};
        return {QString::fromLatin1(row->bank.c_str()), QString::number(row->number),
                QString::fromLatin1(row->name.c_str(), static_cast<int>(row->name.size()))};
      },
      SidColumnAlign::Centre, parent);
  list->setObjectName(QLatin1String(send ? NamesOf(type).sendList : NamesOf(type).getList));
  static const char *const kKinds[] = {"voices", "drumsets", "ensembles"};
  list->setAccessibleName(QStringLiteral("FM %1 %2")
                              .arg(QLatin1String(kKinds[static_cast<int>(id) % 3]),
                                   send ? QStringLiteral("of the loaded file")
                                        : QStringLiteral("fetched from the device")));
  QHeaderView *columns = list->horizontalHeader();
  columns->resizeSection(kBankColumn, kFmBankColumnWidth);
  columns->resizeSection(kNumberColumn, kFmNumberColumnWidth);
  if (type != kFmVoice) {
    // No "Patch Name": "Nr" takes what "Bnk" leaves.
    list->setColumnHidden(kNameColumn, true);
    columns->setSectionResizeMode(kNumberColumn, QHeaderView::Interactive);
  } else {
    columns->resizeSection(kNameColumn, kFmNameColumnWidth);
  }
  // The lists take what the page has left, not a size of their own.
  list->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  list->setMinimumSize(type == kFmVoice ? 200 : 90, 80);
  m_lists[static_cast<size_t>(id)] = list;
  connect(list, &TSidPatchList::resized, this, [this, id] { ListResize(id); });
  list->EnableDrag(
      [this, id](int item) {
        const TFMPatch &patch = Bank(id).GetPatch(item);
        return Bytes(patch.Dump.begin(), patch.Dump.end());
      },
      [this, send] { return send ? m_loadedPath : QString(); });
  return list;
}

void TFmPage::ListResize(TFmListId id) {
  TSidPatchList &list = List(id);
  QHeaderView *columns = list.horizontalHeader();
  const int rest = list.viewport()->width() - columns->sectionSize(kBankColumn);
  if (TypeOf(id) == kFmVoice)
    list.SetNameWidth(rest - columns->sectionSize(kNumberColumn));
  else
    columns->resizeSection(kNumberColumn, std::max(0, rest));
}

QWidget *TFmPage::BuildGetPatchGroup(QWidget *parent) {
  auto *group = new QGroupBox(QStringLiteral("Get Patch"), parent);
  group->setObjectName(QStringLiteral("gbFMGetPatch"));
  m_getBank = new QLineEdit(QStringLiteral("A"), group);
  m_getBank->setObjectName(QStringLiteral("edFMGetBank"));
  m_getBankSpin = new TSpinButton(group);
  m_getBankSpin->setObjectName(QStringLiteral("sbFMGetBank"));
  QHBoxLayout *bankRow = m_getBankSpin->StepBankField(m_getBank, kFirstBank, kLastBank + 1,
                                                      QStringLiteral("bank to fetch"));
  connect(m_getBankSpin, &TSpinButton::upClicked, this, &TFmPage::sbFMGetBankUpClick);
  connect(m_getBankSpin, &TSpinButton::downClicked, this, &TFmPage::sbFMGetBankDownClick);
  connect(m_getBankSpin, &TSpinButton::letterTyped, this, &TFmPage::SetGetBank);
  m_getPatchNo = new QSpinBox(group);
  m_getPatchNo->setObjectName(QStringLiteral("seFMGetPatchNo"));
  m_getPatchNo->setRange(1, 128);
  m_getPatchNo->setValue(1);
  m_getType = new QComboBox(group);
  m_getType->setObjectName(QStringLiteral("cmbFMGetTyp"));
  m_getType->addItems(
      {QStringLiteral("Voices"), QStringLiteral("Drums"), QStringLiteral("Ensembles")});
  connect(m_getType, &QComboBox::currentIndexChanged, this, &TFmPage::cmbFMGetTypChange);
  auto *singlePatch = Button("Get Single &Patch", "btnFMGetSinglePatch", group);
  auto *singleBank = Button("Get &Single Bank", "btnFMGetSingleBank", group);
  auto *allBanks = Button("Get &All Banks", "btnFMGetAllBanks", group);
  connect(singlePatch, &QPushButton::clicked, this, &TFmPage::btnFMGetSinglePatchClick);
  connect(singleBank, &QPushButton::clicked, this, &TFmPage::btnFMGetSingleBankClick);
  connect(allBanks, &QPushButton::clicked, this, &TFmPage::btnFMGetAllBanksClick);

  auto *grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QStringLiteral("Bank:"), group), 0, 0);
  grid->addLayout(bankRow, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Patch  Nr.:"), group), 1, 0);
  grid->addWidget(m_getPatchNo, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Type:"), group), 2, 0);
  grid->addWidget(m_getType, 2, 1);
  grid->addWidget(singlePatch, 3, 0, 1, 2);
  grid->addWidget(singleBank, 4, 0, 1, 2);
  grid->addWidget(allBanks, 5, 0, 1, 2);
  return group;
}

QWidget *TFmPage::BuildGetTab() {
  auto *tab = new QWidget;
  auto *side = new QHBoxLayout;
  side->addWidget(BuildGetPatchGroup(tab));
  auto *all = new QGroupBox(QStringLiteral("All Types"), tab);
  all->setObjectName(QStringLiteral("gbFMGetAllTypes"));
  auto *saveAll = Button("Save all patches to SysEx file", "btnFMSaveAllPatches", all);
  auto *saveSelected = Button("Save selected patches to SysEx file", "btnFMSaveSelected", all);
  connect(saveAll, &QPushButton::clicked, this, &TFmPage::btnFMSaveAllPatchesClick);
  connect(saveSelected, &QPushButton::clicked, this, &TFmPage::btnFMSaveSelectedClick);
  auto *allLayout = new QVBoxLayout(all);
  allLayout->addWidget(saveAll);
  allLayout->addWidget(saveSelected);
  allLayout->addStretch();
  side->addWidget(all);
  side->addStretch();

  // The controls on top, the three lists side by side below them.
  auto *layout = new QVBoxLayout(tab);
  layout->addLayout(side);
  auto *lists = new QHBoxLayout;
  layout->addLayout(lists, 1);
  for (uint8_t type : {kFmVoice, kFmDrumset, kFmEnsemble}) {
    const TTypeNames &names = NamesOf(type);
    auto *group = new QGroupBox(QString::fromStdString(FmListCaption(type)), tab);
    auto *list = MakeList(ListOf(type, false), group);
    auto *saveType = Button(names.saveAllCaption, names.saveAll, group);
    auto *saveSel = Button(names.saveSelectedCaption, names.saveSelected, group);
    auto *send = Button(names.sendSelectedCaption, names.sendSelected, group);
    if (type == kFmVoice) {
      send->setToolTip(QStringLiteral("This works only if only 1 patch is selected"));
      send->setToolTipDuration(0);
    }
    connect(saveType, &QPushButton::clicked, this, [this, type] { btnFMSaveAllVoicesClick(type); });
    connect(saveSel, &QPushButton::clicked, this,
            [this, type] { btnFMSaveSelectedVoicesClick(type); });
    connect(send, &QPushButton::clicked, this,
            [this, type] { btnFMSendSelectedVoicesClick(type); });
    auto *column = new QVBoxLayout(group);
    column->addWidget(list, 1);
    column->addWidget(saveType);
    column->addWidget(saveSel);
    column->addWidget(send);
    lists->addWidget(group, type == kFmVoice ? 3 : 1);
  }
  return tab;
}

QWidget *TFmPage::BuildSendTab() {
  auto *tab = new QWidget;
  std::array<TSidPatchList *, 3> lists{};
  std::array<QGroupBox *, 3> groups{};
  const std::array<uint8_t, 3> types = {kFmVoice, kFmDrumset, kFmEnsemble};
  for (size_t i = 0; i < types.size(); ++i) {
    groups[i] = new QGroupBox(QString::fromStdString(FmListCaption(types[i])), tab);
    lists[i] = MakeList(ListOf(types[i], true), groups[i]);
  }
  m_sendPanel = new TFmSendPanel(m_context, lists, tab);

  auto *load = new QGroupBox(QStringLiteral("Load SysEx file"), tab);
  load->setObjectName(QStringLiteral("gbFMLoadSysEx"));
  auto *loadButton = Button("&Load SysEx file", "btnFMLoadSysEx", load);
  connect(loadButton, &QPushButton::clicked, this, &TFmPage::btnFMLoadSysExClick);
  m_loadedFile = new QLabel(QStringLiteral("none"), load);
  m_loadedFile->setObjectName(QStringLiteral("lbFMLoadSysex"));
  auto *loadLayout = new QGridLayout(load);
  loadLayout->addWidget(loadButton, 0, 0, 1, 2);
  loadLayout->addWidget(new QLabel(QStringLiteral("Loaded file:"), load), 1, 0);
  loadLayout->addWidget(m_loadedFile, 1, 1);
  auto *side = new QHBoxLayout;
  side->addWidget(load, 0, Qt::AlignTop);
  side->addWidget(m_sendPanel->AllTypesGroup());
  side->addStretch();

  auto *layout = new QVBoxLayout(tab);
  layout->addLayout(side);
  auto *columns = new QHBoxLayout;
  layout->addLayout(columns, 1);
  for (size_t i = 0; i < types.size(); ++i) {
    const uint8_t type = types[i];
    const TTypeNames &names = NamesOf(type);
    auto *saveSel = Button(names.saveSelectedSysExCaption, names.saveSelectedSysEx, groups[i]);
    connect(saveSel, &QPushButton::clicked, this,
            [this, type] { btnFMSaveSelectedVoicesSysExClick(type); });
    auto *column = new QVBoxLayout(groups[i]);
    column->addWidget(lists[i], 1);
    column->addWidget(m_sendPanel->TypeControls(type));
    column->addWidget(saveSel);
    columns->addWidget(groups[i], type == kFmVoice ? 3 : 1);
  }
  return tab;
}

void TFmPage::SelectTab(Tab tab) {
  m_tabs->setCurrentIndex(tab);
}

TSidPatchList &TFmPage::List(TFmListId list) const {
  return *m_lists[static_cast<size_t>(list)];
}

TFMPatchBank &TFmPage::Bank(TFmListId list) const {
  switch (list) {
  case TFmListId::VoicesGet:
    return m_context.FmGetVoiceBank();
  case TFmListId::DrumsGet:
    return m_context.FmGetDrumBank();
  case TFmListId::EnsemblesGet:
    return m_context.FmGetEnsembleBank();
  case TFmListId::VoicesSend:
    return m_context.FmSendVoiceBank();
  case TFmListId::DrumsSend:
    return m_context.FmSendDrumBank();
  case TFmListId::EnsemblesSend:
    break;
  }
  return m_context.FmSendEnsembleBank();
}

TFmListId TFmPage::ListOf(uint8_t type, bool sendSide) {
  const int index = type == kFmDrumset ? 1 : type == kFmEnsemble ? 2 : 0;
  return static_cast<TFmListId>(index + (sendSide ? 3 : 0));
}

void TFmPage::RefreshLists() {
  for (size_t i = 0; i < m_lists.size(); ++i)
    m_lists[i]->Model().SetCount(Bank(static_cast<TFmListId>(i)).Count());
}

void TFmPage::SetGetBank(int bank) {
  bank = std::clamp(bank, kFirstBank, kLastBank);
  m_getBankSpin->SetTag(bank);
  m_getBank->setText(QString(QChar(QLatin1Char('A').unicode() + bank)));
}

void TFmPage::sbFMGetBankUpClick() {
  SetGetBank(m_getBankSpin->Tag() + 1);
}

void TFmPage::sbFMGetBankDownClick() {
  SetGetBank(m_getBankSpin->Tag() - 1);
}

void TFmPage::cmbFMGetTypChange() {
  const int maximum = FmPatchesPerBank(FmTypeOfIndex(m_getType->currentIndex()));
  const int value = m_getPatchNo->value();
  m_getPatchNo->setMaximum(maximum);
  if (value > maximum)
    m_getPatchNo->setValue(1);
}

void TFmPage::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

void TFmPage::RunFetch(
    const std::function<TFetchReport(TTransferHost &, const TFmFetch &)> &fetch) {
  TFmFetch values;
  values.device = m_context.FmDeviceId();
  values.type = FmTypeOfIndex(m_getType->currentIndex());
  values.bank = m_getBankSpin->Tag();
  const TFmListId id = ListOf(values.type, false);
  TSidPatchList &list = List(id);
  // Each patch shows the moment it is in: a bank fetch fills the list as it goes.
  values.added = [&] {
    list.Model().SetCount(Bank(id).Count());
    list.viewport()->repaint();
  };
  TListHost host(m_context.Host(), [&] { list.clearSelection(); });
  TFetchReport report;
  const QString error = Attempt([&] { report = fetch(host, values); });
  list.Model().SetCount(Bank(id).Count());
  if (AnyFetched(report))
    KeepSnapshot(m_context, FmFetchRecord({&Bank(id)}, values.device));
  ShowError(error);
  // The wait dialog closed by itself; the user learns why nothing came.
  QStringList cut;
  for (const TFetchItem &item : report.items)
    if (item.result == TFetchResult::CutShort)
      cut << QString::fromStdString(
          CutShortText("patch dump", item.received, item.expected, item.cause));
  if (!cut.isEmpty())
    m_context.Host().Inform(cut.join("\r\n").toStdString());
  // "&Cancel" keeps what had arrived whole; the user learns how far it got.
  if (report.cancelled)
    m_context.ReportDone(QString::fromStdString(CancelledText(report)));
  ShowError(QString::fromStdString(report.lostReason));
}

void TFmPage::btnFMGetSinglePatchClick() {
  const int number = m_getPatchNo->value();
  RunFetch([&](TTransferHost &host, const TFmFetch &fetch) {
    return GetSingleFmPatch(m_context.Link(), host, fetch, number, Bank(ListOf(fetch.type, false)));
  });
}

void TFmPage::btnFMGetSingleBankClick() {
  RunFetch([&](TTransferHost &host, const TFmFetch &fetch) {
    return GetSingleFmBank(m_context.Link(), host, fetch, Bank(ListOf(fetch.type, false)));
  });
}

void TFmPage::btnFMGetAllBanksClick() {
  RunFetch([&](TTransferHost &host, const TFmFetch &fetch) {
    return GetAllFmBanks(m_context.Link(), host, fetch, Bank(ListOf(fetch.type, false)));
  });
}

void TFmPage::btnFMSendSelectedVoicesClick(uint8_t type) {
  const TFmListId id = ListOf(type, false);
  m_sendPanel->SendFetchedPatch(type, List(id), Bank(id));
}

} // namespace zpm
