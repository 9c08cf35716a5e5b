// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window offers the pages it holds: the MIDI link and the
// window's transfer host, the patch banks it owns, the Config page's values,
// the shared SysEx file dialogs and the busy flag. Pages keep their handlers
// and talk to the main window only through this.

#include "edit/audition_settings.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

#include <QString>

class QWidget;

namespace zpm {

class TLibrary;

class TMainContext {
public:
  virtual ~TMainContext() = default;

  virtual TMidiLink &Link() = 0;
  virtual TTransferHost &Host() = 0;

  virtual TPatchBank &SidGetBank() = 0;
  virtual TPatchBank &SidFileBank() = 0;
  virtual TFMPatchBank &FmGetVoiceBank() = 0;
  virtual TFMPatchBank &FmGetDrumBank() = 0;
  virtual TFMPatchBank &FmGetEnsembleBank() = 0;
  virtual TFMPatchBank &FmSendVoiceBank() = 0;
  virtual TFMPatchBank &FmSendDrumBank() = 0;
  virtual TFMPatchBank &FmSendEnsembleBank() = 0;

  // The Config page's controls, read when an operation starts.
  virtual int SidDelay() const = 0;        // seDelay
  virtual uint8_t SidDeviceId() const = 0; // seSIDDeviceID
  virtual int FmDelay() const = 0;         // seFMDelay
  virtual uint8_t FmDeviceId() const = 0;  // seFMDeviceID
  // The "A&udition" tab: the editor reads it when an audition starts, and
  // sets the slot the musician chose at the first audition.
  virtual TAuditionSettings Audition() const = 0;
  virtual void SetAudition(const TAuditionSettings &settings) = 0;

  // OpenDialog and SaveDialog: a full path, or empty when the user cancelled.
  // Each remembers its folder for the next use and for the settings file.
  virtual QString OpenSysExFile() = 0;
  virtual QString SaveSysExFile() = 0;
  // The save dialog with a file name already filled in, creating the file
  // without asking: a user bank saved under its own name.
  virtual QString SaveSysExFileNamed(const QString &name) = 0;

  // A file written or read: told in the log, where the run's story is, and
  // in the window's status line, where the user looks after a save.
  virtual void ReportDone(const QString &text) = 0;

  // False while a send runs: the window then refuses to close.
  virtual void SetCanClose(bool canClose) = 0;
  virtual QWidget *MainWindow() = 0;

  // The send tabs' "Back up destination banks first" and "Verify after
  // sending", for sends made from elsewhere.
  virtual bool BackupBeforeSend() const = 0;
  virtual bool VerifyAfterSend() const = 0;

  // The patch library opened at start; null when it could not be opened
  // (LibraryProblem says why).
  virtual TLibrary *Library() = 0;
  virtual QString LibraryProblem() const = 0;
  // The Config page's "Keep fetched and loaded patches in the library".
  virtual bool KeepInLibrary() const = 0;
  // Patches went into the library: what shows it reads it again.
  virtual void LibraryChanged() = 0;
};

} // namespace zpm
