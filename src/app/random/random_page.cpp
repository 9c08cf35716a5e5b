// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/random/random_page.h"

#include "app/backup_file.h"
#include "app/fm/fm_send_panel.h"
#include "app/library/library_record.h"
#include "app/page_support.h"
#include "app/random/range_grid_widget.h"
#include "app/sid/sid_send_panel.h"
#include "patch/error.h"
#include "random/fm_random.h"
#include "random/random_send.h"
#include "random/sid_random.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace zpm {

namespace {

struct TPageNames {
  const char *page;
  const char *group;
  const char *grid;
  const char *editor;
  const char *seed;
  const char *bank;
  const char *patch;
  const char *number;
  const char *toFile;
  const char *toDevice;
  const char *toDeviceCaption;
  const char *backup;
  const char *verify;
};

const TPageNames kSidNames = {"SidRandomPage",
                              "Create SID Random Patches",
                              "SIDRandomGrid",
                              "InlineSpinEdit",
                              "seSIDrnd",
                              "cbSIDrndBank",
                              "seSIDrndPatch",
                              "seSIDrndNum",
                              "btnSIDCreateRandomSysEx",
                              "btnSIDCreateRandomSID",
                              "Create && Save to SID",
                              "cbSIDrndBackupBeforeSend",
                              "cbSIDrndVerifyAfterSend"};
const TPageNames kFmNames = {"FmRandomPage",
                             "Create FM Random Patches",
                             "FMRandomGrid",
                             "InlineSpinEditFM",
                             "seFMSeed",
                             "cbFMrndBank",
                             "seFMrndPatch",
                             "seFMrndNum",
                             "btnFMCreateRandomSysEx",
                             "btnFMCreateRandomFM",
                             "Create && Save to FM",
                             "cbFMrndBackupBeforeSend",
                             "cbFMrndVerifyAfterSend"};

QSpinBox *Spin(const char *name, int min, int max, int value, QWidget *parent) {
  auto *spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(min, max);
  spin->setValue(value);
  return spin;
}

// As after a send: the report when the slots were read back, when a lost
// connection cut the run short, or when a slot is worth sending again. The
// voices of a bank the device lacks have their own message instead.
bool ShowsReport(const TSendReport &report) {
  return report.verified || !report.lostReason.empty() ||
         std::any_of(report.items.begin(), report.items.end(), [](const TSendItem &item) {
           return item.result == TSendResult::NoAnswer || item.result == TSendResult::Differs ||
                  item.result == TSendResult::Unverified || item.result == TSendResult::Unknown;
         });
}

} // namespace

