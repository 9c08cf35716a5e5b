// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"

#include "app/about_page.h"
#include "app/config_page.h"
#include "app/device_choice.h"
#include "app/fm/fm_page.h"
#include "app/fm/fm_send_panel.h"
#include "app/library/library_page.h"
#include "app/library/library_window.h"
#include "app/log_window.h"
#include "app/random/random_page.h"
#include "app/reception_bridge.h"
#include "app/sid/sid_page.h"
#include "app/sid/sid_send_panel.h"
#include "app/synth_claim.h"
#include "app/wait_dialog.h"
#include "app/window_fit.h"
#include "app/window_host.h"
#include "app/working_dialog.h"
#include "library/library.h"
#include "library/library_files.h"
#include "library/library_guard.h"
#include "midi/log_text.h"
#include "patch/error.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zpm {

namespace {

TRunDevices ProgramDevices(MidiApi api) {
  SetMidiApi(api);
  return {&MidiInput(), &MidiOutput()};
}

// Another page's option is the SID send tab's setting: ticking one ticks both.
void ShareCheck(QCheckBox *sid, QCheckBox *other) {
  other->setChecked(sid->isChecked());
  QObject::connect(sid, &QCheckBox::toggled, other, &QCheckBox::setChecked);
  QObject::connect(other, &QCheckBox::toggled, sid, &QCheckBox::setChecked);
}

} // namespace

TfrmMain::TfrmMain(const TMainOptions &options, QWidget *parent) : QWidget(parent) {
  m_settingsPath = options.settingsPath.isEmpty() ? SettingsFilePath() : options.settingsPath;
  m_settings = ReadSettings(m_settingsPath);
  m_showLog = m_settings.ShowLog;
  m_readDir = m_settings.SavedReadSysExDir;
  m_saveDir = m_settings.SavedSaveSysExDir;

  const MidiApi api = options.api.value_or(m_settings.Api);
  const TRunDevices devices = options.devices ? options.devices(api) : ProgramDevices(api);
  m_input = devices.input;
  m_output = devices.output;
  m_link = std::make_unique<TMidiLink>(TMidiLink{*m_output, m_reception, m_log});
  m_claim = new TSynthClaim(this);
  m_link->OnClaim = [this] { m_claim->Claim(*m_output, m_link->OutputDeviceIndex); };
  m_bridge = std::make_unique<TReceptionBridge>(m_reception);
  OpenLibrary(options.libraryPath);

  BuildWindow(m_input->System().Api());
  m_config->seDelay->setValue(m_settings.SidDelay);
  m_config->seFMDelay->setValue(m_settings.FmDelay);
  m_config->SetChosenApi(m_settings.Api);
  m_config->cbKeepInLibrary->setChecked(m_settings.KeepInLibrary);
  m_config->SetAudition(m_settings.Audition);
  m_config->lbLibraryPath->setText(
      m_library ? QDir::toNativeSeparators(QString::fromStdString(m_library->Path()))
                : m_libraryProblem);

  const TDeviceChoice input =
      ChooseDevice(m_input->DeviceNames(), m_settings.InputDevice,
                   m_settings.InputDeviceName.toStdString(), options.simulator);
  const TDeviceChoice output =
      ChooseDevice(m_output->DeviceNames(), m_settings.OutputDevice,
                   m_settings.OutputDeviceName.toStdString(), options.simulator);
  // The saved choice stays saved while this run uses or holds back the simulator.
  if (options.simulator || input.simulatorHeldBack)
    m_keptInput = IsValidIndex(*m_input, m_settings.InputDevice) ? m_settings.InputDevice : -1;
  if (options.simulator || output.simulatorHeldBack)
    m_keptOutput = IsValidIndex(*m_output, m_settings.OutputDevice) ? m_settings.OutputDevice : -1;
  m_link->InputDeviceIndex = input.index;
  m_link->OutputDeviceIndex = output.index;
  FillDeviceList(m_config->cbxInputDevices, *m_input, m_link->InputDeviceIndex);
  FillDeviceList(m_config->cbxOutputDevices, *m_output, m_link->OutputDeviceIndex);

  m_input->OnMidiData = [this](int device, uint8_t status, uint8_t data1, uint8_t data2) {
    m_reception.HandleMidiData(device, status, data1, data2);
  };
  m_input->OnSysExData = [this](int device, const uint8_t *bytes, size_t count) {
    m_reception.HandleSysExData(device, bytes, count);
  };
  m_input->OnInputProblem = [this](int device, TInputProblem problem, const std::string &reason) {
    m_reception.HandleInputProblem(device, problem, reason);
  };
  m_input->OnActivity = [this](int device, bool inSysEx, size_t messageBytes) {
    m_reception.HandleActivity(device, inSysEx, messageBytes);
  };

  if (m_link->InputDeviceIndex >= 0)
    OpenDevice(*m_input, m_config->cbxInputDevices, m_link->InputDeviceIndex,
               m_link->InputDeviceIndex);
  if (m_link->OutputDeviceIndex >= 0)
    OpenDevice(*m_output, m_config->cbxOutputDevices, m_link->OutputDeviceIndex,
               m_link->OutputDeviceIndex);

  connect(m_config->cbxInputDevices, &QComboBox::currentIndexChanged, this,
          &TfrmMain::cbxInputDevicesChange);
  connect(m_config->cbxOutputDevices, &QComboBox::currentIndexChanged, this,
          &TfrmMain::cbxOutputDevicesChange);
  connect(m_config->cbLog, &QCheckBox::toggled, this, &TfrmMain::cbLogClick);
  connect(CaptionButton, &QToolButton::clicked, this, &TfrmMain::CaptionButtonClick);
}

