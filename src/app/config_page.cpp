// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/config_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zpm {

namespace {

QSpinBox *SpinEdit(const char *name, int maximum, int step, int value, QWidget *parent) {
  auto *spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(0, maximum);
  spin->setSingleStep(step);
  spin->setValue(value);
  return spin;
}

QComboBox *DropDown(const char *name, QWidget *parent) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(false);
  combo->setMinimumContentsLength(28);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return combo;
}

void AddRow(QFormLayout *form, const char *label, QWidget *field) {
  auto *text = new QLabel(label);
  text->setBuddy(field);
  form->addRow(text, field);
}

const char *RunningText(MidiApi api) {
  switch (api) {
  case MidiApi::Alsa:
    return "ALSA";
  case MidiApi::Jack:
    return "JACK";
  default:
    return "no MIDI service, only the built-in simulator";
  }
}

} // namespace

TConfigPage::TConfigPage(MidiApi runningApi, QWidget *parent)
    : QWidget(parent), cbxInputDevices(DropDown("cbxInputDevices", this)),
      cbxOutputDevices(DropDown("cbxOutputDevices", this)),
      cbxMidiApi(DropDown("cbxMidiApi", this)), lbMidiApiNote(new QLabel(this)),
      cbLog(new QCheckBox("Show &Log Window", this)),
      seDelay(SpinEdit("seDelay", 5000, 10, 750, this)),
      seSIDDeviceID(SpinEdit("seSIDDeviceID", 127, 1, 0, this)),
      seFMDelay(SpinEdit("seFMDelay", 5000, 10, 1500, this)),
      seFMDeviceID(SpinEdit("seFMDeviceID", 127, 1, 0, this)),
      cbKeepInLibrary(new QCheckBox("&Keep fetched and loaded patches in the library", this)),
      lbLibraryPath(new QLabel(this)) {
  setObjectName("ConfigPage");
  cbLog->setObjectName("cbLog");
  cbLog->setChecked(true);

  cbxMidiApi->setMinimumContentsLength(12);
  cbxMidiApi->addItem("Automatic", static_cast<int>(MidiApi::Auto));
  cbxMidiApi->addItem("ALSA", static_cast<int>(MidiApi::Alsa));
  cbxMidiApi->addItem("JACK", static_cast<int>(MidiApi::Jack));
  lbMidiApiNote->setObjectName("lbMidiApiNote");
  lbMidiApiNote->setWordWrap(true);
  // The device lists of a run are read once, when the service comes up.
  lbMidiApiNote->setText(QString("A new choice takes effect at the next start; this run uses %1.")
                             .arg(RunningText(runningApi)));

  auto *devices = new QGroupBox("Midi Devices");
  auto *devicesForm = new QFormLayout(devices);
  AddRow(devicesForm, "&Input:", cbxInputDevices);
  AddRow(devicesForm, "&Output:", cbxOutputDevices);
  AddRow(devicesForm, "MIDI &service:", cbxMidiApi);
  devicesForm->addRow(QString(), lbMidiApiNote);

  cbKeepInLibrary->setObjectName("cbKeepInLibrary");
  cbKeepInLibrary->setChecked(true);
  lbLibraryPath->setObjectName("lbLibraryPath");
  lbLibraryPath->setAccessibleName("The library file");
  lbLibraryPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *options = new QGroupBox("Options");
  auto *optionsLayout = new QVBoxLayout(options);
  optionsLayout->addWidget(cbLog);
  auto *libraryRow = new QHBoxLayout;
  libraryRow->addWidget(cbKeepInLibrary);
  libraryRow->addWidget(lbLibraryPath, 1);
  optionsLayout->addLayout(libraryRow);

  auto *sid = new QGroupBox("SID");
  auto *sidForm = new QFormLayout(sid);
  AddRow(sidForm, "&Delay after SysEx block (ms):", seDelay);
  AddRow(sidForm, "Device ID:", seSIDDeviceID);

  auto *fm = new QGroupBox("FM");
  auto *fmForm = new QFormLayout(fm);
  AddRow(fmForm, "&Acknowledge Timeout (ms):", seFMDelay);
  AddRow(fmForm, "Device ID:", seFMDeviceID);

  cbKeepInLibrary->setObjectName("cbKeepInLibrary");
  cbKeepInLibrary->setChecked(true);
  lbLibraryPath->setObjectName("lbLibraryPath");
  lbLibraryPath->setAccessibleName("The library file");
  lbLibraryPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *tab = new QWidget;
  auto *column = new QVBoxLayout(tab);
  column->addWidget(devices);
  column->addWidget(options);
  column->addWidget(sid);
  column->addWidget(fm);
  column->addStretch();

  auto *tabs = new QTabWidget(this);
  tabs->addTab(tab, "&Config");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs);
}

MidiApi TConfigPage::ChosenApi() const {
  return static_cast<MidiApi>(cbxMidiApi->currentData().toInt());
}

void TConfigPage::SetChosenApi(MidiApi api) {
  const int index = cbxMidiApi->findData(static_cast<int>(api));
  cbxMidiApi->setCurrentIndex(index < 0 ? 0 : index);
}

} // namespace zpm
