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

#include <string>
#include <utility>

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

TConfigPage::TAuditionControls AuditionControls(const QString &synth, QWidget *parent) {
  const auto spin = [&](const char *what, int minimum, int maximum, int step, int value) {
    auto *box = new QSpinBox(parent);
    box->setObjectName("se" + synth + "Audition" + what);
    box->setRange(minimum, maximum);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
  };
  const TAuditionNotes defaults;
  TConfigPage::TAuditionControls c{};
  c.bank = new QComboBox(parent);
  c.bank->setObjectName("cbx" + synth + "AuditionBank");
  c.bank->addItem("(none)");
  for (char letter = 'A'; letter <= 'H'; ++letter)
    c.bank->addItem(QString("Bank %1").arg(letter));
  c.slot = spin("Slot", 0, 128, 1, 0);
  c.slot->setSpecialValueText("(none)");
  // Each group its own letters, so Alt reaches both.
  c.notes = new QCheckBox(synth == "Sid" ? "Program Change and test &note after each write"
                                         : "Program Change and test no&te after each write",
                          parent);
  c.notes->setObjectName("cb" + synth + "AuditionNotes");
  c.channel = spin("Channel", 1, 16, 1, defaults.channel);
  c.note = spin("Note", 0, 127, 1, defaults.note);
  c.velocity = spin("Velocity", 1, 127, 1, defaults.velocity);
  c.length = spin("Length", 10, 5000, 10, defaults.lengthMs);
  c.length->setSuffix(" ms");
  for (QSpinBox *box : {c.channel, c.note, c.velocity, c.length}) {
    box->setEnabled(false);
    QObject::connect(c.notes, &QCheckBox::toggled, box, &QWidget::setEnabled);
  }
  return c;
}

QGroupBox *AuditionGroup(const char *title, const TConfigPage::TAuditionControls &c) {
  auto *group = new QGroupBox(title);
  auto *form = new QFormLayout(group);
  auto *slotRow = new QHBoxLayout;
  slotRow->addWidget(c.bank);
  slotRow->addWidget(c.slot);
  auto *slotLabel = new QLabel(std::string(title) == "SID" ? "Audition &slot:" : "Audition s&lot:");
  slotLabel->setBuddy(c.bank);
  form->addRow(slotLabel, slotRow);
  form->addRow(QString(), c.notes);
  auto *noteRow = new QHBoxLayout;
  for (auto [label, box] : {std::pair{"Channel", c.channel}, std::pair{"Note", c.note},
                            std::pair{"Velocity", c.velocity}, std::pair{"Length", c.length}}) {
    auto *text = new QLabel(label);
    text->setBuddy(box);
    noteRow->addWidget(text);
    noteRow->addWidget(box);
  }
  noteRow->addStretch();
  form->addRow(QString(), noteRow);
  return group;
}

TAuditionSlotSetting AuditionOf(const TConfigPage::TAuditionControls &c) {
  TAuditionSlotSetting a;
  // Chosen only when both are.
  if (c.bank->currentIndex() > 0 && c.slot->value() > 0) {
    a.bank = c.bank->currentIndex() - 1;
    a.slot = c.slot->value() - 1;
  }
  a.notes.afterWrite = c.notes->isChecked();
  a.notes.channel = c.channel->value();
  a.notes.note = c.note->value();
  a.notes.velocity = c.velocity->value();
  a.notes.lengthMs = c.length->value();
  return a;
}

void ShowAudition(const TConfigPage::TAuditionControls &c, const TAuditionSlotSetting &given) {
  const TAuditionSlotSetting a = ClampedAuditionSetting(given);
  c.bank->setCurrentIndex(a.bank + 1);
  c.slot->setValue(a.slot + 1);
  c.notes->setChecked(a.notes.afterWrite);
  c.channel->setValue(a.notes.channel);
  c.note->setValue(a.notes.note);
  c.velocity->setValue(a.notes.velocity);
  c.length->setValue(a.notes.lengthMs);
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
      lbLibraryPath(new QLabel(this)), sidAudition(AuditionControls("Sid", this)),
      fmAudition(AuditionControls("Fm", this)) {
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
  tabs->addTab(AuditionTab(), "A&udition");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabs);
}

QWidget *TConfigPage::AuditionTab() {
  auto *tab = new QWidget;
  auto *column = new QVBoxLayout(tab);
  auto *note = new QLabel("The editor plays a patch by writing it into the audition slot as it "
                          "changes. The slot's own patch is kept in the library first and put "
                          "back when the editor closes. Turn on the Program Change and test note "
                          "for a synthesizer that does not sound a rewritten patch by itself.");
  note->setWordWrap(true);
  column->addWidget(note);
  column->addWidget(AuditionGroup("SID", sidAudition));
  column->addWidget(AuditionGroup("FM", fmAudition));
  column->addStretch();
  return tab;
}

TAuditionSettings TConfigPage::Audition() const {
  TAuditionSettings settings;
  settings.sid = AuditionOf(sidAudition);
  settings.fm = AuditionOf(fmAudition);
  return settings;
}

void TConfigPage::SetAudition(const TAuditionSettings &settings) {
  ShowAudition(sidAudition, settings.sid);
  ShowAudition(fmAudition, settings.fm);
}

MidiApi TConfigPage::ChosenApi() const {
  return static_cast<MidiApi>(cbxMidiApi->currentData().toInt());
}

void TConfigPage::SetChosenApi(MidiApi api) {
  const int index = cbxMidiApi->findData(static_cast<int>(api));
  cbxMidiApi->setCurrentIndex(index < 0 ? 0 : index);
}

} // namespace zpm
