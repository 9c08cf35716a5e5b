#include "app/random/random_page.h"

#include "app/page_support.h"
#include "app/random/range_grid_widget.h"
#include "patch/error.h"
#include "random/fm_random.h"
#include "random/random_send.h"
#include "random/sid_random.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

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
                              "Create && Save to SID"};
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
                             "Create && Save to FM"};

QSpinBox *Spin(const char *name, int min, int max, int value, QWidget *parent) {
  auto *spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(name));
  spin->setRange(min, max);
  spin->setValue(value);
  return spin;
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
    report = m_synth == Synth::Sid ? SendSidRandomRun(m_context.Link(), m_context.Host(), run,
                                                      Grid(), m_context.SidDelay())
                                   : SendFmRandomRun(m_context.Link(), m_context.Host(), run,
                                                     Grid(), m_context.FmDelay());
  } catch (const ZpmError &e) {
    error = QString::fromStdString(e.what());
  }
  m_status->setText(QString::fromStdString(RandomRunSummary(run, report.sent)));
  if (!error.isEmpty())
    return ShowError(error);
  if (!report.lostReason.empty())
    return ShowError(QString::fromStdString(RandomLostText(run, report)));
  const std::string refusals = FmRefusalText(run, report);
  if (!refusals.empty())
    m_context.Host().Inform(refusals);
}

void TRandomPage::ShowError(const QString &text) {
  QMessageBox::critical(m_context.MainWindow() ? m_context.MainWindow() : this,
                        QApplication::applicationDisplayName(), text);
}

} // namespace zpm
