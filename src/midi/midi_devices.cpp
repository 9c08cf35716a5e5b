// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midi_devices.h"

#include "midi/chunker.h"
#include "patch/error.h"

#include <cerrno>
#include <cstdio>

namespace zpm {

namespace {

std::string IndexMessage(const char *className, const char *what, int index) {
  char text[128];
  std::snprintf(text, sizeof text, "%s: %s (%d)", className, what, index);
  return text;
}

} // namespace

TMidiDevices::TMidiDevices(const char *className, std::shared_ptr<TMidiSystem> system,
                           std::vector<std::string> names)
    : m_className(className), m_system(std::move(system)), m_names(std::move(names)),
      m_handles(m_names.size()) {}

TMidiDevices::~TMidiDevices() = default;

size_t TMidiDevices::CheckedIndex(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_names.size())
    throw ZpmError(IndexMessage(m_className, "Device index out of bounds!", index));
  return static_cast<size_t>(index);
}

const TMidiHandle *TMidiDevices::GetHandle(int index) const {
  return m_handles[CheckedIndex(index)].get();
}

void TMidiDevices::CheckResult(const TMidiResult &result) {
  m_lastResult = result.code;
  if (result.code == 0)
    return;
  // A failure without a text is still a failure.
  throw ZpmError(result.text.empty() ? "MIDI error " + std::to_string(result.code) : result.text);
}

TMidiInput::TMidiInput(std::shared_ptr<TMidiSystem> system)
    : TMidiDevices("TMidiInput", system, system->InputNames()), m_chunkers(m_names.size()) {}

TMidiInput::~TMidiInput() {
  // The services outlive this object: they must stop feeding its chunkers.
  // A service that has gone cannot be closed properly, and a destructor
  // has no one to tell.
  for (size_t index = 0; index < m_handles.size(); ++index)
    if (m_handles[index]) {
      try {
        m_handles[index]->service->CloseInput(m_handles[index]->port);
      } catch (...) {
      }
    }
}

void TMidiInput::Open(int index) {
  const size_t device = CheckedIndex(index);
  if (m_handles[device])
    return;
  if (!m_chunkers[device]) {
    m_chunkers[device] = std::make_unique<TSysExChunker>(
        [this, index](const uint8_t *bytes, size_t count) {
          if (OnSysExData)
            OnSysExData(index, bytes, count);
        },
        [this, index](uint8_t status, uint8_t data1, uint8_t data2) {
          if (OnMidiData)
            OnMidiData(index, status, data1, data2);
        },
        [this, index](TInputProblem problem, const std::string &reason) {
          if (OnInputProblem)
            OnInputProblem(index, problem, reason);
        });
    m_chunkers[device]->SetActivityHandler([this, index](bool inSysEx, size_t messageBytes) {
      if (OnActivity)
        OnActivity(index, inSysEx, messageBytes);
    });
  }
  const TMidiSystem::TPortRef port = Port(device);
  CheckResult(port.service->OpenInput(port.port, *m_chunkers[device]));
  m_handles[device] = std::make_unique<TMidiHandle>(TMidiHandle{port.service, port.port});
}

void TMidiInput::Close(int index) {
  const size_t device = CheckedIndex(index);
  if (!m_handles[device])
    return;
  const TMidiResult result = m_handles[device]->service->CloseInput(m_handles[device]->port);
  m_handles[device].reset();
  // The service no longer feeds it: a half message is dropped here.
  m_chunkers[device]->Reset();
  CheckResult(result);
}

TMidiOutput::TMidiOutput(std::shared_ptr<TMidiSystem> system)
    : TMidiDevices("TMidiOutput", system, system->OutputNames()) {}

TMidiOutput::~TMidiOutput() {
  for (size_t index = 0; index < m_handles.size(); ++index)
    if (m_handles[index]) {
      try {
        m_handles[index]->service->CloseOutput(m_handles[index]->port);
      } catch (...) {
      }
    }
}

void TMidiOutput::Open(int index) {
  const size_t device = CheckedIndex(index);
  if (m_handles[device])
    return;
  const TMidiSystem::TPortRef port = Port(device);
  CheckResult(port.service->OpenOutput(port.port));
  m_handles[device] = std::make_unique<TMidiHandle>(TMidiHandle{port.service, port.port});
}

void TMidiOutput::Close(int index) {
  const size_t device = CheckedIndex(index);
  if (!m_handles[device])
    return;
  const TMidiResult result = m_handles[device]->service->CloseOutput(m_handles[device]->port);
  m_handles[device].reset();
  CheckResult(result);
}

void TMidiOutput::SendSysEx(int index, TMemoryStream &stream) {
  const size_t device = CheckedIndex(index);
  stream.SetPosition(0);
  const TMidiHandle *handle = m_handles[device].get();
  if (!handle) {
    m_lastResult = EBADF;
    throw ZpmError(IndexMessage(m_className, "Device not open!", index));
  }
  if (stream.Size() == 0)
    return;
  CheckResult(handle->service->Send(handle->port, stream.Data().data(), stream.Size()));
}

void TMidiOutput::SendShort(int index, uint8_t status, uint8_t data1, uint8_t data2) {
  const uint8_t kind = status & 0xF0;
  const bool twoBytes = kind == 0xC0 || kind == 0xD0;
  TMemoryStream message(twoBytes ? Bytes{status, data1} : Bytes{status, data1, data2});
  SendSysEx(index, message);
}

bool TMidiOutput::Drain(int index) {
  const size_t device = CheckedIndex(index);
  const TMidiHandle *handle = m_handles[device].get();
  if (!handle)
    return true;
  const TMidiResult result = handle->service->Drain(handle->port);
  if (result.code == kMidiMayNotHaveArrived)
    return false;
  CheckResult(result);
  return true;
}

std::string TMidiOutput::Problem(int index) const {
  const size_t device = CheckedIndex(index);
  const TMidiHandle *handle = m_handles[device].get();
  return handle ? handle->service->OutputProblem(handle->port) : std::string();
}

TMidiInput &MidiInput() {
  static TMidiInput instance(DefaultMidiSystem());
  return instance;
}

TMidiOutput &MidiOutput() {
  static TMidiOutput instance(DefaultMidiSystem());
  return instance;
}

} // namespace zpm