TfrmMain::~TfrmMain() {
  // The secondary windows show this window's log and reception.
  const QObjectList windows = children();
  for (QObject *child : windows)
    if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
      delete child;
  m_host.reset();
  CloseDevices();
  m_input->OnMidiData = nullptr;
  m_input->OnSysExData = nullptr;
  m_input->OnInputProblem = nullptr;
  m_input->OnActivity = nullptr;
  m_bridge.reset();
}

void TfrmMain::BuildWindow(MidiApi runningApi) {
  setObjectName("frmMain");
  setWindowTitle("Zavorin Patch Manager");
  // Every box of the program carries this title, whatever the executable is called.
  QGuiApplication::setApplicationDisplayName(windowTitle());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  // Everything the user works with in this window, in one panel: a running
  // send disables the panel (disabling the window would disable its
  // dialogs, the "Working..." dialog with them).
  m_body = new QWidget(this);
  m_body->setObjectName("pnlMain");
  tvNavigation = new QTreeWidget(m_body);
  tvNavigation->setObjectName("tvNavigation");
  tvNavigation->setAccessibleName("Pages");
  tvNavigation->setHeaderHidden(true);
  tvNavigation->setRootIsDecorated(true);
  tvNavigation->setFixedWidth(130);
  m_pages = new QStackedWidget(m_body);
  m_pages->setObjectName("pgPages");
  connect(tvNavigation, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
    if (QWidget *page = m_nodePages.value(item))
      m_pages->setCurrentWidget(page);
    if (item && item == m_libraryNode)
      ShowLibrary();
  });
  // A click on "Library" while it is the current entry raises the window again.
  connect(tvNavigation, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
    if (item == m_libraryNode)
      ShowLibrary();
  });

  m_sidPage = new TSidPage(*this, m_pages);
  m_sidPage->SendPanel().SetSendChecks(m_settings.BackupBeforeSend, m_settings.VerifyAfterSend);
  m_config = new TConfigPage(runningApi, m_pages);
  AddPage("SID", QString(), m_sidPage);
  AddPage("SID", "Patches", m_sidPage);
  auto *sidRandom = new TRandomPage(TRandomPage::Synth::Sid, *this, m_pages);
  AddPage("SID", "Random", sidRandom);
  auto *fmPage = new TFmPage(*this, m_pages);
  m_fmPage = fmPage;
  auto *fmRandom = new TRandomPage(TRandomPage::Synth::Fm, *this, m_pages);
  // Every write offers the same two options, kept once in the settings.
  auto *backup = m_sidPage->findChild<QCheckBox *>("cbBackupBeforeSend");
  auto *verify = m_sidPage->findChild<QCheckBox *>("cbVerifyAfterSend");
  ShareCheck(backup, fmPage->SendPanel().BackupCheck());
  ShareCheck(verify, fmPage->SendPanel().VerifyCheck());
  for (TRandomPage *random : {sidRandom, fmRandom}) {
    ShareCheck(backup, random->BackupCheck());
    ShareCheck(verify, random->VerifyCheck());
  }
  AddPage("FM", QString(), fmPage);
  AddPage("FM", "Patches", fmPage);
  AddPage("FM", "Random", fmRandom);
  m_libraryWindow = new TfrmLibrary(*this, m_settings, this);
  m_libraryPage = &m_libraryWindow->Page();
  AddPage("Library", QString(), LibraryPlaceholder());
  m_libraryNode = tvNavigation->topLevelItem(tvNavigation->topLevelItemCount() - 1);
  for (QWidget *window : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_libraryWindow)}) {
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &TfrmMain::ShowLibrary);
  }
  AddPage("Config", QString(), m_config);
  AddPage("About", QString(), new TAboutPage(m_pages));

  auto *layout = new QHBoxLayout(m_body);
  layout->addWidget(tvNavigation);
  layout->addWidget(m_pages, 1);
  m_status = new QStatusBar(this);
  m_status->setObjectName("sbStatus");
  m_status->setAccessibleName("What the last save or load did");
  m_status->setSizeGripEnabled(false);
  auto *frame = new QVBoxLayout(this);
  frame->setContentsMargins(0, 0, 0, 0);
  frame->setSpacing(0);
  frame->addWidget(m_body, 1);
  frame->addWidget(m_status);

  setFixedSize(sizeHint().expandedTo(QSize(860, 560)));

  // Not every window manager takes a button in the title bar: the corner
  // of the window holds it instead.
  CaptionButton = new QToolButton(m_body);
  CaptionButton->setObjectName("CaptionButton");
  CaptionButton->setText("#");
  CaptionButton->setToolTip("Show/Hide the log window");
  CaptionButton->setCheckable(true);
  CaptionButton->setAutoRaise(true);
  CaptionButton->setGeometry(width() - 32, 6, 24, 22);
  CaptionButton->raise();

  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(FitMainWindow(QPoint(area.x() + (area.width() - width()) / 2,
                              area.y() + (area.height() - height() - kLogHeight) / 3),
                       size(), area));
  }

  m_sidPage->SelectTab(TSidPage::GetTab);
  tvNavigation->setCurrentItem(tvNavigation->topLevelItem(0));
  setAcceptDrops(true);
}

