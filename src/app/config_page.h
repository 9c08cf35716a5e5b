// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "&Config" page: MIDI devices and service, the log option, and the SID
// and FM transfer settings. Its handlers belong to the main window.

#include "edit/audition_settings.h"
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

  // The "A&udition" tab: each synthesizer's audition slot and what follows
  // each write.
  TAuditionSettings Audition() const;
  void SetAudition(const TAuditionSettings &settings);

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

  // One synthesizer's group on the "A&udition" tab; the names begin with
  // Sid or Fm (cbSidAuditionBank, seFmAuditionSlot, ...).
  struct TAuditionControls {
    QComboBox *bank;    // "(none)", "Bank A" .. "Bank H"
    QSpinBox *slot;     // 0 shows "(none)", else 1..128
    QCheckBox *notes;   // Program Change and test note after each write
    QSpinBox *channel;  // 1..16
    QSpinBox *note;     // 0..127
    QSpinBox *velocity; // 1..127
    QSpinBox *length;   // ms
  };
  TAuditionControls sidAudition;
  TAuditionControls fmAudition;

private:
  QWidget *AuditionTab();
};

} // namespace zpm
