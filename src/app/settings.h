// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: an INI file read once at start and written once at
// close, its keys in a fixed order, booleans stored as 1 or 0.

#include "edit/audition_settings.h"
#include "midi/midi_system.h"

#include <QByteArray>
#include <QString>

namespace zpm {

struct TSettings {
  int InputDevice = -1;  // Midi/Input
  int OutputDevice = -1; // Midi/Output
  int SidDelay = 750;    // SID/Delay
  int FmDelay = 1500;    // FM/Delay
  bool ShowLog = true;   // Main/ShowLog
  QString SavedReadSysExDir;
  QString SavedSaveSysExDir;
  // Main/MidiApi: the service of the next start (auto, alsa or jack).
  MidiApi Api = MidiApi::Auto;
  // Main/BackupBeforeSend, Main/VerifyAfterSend: the send tab's check boxes.
  bool BackupBeforeSend = false;
  bool VerifyAfterSend = false;
  // The program's own section, [ZavorinPatchManager]: the names of the
  // chosen ports (found again wherever they stand in the next run's
  // lists) and the log's "&Decode" switch.
  QString InputDeviceName;
  QString OutputDeviceName;
  bool LogDecode = false;
  // The Config page's "Keep fetched and loaded patches in the library".
  bool KeepInLibrary = true;
  // The library window: its place and size, the split between the patch
  // list and the user bank, the list's column widths (Qt's own states), and
  // the send dialog's two ticks.
  QByteArray LibraryGeometry;
  QByteArray LibrarySplitter;
  QByteArray LibraryColumns;
  bool LibraryBackup = true;
  bool LibraryVerify = true;
  // The editor's audition slot of each synthesizer ("C:10", empty while
  // none is chosen) and what follows each write: AuditionSid* and AuditionFm*.
  TAuditionSettings Audition;
};

// A missing file or key gives the default; a value that is not a number
// counts as missing.
TSettings ReadSettings(const QString &path);

// Writes the keys in their fixed order and keeps any other key the file
// holds; the old file stays whole when writing fails. Empty when written,
// else the system's reason.
QString WriteSettings(const QString &path, const TSettings &settings);

// $ZPM_SETTINGS_FILE when set; else the executable's name with ".ini",
// beside the executable when that folder is writable, otherwise in the
// user's configuration folder.
QString SettingsFilePath();

} // namespace zpm
