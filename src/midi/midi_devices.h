// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's MIDI devices: one input object and one output object, each
// listing its devices by name (index = position in the list), opening and
// closing them by index, receiving on the driver side and sending whole SysEx
// messages.

#include "midi/chunker.h"
#include "midi/midi_service.h"
#include "midi/midi_system.h"
#include "patch/stream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zpm {

// What an open device's handle holds: the service and its port.
struct TMidiHandle {
  TMidiService *service;
  size_t port;
};

class TMidiDevices {
public:
  virtual ~TMidiDevices();
  TMidiDevices(const TMidiDevices &) = delete;
  TMidiDevices &operator=(const TMidiDevices &) = delete;

  const std::vector<std::string> &DeviceNames() const { return m_names; }

  // Opening an open device and closing a closed one do nothing.
  virtual void Open(int index) = 0;
  virtual void Close(int index) = 0;

  // nullptr while the device is closed. Raises "%s: Device index out of
  // bounds! (%d)" for an index outside the list.
  const TMidiHandle *GetHandle(int index) const;

  // The code of the last service call (0 = success).
  uint32_t LastResult() const { return m_lastResult; }
  // Keeps the code and raises the service's text for a failure.
  void CheckResult(const TMidiResult &result);

  TMidiSystem &System() { return *m_system; }

protected:
  TMidiDevices(const char *className, std::shared_ptr<TMidiSystem> system,
               std::vector<std::string> names);
  size_t CheckedIndex(int index) const;
  virtual TMidiSystem::TPortRef Port(size_t index) const = 0;

  const char *m_className;
  std::shared_ptr<TMidiSystem> m_system;
  std::vector<std::string> m_names;
  std::vector<std::unique_ptr<TMidiHandle>> m_handles;
  uint32_t m_lastResult = 0;
};

class TMidiInput : public TMidiDevices {
public:
  using MidiDataHandler =
      std::function<void(int device, uint8_t status, uint8_t data1, uint8_t data2)>;
  using SysExDataHandler = std::function<void(int device, const uint8_t *bytes, size_t count)>;
  using InputProblemHandler =
      std::function<void(int device, TInputProblem problem, const std::string &reason)>;

  explicit TMidiInput(std::shared_ptr<TMidiSystem> system);
  ~TMidiInput() override;

  // Every byte of an open device goes through one chunker: SysEx reaches
  // OnSysExData in chunks of 1..2048 bytes (cut at 2048 and at F7), other
  // messages reach OnMidiData unfiltered. Both run on the driver side; set
  // them before opening a device. OnInputProblem hears of lost bytes and of
  // a service or port that went away, on the driver side too.
  MidiDataHandler OnMidiData;
  SysExDataHandler OnSysExData;
  InputProblemHandler OnInputProblem;
  // After every fragment of bytes, on the driver side: whether a SysEx of
  // the device is under way (see TSysExChunker::ActivityHandler).
  std::function<void(int device, bool inSysEx, size_t messageBytes)> OnActivity;

  void Open(int index) override;
  // A message in progress is dropped, never handed on short.
  void Close(int index) override;

private:
  TMidiSystem::TPortRef Port(size_t index) const override { return m_system->Input(index); }

  std::vector<std::unique_ptr<TSysExChunker>> m_chunkers; // per device, made on first open
};

class TMidiOutput : public TMidiDevices {
public:
  explicit TMidiOutput(std::shared_ptr<TMidiSystem> system);
  ~TMidiOutput() override;

  void Open(int index) override;
  // Whatever was sent before still goes out.
  void Close(int index) override;

  // Sends the stream's whole contents as one message, from position 0 (the
  // position is left at 0, the contents unchanged). Raises the service's
  // text when sending fails, and "TMidiOutput: Device not open! (%d)" for
  // a closed device.
  void SendSysEx(int index, TMemoryStream &stream);
  // One channel message (Program Change, Note On, a controller...): two
  // bytes for Program Change and Channel Pressure, three for the others.
  // Raises as SendSysEx does.
  void SendShort(int index, uint8_t status, uint8_t data1, uint8_t data2);
  // Returns once everything sent to the device has left the program;
  // raises the service's text when it cannot. False when it left but the
  // service fell behind meanwhile, so it may not have arrived. A closed
  // device has nothing to drain.
  bool Drain(int index);
  // Why the open device can no longer reach its port; empty while it can,
  // or while it is closed.
  std::string Problem(int index) const;

private:
  TMidiSystem::TPortRef Port(size_t index) const override { return m_system->Output(index); }
};

// The program's single input and output objects, created on first use over
// DefaultMidiSystem().
TMidiInput &MidiInput();
TMidiOutput &MidiOutput();

} // namespace zpm
