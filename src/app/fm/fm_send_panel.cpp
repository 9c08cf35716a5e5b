// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/fm/fm_send_panel.h"

#include "app/backup_file.h"
#include "app/fm/fm_save_location_dialog.h"
#include "app/library/library_record.h"
#include "app/page_support.h"
#include "app/send_report_dialog.h"
#include "app/sid/sid_list_widget.h"
#include "fm/fm_file.h"
#include "fm/fm_list.h"
#include "fm/fm_messages.h"
#include "patch/list_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kSelectedPatches = 1;
constexpr std::array<uint8_t, 3> kTypes = {kFmVoice, kFmDrumset, kFmEnsemble};

struct TControlNames {
  const char *sendAll, *sendAllCaption, *srcPatch, *allItem, *selItem, *srcBank, *destBank,
      *destPatch, *copy, *copyCaption, *bankPrefix;
};

const TControlNames &NamesOf(uint8_t type) {
  static const TControlNames voices = {"btnFMSendAllVoices",
                                       "Send all patches to FM",
                                       "cmbFMVoicesSrcPatch",
                                       "all patches",
                                       "sel. patches",
                                       "cmbFMVoicesSrcBank",
                                       "cmbFMVoicesDestBank",
                                       "cmbFMVoicesDestPatch",
                                       "btnFMCopySysExVoices",
                                       "Send source to destination",
                                       "Bank "};
  static const TControlNames drums = {"btnFMSendAllDrums",
                                      "Send all",
                                      "cmbFMDrumsSrcPatch",
                                      "all",
                                      "sel.",
                                      "cmbFMDrumsSrcBank",
                                      "cmbFMDrumsDestBank",
                                      "cmbFMDrumsDestPatch",
                                      "btnFMCopySysExDrums",
                                      "Send",
                                      ""};
  static const TControlNames ensembles = {"btnFMSendAllEnsembles",
                                          "Send all",
                                          "cmbFMEnsemblesSrcPatch",
                                          "all",
                                          "sel.",
                                          "cmbFMEnsemblesSrcBank",
                                          "cmbFMEnsemblesDestBank",
                                          "cmbFMEnsemblesDestPatch",
                                          "btnFMCopySysExEnsembles",
                                          "Send",
                                          ""};
  return type == kFmDrumset ? drums : type == kFmEnsemble ? ensembles : voices;
}

QComboBox *Choice(const char *name, const char *hint, const QStringList &items, QWidget *parent) {
  auto *box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->setToolTip(QLatin1String(hint));
  box->addItems(items);
  return box;
}

QStringList BankItems(const char *prefix) {
  QStringList items;
  for (char letter = 'A'; letter <= 'H'; ++letter)
    items << QLatin1String(prefix) + QChar(QLatin1Char(letter));
  return items;
}

// Only the type's own slots: a drumset has no position 17.
QStringList PositionItems(uint8_t type) {
  QStringList items;
  for (int number = 1; number <= FmPatchesPerBank(type); ++number)
    items << QString::number(number);
  return items;
}

std::vector<TSendReportRow> ReportRows(const TSendReport &report) {
  std::vector<TSendReportRow> rows;
  for (const TSendItem &item : report.items)
    rows.push_back({QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank))) + ":" +
                        QString::number(item.number + 1),
                    QString::fromLatin1(item.name.c_str()),
                    QString::fromLatin1(FmSendResultText(item.result)),
                    QString::fromStdString(item.reason), FmSlotFailed(item),
                    QString::fromStdString(FmTypeText(static_cast<uint8_t>(item.type)))});
  return rows;
}

} // namespace