QWidget *TfrmMain::LibraryPlaceholder() {
  auto *page = new QWidget(m_pages);
  page->setObjectName("LibraryPlaceholder");
  auto *text = new QLabel("The library has a window of its own, which can stand beside this one: "
                          "drag patches from the SID and FM lists onto its user banks.",
                          page);
  text->setWordWrap(true);
  auto *open = new QPushButton("Open the &library window (Ctrl+L)", page);
  open->setObjectName("btnOpenLibrary");
  open->setAccessibleName("Open the library window");
  connect(open, &QPushButton::clicked, this, &TfrmMain::ShowLibrary);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(text);
  layout->addWidget(open, 0, Qt::AlignLeft);
  layout->addStretch();
  return page;
}

void TfrmMain::ShowLibrary() {
  m_libraryWindow->OpenOrRaise();
}

void TfrmMain::SetCanClose(bool canClose) {
  m_canClose = canClose;
  // A send started in either window keeps the library's controls still too.
  if (m_libraryPage)
    m_libraryPage->setEnabled(canClose);
}

void TfrmMain::AddPage(const QString &node, const QString &child, QWidget *page) {
  QTreeWidgetItem *top = nullptr;
  for (int i = 0; i < tvNavigation->topLevelItemCount() && !top; ++i)
    if (tvNavigation->topLevelItem(i)->text(0) == node)
      top = tvNavigation->topLevelItem(i);
  if (!top)
    top = new QTreeWidgetItem(tvNavigation, {node});
  QTreeWidgetItem *item = child.isEmpty() ? top : new QTreeWidgetItem(top, {child});
  if (m_pages->indexOf(page) < 0)
    m_pages->addWidget(page);
  m_nodePages.insert(item, page);
}

void TfrmMain::AttachWindows(TfrmLog *log, TfrmWaitSysEx *wait, TfrmWorking *working) {
  m_logWindow = log;
  log->SetDecode(m_settings.LogDecode);
  connect(log, &TfrmLog::FormHide, this, &TfrmMain::LogFormHide);
  m_host = std::make_unique<TWindowHost>(*this, m_body, *m_bridge, *wait, *working);
}

TTransferHost &TfrmMain::Host() {
  if (!m_host)
    throw ZpmError("The program's windows are not ready yet.");
  return *m_host;
}