TRandomPage::TRandomPage(Synth synth, TMainContext &context, QWidget *parent)
    : QWidget(parent), m_synth(synth), m_context(context) {
  const TPageNames &names = synth == Synth::Sid ? kSidNames : kFmNames;
  setObjectName(QLatin1String(names.page));
  auto *group = new QGroupBox(QLatin1String(names.group), this);
  m_gridView = new TRangeGridView(synth == Synth::Sid ? MakeSidRandomGrid() : MakeFmRandomGrid(),
                                  names.grid, names.editor, group);
  m_gridView->setAccessibleName(synth == Synth::Sid ? QStringLiteral("SID random parameter ranges")
                                                    : QStringLiteral("FM random parameter ranges"));

  m_seed = Spin(names.seed, static_cast<int>(kRandomSeedMin), static_cast<int>(kRandomSeedMax), 0,
                group);
  m_seed->setSingleStep(1000);
  m_seed->setToolTip(QStringLiteral("Range: -2147483647 to 2147483647"));
  m_bank = new QComboBox(group);
  m_bank->setObjectName(QLatin1String(names.bank));
  for (char letter = 'A'; letter <= 'H'; ++letter)
    m_bank->addItem(QStringLiteral("Bank %1").arg(QLatin1Char(letter)));
  m_patch = Spin(names.patch, kRandomPatchMin, kRandomPatchMax, 1, group);
  m_number = Spin(names.number, kRandomCountMin, kRandomCountMax, 1, group);

  auto *toFile = new QPushButton(QStringLiteral("Create && Save to SysEx"), group);
  toFile->setObjectName(QLatin1String(names.toFile));
  auto *toDevice = new QPushButton(QLatin1String(names.toDeviceCaption), group);
  toDevice->setObjectName(QLatin1String(names.toDevice));
  connect(toFile, &QPushButton::clicked, this, &TRandomPage::CreateToSysExClick);
  connect(toDevice, &QPushButton::clicked, this, &TRandomPage::CreateToDeviceClick);
  m_backup = new QCheckBox(QStringLiteral("Back up destination banks first"), group);
  m_backup->setObjectName(QLatin1String(names.backup));
  m_verify = new QCheckBox(QStringLiteral("Verify after sending"), group);
  m_verify->setObjectName(QLatin1String(names.verify));
  m_status = new QLabel(group);
  m_status->setObjectName(QStringLiteral("lblRandomStatus"));
  m_status->setWordWrap(true);

  auto *form = new QFormLayout;
  form->addRow(QStringLiteral("Initial Random Seed:"), m_seed);
  form->addRow(QStringLiteral("Bank:"), m_bank);
  form->addRow(QStringLiteral("Patch:"), m_patch);
  form->addRow(QStringLiteral("Number of Patches:"), m_number);
  auto *side = new QVBoxLayout;
  side->addLayout(form);
  side->addWidget(toFile);
  side->addWidget(toDevice);
  side->addWidget(m_backup);
  side->addWidget(m_verify);
  side->addWidget(m_status);
  side->addStretch(1);
  auto *row = new QHBoxLayout(group);
  row->addWidget(m_gridView);
  row->addLayout(side, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(group);
}

RangeGrid &TRandomPage::Grid() {
  return m_gridView->Grid();
}

RandomRun TRandomPage::CurrentRun() const {
  RandomRun run;
  run.Seed = m_seed->value();
  run.Bank = m_bank->currentIndex();
  run.FirstPatch = m_patch->value();
  run.Count = m_number->value();
  run.DeviceId = m_synth == Synth::Sid ? m_context.SidDeviceId() : m_context.FmDeviceId();
  return run;
}

QString TRandomPage::StatusText() const {
  return m_status->text();
}

void TRandomPage::CreateToSysExClick() {
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const RandomRun run = CurrentRun();
  try {
    TWaitCursor busy;
    // The grid's cells are read now, as each patch is built.
    const Bytes bytes =
        m_synth == Synth::Sid ? CreateSidRandomFile(run, Grid()) : CreateFmRandomFile(run, Grid());
    WriteWholeFile(path, bytes);
  } catch (const ZpmError &e) {
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  m_status->setText(QString::fromStdString(RandomRunSummary(run, RandomRunLength(run))));
}

void TRandomPage::CreateToDeviceClick() {
  const RandomRun run = CurrentRun();
  TRandomSendReport report;
  QString error;
  try {
    if (m_synth == Synth::Sid) {
      report = SendSidRandomRun(
          m_context.Link(), m_context.Host(), run, Grid(),
          WindowSidSendOptions(m_context, m_backup->isChecked(), m_verify->isChecked()));
    } else {
      report = SendFmRandomRun(m_context.Link(), m_context.Host(), run, Grid(), FmOptions());
    }
  } catch (const ZpmError &e) {
    error = QString::fromStdString(e.what());
  }
  m_status->setText(QString::fromStdString(RandomRunSummary(run, report.sent)));
  TSendReport &sends = report.send;
  const TFMPatchBank none;
  const TFmLists voices{report.fmVoices, none, none};
  // What reached the device is kept however the run ended.
  KeepSnapshot(m_context, m_synth == Synth::Sid
                              ? SidSendRecord(sends, report.sidPatches, run.DeviceId, true)
                              : FmSendRecord(sends, voices, run.DeviceId, true));
  if (!error.isEmpty())
    return ShowError(error);
  if (!sends.backupProblem.empty())
    return ShowError(QString::fromStdString(sends.backupProblem));
  const std::string refusals = FmRefusalText(run, report);
  if (!report.lostReason.empty())
    ShowError(QString::fromStdString(RandomLostText(run, report)));
  else if (!refusals.empty())
    m_context.Host().Inform(refusals);
  if (report.lostReason.empty() && !sends.lostReason.empty()) // lost while reading back
    ShowError(QString::fromStdString(sends.lostReason));
  if (!ShowsReport(sends))
    return;
  if (m_synth == Synth::Sid)
    ShowSidSendReport(m_context, this, sends, report.sidPatches, /*random=*/true);
  else
    ShowFmSendReport(
        m_context, this, [this] { return FmOptions(); }, sends, voices, /*random=*/true);
}

TFmSendOptions TRandomPage::FmOptions() const {
  return WindowFmSendOptions(m_context, m_backup->isChecked(), m_verify->isChecked());
}

void TRandomPage::ShowError(const QString &text) {
  QMessageBox::critical(m_context.MainWindow() ? m_context.MainWindow() : this,
                        QApplication::applicationDisplayName(), text);
}

} // namespace zpm