TFmSendPanel::TFmSendPanel(TMainContext &context, const std::array<TSidPatchList *, 3> &lists,
                           QWidget *parent)
    : QObject(parent), m_context(context), m_parent(parent), m_lists(lists),
      m_allTypes(new QGroupBox(QStringLiteral("All Types"), parent)),
      m_backup(new QCheckBox(QStringLiteral("Back up destination banks first"), m_allTypes)),
      m_verify(new QCheckBox(QStringLiteral("Verify after sending"), m_allTypes)) {
  setObjectName(QStringLiteral("FmSendPanel"));
  for (size_t i = 0; i < kTypes.size(); ++i) {
    const uint8_t type = kTypes[i];
    const TControlNames &names = NamesOf(type);
    TTypeControls &c = m_controls[i];
    c.box = new QWidget(parent);
    auto *sendAll = new QPushButton(QLatin1String(names.sendAllCaption), c.box);
    sendAll->setObjectName(QLatin1String(names.sendAll));
    c.srcPatch = Choice(names.srcPatch, "Source Patch",
                        {QLatin1String(names.allItem), QLatin1String(names.selItem)}, c.box);
    c.srcBank = Choice(names.srcBank, "Source Bank", BankItems(names.bankPrefix), c.box);
    c.destBank = Choice(names.destBank, "Destination Bank", BankItems(names.bankPrefix), c.box);
    c.destPatch = Choice(names.destPatch, "Destination Patch", PositionItems(type), c.box);
    c.destPatch->setEnabled(false);
    auto *copy = new QPushButton(QLatin1String(names.copyCaption), c.box);
    copy->setObjectName(QLatin1String(names.copy));
    connect(sendAll, &QPushButton::clicked, this, [this, type] { btnFMSendAllVoicesClick(type); });
    connect(copy, &QPushButton::clicked, this, [this, type] { btnFMCopySysExClick(type); });
    connect(c.srcPatch, &QComboBox::currentIndexChanged, this,
            [this, type] { cmbFMSrcPatchChange(type); });
    auto *grid = new QGridLayout(c.box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(sendAll, 0, 0, 1, 3);
    grid->addWidget(c.srcPatch, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("-->"), c.box), 1, 1, 2, 1);
    grid->addWidget(c.destBank, 1, 2);
    grid->addWidget(c.srcBank, 2, 0);
    grid->addWidget(c.destPatch, 2, 2);
    grid->addWidget(copy, 3, 0, 1, 3);
    lists[i]->viewport()->installEventFilter(this);
  }
  m_allTypes->setObjectName(QStringLiteral("gbFMSendAllTypes"));
  auto *sendAll = new QPushButton(QStringLiteral("Send all patches to FM"), m_allTypes);
  sendAll->setObjectName(QStringLiteral("btnFMSaveAllPatchesSysEx"));
  auto *sendSelected = new QPushButton(QStringLiteral("Send selected patches to FM"), m_allTypes);
  sendSelected->setObjectName(QStringLiteral("btnFMSaveSelectedPatchesSysEx"));
  connect(sendAll, &QPushButton::clicked, this, &TFmSendPanel::btnFMSaveAllPatchesSysExClick);
  connect(sendSelected, &QPushButton::clicked, this,
          &TFmSendPanel::btnFMSaveSelectedPatchesSysExClick);
  m_backup->setObjectName(QStringLiteral("cbFMBackupBeforeSend"));
  m_verify->setObjectName(QStringLiteral("cbFMVerifyAfterSend"));
  auto *layout = new QVBoxLayout(m_allTypes);
  layout->addWidget(sendAll);
  layout->addWidget(sendSelected);
  layout->addWidget(m_backup);
  layout->addWidget(m_verify);
}

size_t TFmSendPanel::Index(uint8_t type) {
  return type == kFmDrumset ? 1 : type == kFmEnsemble ? 2 : 0;
}

QWidget *TFmSendPanel::TypeControls(uint8_t type) const {
  return m_controls[Index(type)].box;
}

TFmLists TFmSendPanel::Lists() const {
  return {m_context.FmSendVoiceBank(), m_context.FmSendDrumBank(), m_context.FmSendEnsembleBank()};
}

TFmSendOptions TFmSendPanel::Options() const {
  return WindowFmSendOptions(m_context, m_backup->isChecked(), m_verify->isChecked());
}

bool TFmSendPanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress)
    for (size_t i = 0; i < m_lists.size(); ++i)
      if (watched == m_lists[i]->viewport()) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton)
          lvFMSendMouseDown(kTypes[i], m_lists[i]->indexAt(press->position().toPoint()).row());
      }
  return QObject::eventFilter(watched, event);
}

void TFmSendPanel::lvFMSendMouseDown(uint8_t type, int item) {
  const TFMPatchBank &bank = Lists().Of(type);
  if (item < 0 || item >= bank.Count())
    return;
  TTypeControls &c = m_controls[Index(type)];
  c.srcPatch->setCurrentIndex(kSelectedPatches);
  cmbFMSrcPatchChange(type);
  c.srcBank->setCurrentIndex(std::clamp<int>(bank.GetPatch(item).Bank(), 0, 7));
}

void TFmSendPanel::cmbFMSrcPatchChange(uint8_t type) {
  TTypeControls &c = m_controls[Index(type)];
  const bool selected = c.srcPatch->currentIndex() == kSelectedPatches;
  if (!selected)
    c.destPatch->setCurrentIndex(0);
  c.destPatch->setEnabled(selected);
}

void TFmSendPanel::btnFMSendAllVoicesClick(uint8_t type) {
  TFmSendJob job;
  job.mode = TFmSendMode::Type;
  job.type = type;
  RunSend(job, Lists());
}

