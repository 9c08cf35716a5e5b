// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's MIDI ports: the Config page's lists, opening and
// changing a port, and letting both go at the end.
#include "app/main_window.h"

#include "app/config_page.h"
#include "app/reception_bridge.h"

#include <QComboBox>
#include <QMessageBox>
#include <QSignalBlocker>

namespace zpm {

namespace {

void SelectNone(QComboBox *combo) {
  const QSignalBlocker blocker(combo);
  combo->setCurrentIndex(combo->count() - 1);
}

} // namespace

bool TfrmMain::IsValidIndex(const TMidiDevices &devices, int index) {
  return index >= 0 && static_cast<size_t>(index) < devices.DeviceNames().size();
}

QString TfrmMain::DeviceName(const TMidiDevices &devices, int index) {
  return IsValidIndex(devices, index)
             ? QString::fromStdString(devices.DeviceNames()[static_cast<size_t>(index)])
             : QString();
}

// The names, then "None"; an index outside the list means "None".
void TfrmMain::FillDeviceList(QComboBox *combo, const TMidiDevices &devices, int &index) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  for (const std::string &name : devices.DeviceNames())
    combo->addItem(QString::fromStdString(name));
  combo->addItem("None");
  if (!IsValidIndex(devices, index))
    index = -1;
  combo->setCurrentIndex(index == -1 ? combo->count() - 1 : index);
}

// A device that does not open leaves "None", without a message: the user
// may pick it again.
void TfrmMain::OpenDevice(TMidiDevices &devices, QComboBox *combo, int &index, int selected) {
  try {
    devices.Open(selected);
  } catch (const std::exception &) {
    index = -1;
    SelectNone(combo);
    return;
  }
  if (devices.LastResult() == 0) {
    index = selected;
    if (&devices == m_input)
      m_reception.InputOpened();
  } else {
    index = -1;
    SelectNone(combo);
  }
}

void TfrmMain::ChangeDevice(TMidiDevices &devices, QComboBox *combo, int &index) {
  if (index != -1) {
    const int old = index;
    index = -1;
    try {
      devices.Close(old);
    } catch (const std::exception &error) {
      // The device is let go all the same; the user learns why it complained.
      QMessageBox::critical(this, windowTitle(), QString::fromStdString(error.what()));
    }
  }
  const int selected = combo->currentIndex();
  if (selected < 0 || selected == combo->count() - 1) {
    SelectNone(combo);
    return;
  }
  OpenDevice(devices, combo, index, selected);
}

void TfrmMain::cbxInputDevicesChange() {
  m_keptInput.reset();
  ChangeDevice(*m_input, m_config->cbxInputDevices, m_link->InputDeviceIndex);
}

void TfrmMain::cbxOutputDevicesChange() {
  m_keptOutput.reset();
  ChangeDevice(*m_output, m_config->cbxOutputDevices, m_link->OutputDeviceIndex);
}

void TfrmMain::CloseDevices() {
  if (m_devicesClosed)
    return;
  m_devicesClosed = true;
  try {
    if (m_link->InputDeviceIndex != -1)
      m_input->Close(m_link->InputDeviceIndex);
  } catch (const std::exception &) {
  }
  try {
    if (m_link->OutputDeviceIndex != -1)
      m_output->Close(m_link->OutputDeviceIndex);
  } catch (const std::exception &) {
  }
}

} // namespace zpm