int TfrmMain::InputDeviceIndex() const {
  return m_link->InputDeviceIndex;
}

int TfrmMain::OutputDeviceIndex() const {
  return m_link->OutputDeviceIndex;
}

int TfrmMain::SidDelay() const {
  return m_config->seDelay->value();
}

uint8_t TfrmMain::SidDeviceId() const {
  return static_cast<uint8_t>(m_config->seSIDDeviceID->value());
}

int TfrmMain::FmDelay() const {
  return m_config->seFMDelay->value();
}

uint8_t TfrmMain::FmDeviceId() const {
  return static_cast<uint8_t>(m_config->seFMDeviceID->value());
}

TAuditionSettings TfrmMain::Audition() const {
  return m_config->Audition();
}

void TfrmMain::SetAudition(const TAuditionSettings &settings) {
  m_config->SetAudition(settings);
}

void TfrmMain::closeEvent(QCloseEvent *event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TfrmMain::FormClose() {
  TSettings settings = m_settings;
  settings.InputDevice = m_keptInput.value_or(m_link->InputDeviceIndex);
  settings.OutputDevice = m_keptOutput.value_or(m_link->OutputDeviceIndex);
  settings.InputDeviceName =
      m_keptInput ? m_settings.InputDeviceName : DeviceName(*m_input, m_link->InputDeviceIndex);
  settings.OutputDeviceName =
      m_keptOutput ? m_settings.OutputDeviceName : DeviceName(*m_output, m_link->OutputDeviceIndex);
  if (m_logWindow)
    settings.LogDecode = m_logWindow->Decode();
  settings.SidDelay = m_config->seDelay->value();
  settings.FmDelay = m_config->seFMDelay->value();
  settings.ShowLog = m_config->cbLog->isChecked();
  // A folder is remembered until a dialog of a later run picks another.
  if (!m_chosenReadDir.isEmpty())
    settings.SavedReadSysExDir = m_chosenReadDir;
  if (!m_chosenSaveDir.isEmpty())
    settings.SavedSaveSysExDir = m_chosenSaveDir;
  settings.Api = m_config->ChosenApi();
  settings.BackupBeforeSend = m_sidPage->SendPanel().BackupBeforeSend();
  settings.VerifyAfterSend = m_sidPage->SendPanel().VerifyAfterSend();
  settings.KeepInLibrary = m_config->cbKeepInLibrary->isChecked();
  settings.Audition = m_config->Audition();
  m_libraryWindow->KeepIn(settings);
  const QString unsaved = WriteSettings(m_settingsPath, settings);
  if (!unsaved.isEmpty())
    QMessageBox::warning(this, windowTitle(),
                         QString("The settings could not be saved to %1 (%2).")
                             .arg(QDir::toNativeSeparators(m_settingsPath), unsaved));
  CloseDevices();
  if (m_logWindow)
    m_logWindow->hide();
  // The program ends with its main window, whatever else is open.
  m_libraryWindow->hide();
}

void TfrmMain::OpenLibrary(const QString &path) {
  try {
    const std::string file = path.isEmpty() ? DefaultLibraryPath() : path.toStdString();
    // Guarded even when it cannot be opened: no save may replace it.
    GuardLibrary(file);
    m_library = std::make_unique<TLibrary>(file);
  } catch (const std::exception &error) {
    m_libraryProblem = QString::fromStdString(error.what()) +
                       QStringLiteral(" The library stays closed for this run; move that file "
                                      "aside or set ZPM_LIBRARY to another file, then start the "
                                      "program again.");
  }
}

bool TfrmMain::KeepInLibrary() const {
  return m_config->cbKeepInLibrary->isChecked();
}

bool TfrmMain::BackupBeforeSend() const {
  return m_sidPage->SendPanel().BackupBeforeSend();
}

bool TfrmMain::VerifyAfterSend() const {
  return m_sidPage->SendPanel().VerifyAfterSend();
}

void TfrmMain::LibraryChanged() {
  if (m_libraryPage)
    m_libraryPage->Reload();
}

void TfrmMain::ReportDone(const QString &text) {
  m_log.AddLogLine("[" + LogTimeText() + "] " + text.toStdString());
  m_status->showMessage(text);
  if (m_libraryWindow)
    m_libraryWindow->ShowStatus(text);
}

} // namespace zpm
