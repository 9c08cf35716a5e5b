// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: owner of the state that outlives one user action (the
// devices, the reception and its log, the banks, the busy flag), the
// navigation tree with its pages, start-up from the settings file and
// shut-down back into it.

#include "app/main_context.h"
#include "app/settings.h"
#include "midi/event_log.h"
#include "midi/midi_devices.h"
#include "midi/reception.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zpm {

class TConfigPage;
class TFmPage;
class TLibrary;
class TLibraryPage;
class TfrmLibrary;
class TReceptionBridge;
class TSidPage;
class TSynthClaim;
class TWindowHost;
class TfrmLog;
class TfrmWaitSysEx;
class TfrmWorking;

struct TRunDevices {
  TMidiInput *input;
  TMidiOutput *output;
};

struct TMainOptions {
  // Empty: SettingsFilePath().
  QString settingsPath;
  // The built-in simulator's ports for this run; the saved devices stay
  // saved unless the user picks others.
  bool simulator = false;
  // The MIDI service of this run instead of the saved choice.
  std::optional<MidiApi> api;
  // The run's device objects over the chosen service. Empty: MidiInput()
  // and MidiOutput() of the program.
  std::function<TRunDevices(MidiApi)> devices;
  // The patch library's file. Empty: DefaultLibraryPath().
  QString libraryPath;
};

class TfrmMain : public QWidget, public TMainContext {
  Q_OBJECT
public:
  // FormCreate: settings, device lists, opens the saved devices.
  explicit TfrmMain(const TMainOptions &options = TMainOptions{}, QWidget *parent = nullptr);
  // FormDestroy; the secondary windows go first, they show this one's state.
  ~TfrmMain() override;

  // The windows created after this one; they become its own.
  void AttachWindows(TfrmLog *log, TfrmWaitSysEx *wait, TfrmWorking *working);

  // A page under a node of the navigation tree ("SID" / "Random"); a new
  // top node when child is empty.
  void AddPage(const QString &node, const QString &child, QWidget *page);

  // Loads a .syx file into the send tab of the page of its kind (SID or FM,
  // by its first bytes) and shows that page: a file dropped on the window or
  // named when the program starts.
  void OpenFile(const QString &path);

  TMidiLink &Link() override { return *m_link; }
  TTransferHost &Host() override;
  TPatchBank &SidGetBank() override { return m_sidGetBank; }
  TPatchBank &SidFileBank() override { return m_sidFileBank; }
  TFMPatchBank &FmGetVoiceBank() override { return m_fmGetVoiceBank; }
  TFMPatchBank &FmGetDrumBank() override { return m_fmGetDrumBank; }
  TFMPatchBank &FmGetEnsembleBank() override { return m_fmGetEnsembleBank; }
  TFMPatchBank &FmSendVoiceBank() override { return m_fmSendVoiceBank; }
  TFMPatchBank &FmSendDrumBank() override { return m_fmSendDrumBank; }
  TFMPatchBank &FmSendEnsembleBank() override { return m_fmSendEnsembleBank; }
  int SidDelay() const override;
  uint8_t SidDeviceId() const override;
  int FmDelay() const override;
  uint8_t FmDeviceId() const override;
  TAuditionSettings Audition() const override;
  void SetAudition(const TAuditionSettings &settings) override;
  QString OpenSysExFile() override;
  QString SaveSysExFile() override;
  QString SaveSysExFileNamed(const QString &name) override;
  void ReportDone(const QString &text) override;
  void SetCanClose(bool canClose) override;
  QWidget *MainWindow() override { return this; }
  TLibrary *Library() override { return m_library.get(); }
  QString LibraryProblem() const override { return m_libraryProblem; }
  bool KeepInLibrary() const override;
  bool BackupBeforeSend() const override;
  bool VerifyAfterSend() const override;
  void LibraryChanged() override;

