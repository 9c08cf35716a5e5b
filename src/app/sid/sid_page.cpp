// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sid/sid_page.h"

#include "app/library/library_record.h"
#include "app/load_notice.h"
#include "app/mnemonic_arbiter.h"
#include "app/page_support.h"
#include "app/sid/sid_list_widget.h"
#include "app/sid/sid_send_panel.h"
#include "app/sid/spin_button_widget.h"
#include "patch/error.h"
#include "sid/sid_file.h"
#include "sid/sid_transfer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace zpm {

namespace {

constexpr int kFirstBank = 0;
constexpr int kLastBank = 7;

QString BankText(int bank) {
  return QString(QChar(QLatin1Char('A').unicode() + bank));
}

QStringList RowText(const TPatchBank &bank, int item) {
  if (item < 0 || item >= bank.Count())
    return {};
  const SidListRow row = SidListText(bank.GetPatch(item));
  return {QString::fromLatin1(row.bank.c_str()), QString::number(row.number),
          QString::fromLatin1(row.name.c_str())};
}

// What the other columns leave, as they are now: the user may have dragged them.
int NameColumnWidth(const TSidPatchList &list) {
  return std::max(0, list.viewport()->width() - list.OtherColumnsWidth());
}

QPushButton *Button(const char *caption, const char *name, QWidget *parent) {
  auto *button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

} // namespace

TSidPage::TSidPage(TMainContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_tabs(new QTabWidget(this)) {
  setObjectName(QStringLiteral("SidPage"));
  m_tabs->setObjectName(QStringLiteral("pcSid"));
  m_tabs->addTab(BuildGetTab(), QStringLiteral("&Get SID patch"));
  m_tabs->addTab(BuildSendTab(), QStringLiteral("&Send SID patch"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tabs);
  new TMnemonicArbiter(this);
}

QWidget *TSidPage::BuildGetTab() {
  auto *tab = new QWidget;
  m_getList = new TSidPatchList([this](int item) { return lvSysExPatchListData(item); },
                                kSidGetNumberAlign, tab);
  m_getList->setObjectName(QStringLiteral("lvSysExPatchList"));
  m_getList->setAccessibleName(QStringLiteral("SID patches fetched from the device"));
  connect(m_getList, &TSidPatchList::resized, this, &TSidPage::lvSysExPatchListResize);
  m_getList->EnableDrag(
      [this](int item) {
        const TPatch &patch = m_context.SidGetBank().GetPatch(item);
        return Bytes(patch.Dump.begin(), patch.Dump.end());
      },
      {});

  auto *group = new QGroupBox(QStringLiteral("Get Patch"), tab);
  group->setObjectName(QStringLiteral("gbGetPatch"));
  m_getBank = new QLineEdit(BankText(kFirstBank), group);
  m_getBank->setObjectName(QStringLiteral("edGetBank"));
  m_getBankSpin = new TSpinButton(group);
  m_getBankSpin->setObjectName(QStringLiteral("spGetBank"));
  QHBoxLayout *bankRow = m_getBankSpin->StepBankField(m_getBank, kFirstBank, kLastBank + 1,
                                                      QStringLiteral("bank to fetch"));
  connect(m_getBankSpin, &TSpinButton::upClicked, this, &TSidPage::spGetBankUpClick);
  connect(m_getBankSpin, &TSpinButton::downClicked, this, &TSidPage::spGetBankDownClick);
  connect(m_getBankSpin, &TSpinButton::letterTyped, this, &TSidPage::SetGetBank);

  m_getPatchNr = new QSpinBox(group);
  m_getPatchNr->setObjectName(QStringLiteral("seGetPatchNr"));
  m_getPatchNr->setRange(1, 128);
  m_getPatchNr->setValue(1);
  auto *patchNrLabel = new QLabel(QStringLiteral("Patch  Nr.:"), group);
  patchNrLabel->setBuddy(m_getPatchNr);

  auto *singlePatch = Button("Get Single &Patch", "btnGetSinglePatch", group);
  auto *singleBank = Button("Get &Single Bank", "btnGetSingleBank", group);
  auto *allBanks = Button("Get &All Banks", "btnGetAllBanks", group);
  connect(singlePatch, &QPushButton::clicked, this, &TSidPage::btnGetSinglePatchClick);
  connect(singleBank, &QPushButton::clicked, this, &TSidPage::btnGetSingleBankClick);
  connect(allBanks, &QPushButton::clicked, this, &TSidPage::btnGetAllBanksClick);

  auto *grid = new QGridLayout(group);
  grid->addLayout(bankRow, 0, 0, 1, 2);
  grid->addWidget(patchNrLabel, 1, 0);
  grid->addWidget(m_getPatchNr, 1, 1);
  grid->addWidget(singlePatch, 2, 0, 1, 2);
  grid->addWidget(singleBank, 3, 0, 1, 2);
  grid->addWidget(allBanks, 4, 0, 1, 2);

  auto *saveAll = Button("Save all patches to SysEx file", "btnSysExSaveAll", tab);
  auto *saveSelected = Button("Save selected patches to SysEx file", "btnSysExSendSelected", tab);
  connect(saveAll, &QPushButton::clicked, this, &TSidPage::btnSysExSaveAllClick);
  connect(saveSelected, &QPushButton::clicked, this, &TSidPage::btnSysExSendSelectedClick);

  m_getSide = new QVBoxLayout;
  m_getSide->addWidget(group);
  m_getSide->addWidget(saveAll);
  m_getSide->addWidget(saveSelected);
  auto *storeDifferent =
      Button("Send selected to another patch location", "btnSysExStoreDifferent", tab);
  connect(storeDifferent, &QPushButton::clicked, this, &TSidPage::btnSysExStoreDifferentClick);
  m_getSide->addWidget(storeDifferent);
  EnableWithRows(&m_getList->Model(), {saveAll, saveSelected, storeDifferent});
  m_getSide->addStretch();
  auto *layout = new QHBoxLayout(tab);
  layout->addWidget(m_getList, 1);
  layout->addLayout(m_getSide);
  return tab;
}

QWidget *TSidPage::BuildSendTab() {
  auto *tab = new QWidget;
  m_fileList = new TSidPatchList([this](int item) { return lvFilePatchListData(item); },
                                 kSidFileNumberAlign, tab);
  m_fileList->setObjectName(QStringLiteral("lvFilePatchList"));
  m_fileList->setAccessibleName(QStringLiteral("SID patches of the loaded file"));
  connect(m_fileList, &TSidPatchList::resized, this, &TSidPage::lvFilePatchListResize);
  m_fileList->EnableDrag(
      [this](int item) {
        const TPatch &patch = m_context.SidFileBank().GetPatch(item);
        return Bytes(patch.Dump.begin(), patch.Dump.end());
      },
      [this] { return m_loadedPath; });

  auto *group = new QGroupBox(QStringLiteral("Load SysEx file"), tab);
  group->setObjectName(QStringLiteral("gbLoadSysExFile"));
  auto *load = Button("&Load SysEx file", "btnLoadSysFile", group);
  connect(load, &QPushButton::clicked, this, &TSidPage::btnLoadSysFileClick);
  m_loadedFile = new QLabel(QStringLiteral("none"), group);
  m_loadedFile->setObjectName(QStringLiteral("lbLoadedFile"));
  auto *groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(load);
  groupLayout->addWidget(m_loadedFile);

  auto *saveSelected = Button("Save selected patches &into SysEx file", "btnFileSaveSelected", tab);
  connect(saveSelected, &QPushButton::clicked, this, &TSidPage::btnFileSaveSelectedClick);

  m_sendSide = new QVBoxLayout;
  m_sendSide->addWidget(group);
  m_sendSide->addWidget(saveSelected);
  m_sendPanel = new TSidSendPanel(m_context, *m_fileList, tab);
  EnableWithRows(&m_fileList->Model(),
                 {saveSelected, m_sendPanel->findChild<QWidget *>(QStringLiteral("btnFileSendAll")),
                  m_sendPanel->findChild<QWidget *>(QStringLiteral("btnFileSendSelected"))});
  m_sendSide->addWidget(m_sendPanel);
  m_sendSide->addStretch();
  auto *layout = new QHBoxLayout(tab);
  layout->addWidget(m_fileList, 1);
  layout->addLayout(m_sendSide);
  return tab;
}

void TSidPage::SelectTab(Tab tab) {
  m_tabs->setCurrentIndex(tab);
}

TSidPage::Tab TSidPage::CurrentTab() const {
  return m_tabs->currentIndex() == SendTab ? SendTab : GetTab;
}

void TSidPage::RefreshLists() {
  m_getList->Model().SetCount(m_context.SidGetBank().Count());
  m_fileList->Model().SetCount(m_context.SidFileBank().Count());
}

void TSidPage::ReapplyListWidth() {
  if (CurrentTab() == SendTab)
    lvFilePatchListResize();
  else
    lvSysExPatchListResize();
}

QStringList TSidPage::lvSysExPatchListData(int item) const {
  return RowText(m_context.SidGetBank(), item);
}

QStringList TSidPage::lvFilePatchListData(int item) const {
  return RowText(m_context.SidFileBank(), item);
}

void TSidPage::lvSysExPatchListResize() {
  m_getList->SetNameWidth(NameColumnWidth(*m_getList));
}

void TSidPage::lvFilePatchListResize() {
  m_fileList->SetNameWidth(NameColumnWidth(*m_fileList));
}

void TSidPage::SetGetBank(int bank) {
  bank = std::clamp(bank, kFirstBank, kLastBank);
  m_getBankSpin->SetTag(bank);
  m_getBank->setText(BankText(bank));
}

void TSidPage::spGetBankUpClick() {
  SetGetBank(m_getBankSpin->Tag() + 1);
}

void TSidPage::spGetBankDownClick() {
  SetGetBank(m_getBankSpin->Tag() - 1);
}

void TSidPage::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(this, QApplication::applicationDisplayName(), text);
}

void TSidPage::RunFetch(const std::function<TFetchReport(TTransferHost &, TSidFetch &)> &fetch) {
  TSidFetch values;
  values.device = m_context.SidDeviceId();
  values.delayMs = m_context.SidDelay();
  values.fetchBank = m_getBankSpin->Tag();
  TListHost host(m_context.Host(), [this] { m_getList->clearSelection(); });
  TFetchReport report;
  const QString error = Attempt([&] { report = fetch(host, values); });
  SetGetBank(values.fetchBank);
  m_getList->Model().SetCount(m_context.SidGetBank().Count());
  if (AnyFetched(report))
    KeepSnapshot(m_context, SidFetchRecord(m_context.SidGetBank(), values.device));
  ShowError(error);
  // The wait dialog closed by itself; the user learns why nothing came.
  QStringList cut;
  for (const TFetchItem &item : report.items)
    if (item.result == TFetchResult::CutShort)
      cut << QString::fromStdString(CutShortText(item.patch > 0 ? "patch dump" : "bank dump",
                                                 item.received, item.expected, item.cause));
  if (!cut.isEmpty())
    m_context.Host().Inform(cut.join("\r\n").toStdString());
  // "&Cancel" keeps what had arrived whole; the user learns how far it got.
  if (report.cancelled)
    m_context.ReportDone(QString::fromStdString(CancelledText(report)));
  ShowError(QString::fromStdString(report.lostReason));
}

void TSidPage::btnGetSinglePatchClick() {
  const int patchNumber = m_getPatchNr->value();
  RunFetch([&](TTransferHost &host, TSidFetch &fetch) {
    return GetSingleSidPatch(m_context.Link(), host, fetch, patchNumber, m_context.SidGetBank());
  });
}

void TSidPage::btnGetSingleBankClick() {
  RunFetch([&](TTransferHost &host, TSidFetch &fetch) {
    return GetSingleSidBank(m_context.Link(), host, fetch, m_context.SidGetBank());
  });
}

void TSidPage::btnGetAllBanksClick() {
  RunFetch([&](TTransferHost &host, TSidFetch &fetch) {
    return GetAllSidBanks(m_context.Link(), host, fetch, m_context.SidGetBank());
  });
}

void TSidPage::btnSysExSaveAllClick() {
  const TPatchBank &bank = m_context.SidGetBank();
  if (bank.Count() == 0)
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const QString error = Attempt([&] { WriteWholeFile(path, SidFileBytes(bank)); });
  ShowError(error);
  if (error.isEmpty())
    m_context.ReportDone(FileDoneText(bank.Count(), "saved to", path));
}

void TSidPage::btnSysExSendSelectedClick() {
  SaveSelected(*m_getList, m_context.SidGetBank());
}

void TSidPage::btnFileSaveSelectedClick() {
  SaveSelected(*m_fileList, m_context.SidFileBank());
}

void TSidPage::SaveSelected(TSidPatchList &list, const TPatchBank &bank) {
  const std::vector<int> items = list.SelectedItems();
  if (items.empty() || items.front() >= bank.Count())
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  size_t saved = 0;
  const QString error = Attempt([&] {
    TWaitCursor cursor;
    std::vector<const TPatch *> patches;
    for (int item : items)
      if (item < bank.Count())
        patches.push_back(&bank.GetPatch(item));
    TMemoryStream stream;
    WriteSidPatches(stream, patches);
    WriteWholeFile(path, stream.Data());
    saved = patches.size();
  });
  ShowError(error);
  if (error.isEmpty())
    m_context.ReportDone(FileDoneText(saved, "saved to", path));
}

void TSidPage::btnSysExStoreDifferentClick() {
  m_sendPanel->StoreDifferent(*m_getList);
}

void TSidPage::btnLoadSysFileClick() {
  const QString path = m_context.OpenSysExFile();
  if (!path.isEmpty())
    LoadFile(path);
}

void TSidPage::LoadFile(const QString &path) {
  m_fileList->clearSelection();
  m_context.SidFileBank().Clear();
  m_loadedPath = path;
  QString notice;
  const QString error = Attempt([&] {
    const TSidLoadReport report = LoadSidFile(
        ReadWholeFile(path), QDir::toNativeSeparators(path).toStdString(), m_context.SidFileBank());
    m_loadedFile->setText(QFileInfo(path).fileName());
    notice = SidLoadNotice(report, m_context.SidFileBank());
  });
  m_fileList->Model().SetCount(m_context.SidFileBank().Count());
  KeepSightings(m_context, FileSightings(path, {&m_context.SidFileBank()}, {}));
  TellLoad(m_context, this, path, static_cast<size_t>(m_context.SidFileBank().Count()), error,
           notice);
}

} // namespace zpm
