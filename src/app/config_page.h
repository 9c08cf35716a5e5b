// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "&Config" page: MIDI devices and service, the log option, and the SID
// and FM transfer settings. Its handlers belong to the main window.

#include "midi/midi_system.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace zpm {

class TConfigPage : public QWidget {
  Q_OBJECT
public:
  // runningApi: the service this run came up with, for the note under the
  // service choice.
  TConfigPage(MidiApi runningApi, QWidget *parent = nullptr);

  MidiApi ChosenApi() const;
  void SetChosenApi(MidiApi api);

  QComboBox *cbxInputDevices;
  QComboBox *cbxOutputDevices;
  QComboBox *cbxMidiApi;
  QLabel *lbMidiApiNote;
  QCheckBox *cbLog;
  QSpinBox *seDelay;
  QSpinBox *seSIDDeviceID;
  QSpinBox *seFMDelay;
  QSpinBox *seFMDeviceID;
  QCheckBox *cbKeepInLibrary;
  // The library file's path, or why it could not be opened.
  QLabel *lbLibraryPath;
};

} // namespace zpm