  bool CanClose() const { return m_canClose; }
  int InputDeviceIndex() const;
  int OutputDeviceIndex() const;
  TEventLog &Log() { return m_log; }
  TReception &Reception() { return m_reception; }
  TReceptionBridge &Bridge() { return *m_bridge; }
  TWindowHost *WindowHost() { return m_host.get(); }
  TfrmLog *LogWindow() { return m_logWindow; }
  TMidiInput &Input() { return *m_input; }
  TMidiOutput &Output() { return *m_output; }
  const QString &SettingsPath() const { return m_settingsPath; }
  // The library's own window, made at start and shown on demand.
  TfrmLibrary &LibraryWindow() { return *m_libraryWindow; }

public slots:
  void cbxInputDevicesChange();
  void cbxOutputDevicesChange();
  void cbLogClick();
  void CaptionButtonClick();
  // The page tree's "Library" and Ctrl+L: opens the library window or
  // brings it to the front.
  void ShowLibrary();

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void BuildWindow(MidiApi runningApi);
  void OpenLibrary(const QString &path);
  // What the page tree shows under "Library": the way to its window.
  QWidget *LibraryPlaceholder();
  static bool IsValidIndex(const TMidiDevices &devices, int index);
  // The port's name, empty for an index outside the list.
  static QString DeviceName(const TMidiDevices &devices, int index);
  void FillDeviceList(QComboBox *combo, const TMidiDevices &devices, int &index);
  void OpenDevice(TMidiDevices &devices, QComboBox *combo, int &index, int selected);
  void ChangeDevice(TMidiDevices &devices, QComboBox *combo, int &index);
  void FormShow();
  bool FormCloseQuery() const { return m_canClose; }
  void FormClose();
  void LogFormHide();
  void PlaceLogWindow(bool resize);
  void ShowLogWindow(bool show);
  void CloseDevices();
  // suggested: a file name filled in, and a new file made without asking.
  QString ChooseFile(bool save, const QString &suggested = QString());

  bool m_canClose = true;
  TEventLog m_log; // holds LogLock
  TReception m_reception{m_log};
  TPatchBank m_sidGetBank;
  TPatchBank m_sidFileBank;
  TFMPatchBank m_fmGetVoiceBank;
  TFMPatchBank m_fmGetDrumBank;
  TFMPatchBank m_fmGetEnsembleBank;
  TFMPatchBank m_fmSendVoiceBank;
  TFMPatchBank m_fmSendDrumBank;
  TFMPatchBank m_fmSendEnsembleBank;

  QString m_settingsPath;
  TSettings m_settings; // as read at start
  bool m_showLog = true;
  // OpenDialog and SaveDialog: the folders to start in, and the folders of
  // the files chosen in this run (empty while a dialog was not used).
  QString m_readDir;
  QString m_saveDir;
  QString m_chosenReadDir;
  QString m_chosenSaveDir;
  // With --simulator: the saved indexes to write back while the user keeps
  // the simulator.
  std::optional<int> m_keptInput;
  std::optional<int> m_keptOutput;

  // Opened once at start; a library that cannot be opened leaves the rest
  // of the program as it was, and the Library page says why.
  std::unique_ptr<TLibrary> m_library;
  QString m_libraryProblem;

  TMidiInput *m_input = nullptr;
  TMidiOutput *m_output = nullptr;
  std::unique_ptr<TMidiLink> m_link;
  TSynthClaim *m_claim = nullptr;
  std::unique_ptr<TReceptionBridge> m_bridge;
  std::unique_ptr<TWindowHost> m_host;
  bool m_devicesClosed = false;
  bool m_shown = false;

  QWidget *m_body = nullptr;
  QStatusBar *m_status = nullptr;
  TConfigPage *m_config = nullptr;
  TSidPage *m_sidPage = nullptr;
  TLibraryPage *m_libraryPage = nullptr;
  TfrmLibrary *m_libraryWindow = nullptr;
  QTreeWidgetItem *m_libraryNode = nullptr;
  TFmPage *m_fmPage = nullptr;
  QTreeWidget *tvNavigation = nullptr;
  QStackedWidget *m_pages = nullptr;
  QHash<QTreeWidgetItem *, QWidget *> m_nodePages;
  QToolButton *CaptionButton = nullptr;
  TfrmLog *m_logWindow = nullptr;
};

} // namespace zpm