void TFmSendPanel::btnFMCopySysExClick(uint8_t type) {
  const TTypeControls &c = m_controls[Index(type)];
  TFmSendJob job;
  job.type = type;
  job.destBank = c.destBank->currentIndex();
  if (c.srcPatch->currentIndex() == kSelectedPatches) {
    job.mode = TFmSendMode::Rows;
    job.rows = m_lists[Index(type)]->SelectedItems();
    job.destPosition = c.destPatch->currentIndex();
  } else {
    job.mode = TFmSendMode::Bank;
    job.sourceBank = c.srcBank->currentIndex();
  }
  RunSend(job, Lists());
}

void TFmSendPanel::btnFMSaveAllPatchesSysExClick() {
  RunSend(TFmSendJob{}, Lists());
}

void TFmSendPanel::btnFMSaveSelectedPatchesSysExClick() {
  TFmSendJob job;
  job.mode = TFmSendMode::Selected;
  for (size_t i = 0; i < m_lists.size(); ++i)
    job.selected[i] = m_lists[i]->SelectedItems();
  RunSend(job, Lists());
}

TfrmFMSaveLocation &TFmSendPanel::SaveLocation() {
  if (!m_saveLocation)
    m_saveLocation =
        new TfrmFMSaveLocation(m_context.MainWindow() ? m_context.MainWindow() : m_parent);
  return *m_saveLocation;
}

void TFmSendPanel::SendFetchedPatch(uint8_t type, TSidPatchList &list, const TFMPatchBank &bank) {
  const int row = OneRowToSend(list.SelectedItems(), bank.Count(), m_context,
                               [this](const QString &text) { ShowError(text); });
  if (row < 0)
    return;
  TfrmFMSaveLocation &dialog = SaveLocation();
  dialog.ShowFmPatch(bank.GetPatch(row), type);
  if (dialog.exec() != QDialog::Accepted)
    return;
  TFmSendJob job;
  job.mode = TFmSendMode::PatchTo;
  job.type = type;
  job.rows = {row};
  job.destBank = dialog.DestinationBank();
  job.destPosition = dialog.NewPosition() - 1;
  const TFMPatchBank empty;
  const TFmLists lists{type == kFmVoice ? bank : empty, type == kFmDrumset ? bank : empty,
                       type == kFmEnsemble ? bank : empty};
  RunSend(job, lists);
}

void TFmSendPanel::RunSend(const TFmSendJob &job, const TFmLists &lists) {
  TSendReport report;
  QString error;
  const TFmSendOptions options = Options();
  try {
    report = RunFmSend(m_context.Link(), m_context.Host(), options, job, lists);
  } catch (const std::exception &e) {
    error = QString::fromStdString(e.what());
  }
  KeepSnapshot(m_context, FmSendRecord(report, lists, options.device));
  ShowError(error);
  ShowError(QString::fromStdString(report.backupProblem));
  ShowError(QString::fromStdString(report.lostReason));
  // A run the user cancelled needs no report; one the device refused or
  // left unanswered does.
  const bool failed =
      std::any_of(report.items.begin(), report.items.end(), [](const TSendItem &item) {
        return FmSlotFailed(item) && item.result != TSendResult::NotSent;
      });
  if (failed || report.verified)
    ShowReport(report, lists);
}

void TFmSendPanel::ShowReport(TSendReport &report, const TFmLists &lists) {
  ShowFmSendReport(
      m_context, m_parent, [this] { return Options(); }, report, lists);
}

void TFmSendPanel::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(m_context.MainWindow() ? m_context.MainWindow() : m_parent,
                          QApplication::applicationDisplayName(), text);
}

void ShowFmSendReport(TMainContext &context, QWidget *parent,
                      const std::function<TFmSendOptions()> &options, TSendReport &report,
                      const TFmLists &lists, bool random) {
  // Over the window the send was started from.
  QWidget *window = parent ? parent->window() : context.MainWindow();
  const auto showError = [window](const std::string &text) {
    if (!text.empty())
      QMessageBox::critical(window, QApplication::applicationDisplayName(),
                            QString::fromStdString(text));
  };
  TfrmSendReport dialog(window);
  for (;;) {
    dialog.ShowRows(ReportRows(report), SendSummary(report, FmSendResultText));
    if (!dialog.AskRetry())
      return;
    const TSendReport before = report;
    const TFmSendOptions values = options();
    try {
      RetryFmSlots(context.Link(), context.Host(), values, lists, report);
    } catch (const std::exception &e) {
      showError(e.what());
    }
    KeepSnapshot(context, FmSendRecord(SentAgain(before, report), lists, values.device, random));
    showError(report.lostReason);
  }
}

} // namespace zpm
