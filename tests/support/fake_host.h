// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A transfer host for tests over the built-in simulator, with a fake clock
// and scripted answers, and a rig that wires the simulator port to a
// reception, a log and a TMidiLink the way the main window does.
//
// The simulator answers as soon as it has the request; its answers reach the
// reception on the wire's own thread. Every wait of the fake host therefore
// first lets the simulator finish (WaitIdle), as if its time had been long
// enough for any answer. A wait of 0 ms is the exception: like the real
// delay it returns at once, so whatever the simulator still has on its way
// is not awaited; a test that relies on this holds the answers back with
// TSimRig::HoldReplies rather than racing the wire's thread.

#include "midi/event_log.h"
#include "midi/midi_devices.h"
#include "midi/midi_link.h"
#include "midi/reception.h"
#include "midi/transfer_host.h"
#include "support/sim_system.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace zpm {

enum class TFakeWait { SysEx, Delay, Bytes };

class TFakeHost : public TTransferHost {
public:
  TFakeHost(TReception &reception, TSimPort &simulator)
      : m_reception(reception), m_simulator(simulator) {}

  // --- the script ---
  // Ask's answers in order; defaultAnswer once they are used up.
  std::deque<bool> answers;
  bool defaultAnswer = false;
  // What the user does when the wait dialog is still up once the simulator
  // has said everything: kWaitCancelled ("&Cancel") or kWaitClosed (the
  // close box); taken in order, then defaultWaitAnswer.
  std::deque<int> waitAnswers;
  int defaultWaitAnswer = kWaitCancelled;
  // ProgressCancelled turns true once this many steps are done (-1: never).
  int cancelAfterSteps = -1;
  // Runs at the start of every wait with its kind and its number among the
  // waits of that kind (from 1): what the user or the device does meanwhile.
  std::function<void(TFakeWait kind, int number)> during;
  // Runs as each thing a fetch asked for has arrived whole.
  std::function<void(const TFetchItem &item)> itemDone;

  // --- what happened ---
  std::vector<std::string> questions;
  std::vector<std::string> notices;
  std::vector<int> delays; // milliseconds of each Delay
  int sysExWaits = 0;
  int byteWaits = 0;
  int64_t clockMs = 0;
  std::vector<bool> busy; // SetBusy calls in order
  int listClearings = 0;
  int progressCount = -1; // BeginProgress's count
  int progressSteps = 0;
  int progressEnds = 0;
  int quietWaits = 0; // WaitingForQuiet(true) calls

  bool Ask(const std::string &text) override {
    questions.push_back(text);
    return Take(answers, defaultAnswer);
  }

  void Inform(const std::string &text) override { notices.push_back(text); }

  int WaitForSysEx() override {
    Begin(TFakeWait::SysEx, ++sysExWaits);
    m_simulator.WaitIdle();
    if (m_reception.HasEnded())
      return kWaitClosed;
    return Take(waitAnswers, defaultWaitAnswer);
  }

  void Delay(int milliseconds) override {
    delays.push_back(milliseconds);
    Begin(TFakeWait::Delay, static_cast<int>(delays.size()));
    if (milliseconds > 0)
      m_simulator.WaitIdle();
    clockMs += milliseconds;
  }

  // The bytes come at once or not at all: the clock moves by the whole
  // timeout only when they are still missing.
  void WaitForBytes(size_t count, int timeoutMs) override {
    Begin(TFakeWait::Bytes, ++byteWaits);
    if (timeoutMs > 0)
      m_simulator.WaitIdle();
    if (m_reception.ReceivedSize() < count)
      clockMs += timeoutMs;
  }

  void BeginProgress(int count) override {
    progressCount = count;
    progressSteps = 0;
  }
  void StepProgress() override { ++progressSteps; }
  bool ProgressCancelled() override {
    return cancelAfterSteps >= 0 && progressSteps >= cancelAfterSteps;
  }
  void EndProgress() override { ++progressEnds; }

  void FetchItemDone(const TFetchItem &item) override {
    if (itemDone)
      itemDone(item);
  }

  void SetBusy(bool on) override { busy.push_back(on); }
  void WaitingForQuiet(bool waiting) override { quietWaits += waiting ? 1 : 0; }
  void ListClearing() override { ++listClearings; }

private:
  template <typename T> static T Take(std::deque<T> &script, T fallback) {
    if (script.empty())
      return fallback;
    const T value = script.front();
    script.pop_front();
    return value;
  }

  void Begin(TFakeWait kind, int number) {
    if (during)
      during(kind, number);
  }

  TReception &m_reception;
  TSimPort &m_simulator;
};

// The simulator alone as MIDI system, both of its devices open (index 0),
// the input feeding the reception, and a fake host over it all.
class TSimRig {
public:
  explicit TSimRig(const TSimOptions &options = TSimOptions{})
      : system(SimulatorSystem(options, m_simulator)), input(system),
        output(system), link{output, reception, log}, host(reception, *m_simulator) {
    input.OnSysExData = [this](int device, const uint8_t *bytes, size_t count) {
      {
        std::lock_guard<std::mutex> lock(m_heldLock);
        if (!m_holding && m_holdFrom && m_holdFrom(bytes, count))
          m_holding = true;
        if (m_holding) {
          m_held.emplace_back(bytes, bytes + count);
          return;
        }
      }
      reception.HandleSysExData(device, bytes, count);
    };
    input.OnMidiData = [this](int device, uint8_t status, uint8_t data1, uint8_t data2) {
      reception.HandleMidiData(device, status, data1, data2);
    };
    input.OnInputProblem = [this](int device, TInputProblem problem, const std::string &reason) {
      reception.HandleInputProblem(device, problem, reason);
    };
    input.OnActivity = [this](int device, bool inSysEx, size_t messageBytes) {
      // Answers held on the cable are not heard coming either.
      {
        std::lock_guard<std::mutex> lock(m_heldLock);
        if (m_holding)
          return;
      }
      reception.HandleActivity(device, inSysEx, messageBytes);
    };
    input.Open(0);
    output.Open(0);
    link.InputDeviceIndex = 0;
    link.OutputDeviceIndex = 0;
  }

  TSimPort &Simulator() { return *m_simulator; }
  // The simulated devices, once every answer is out.
  TSimSynth &Synth() {
    Simulator().WaitIdle();
    return Simulator().Synth();
  }

  // From here on the simulator's answers stay on the cable...
  void HoldReplies() {
    std::lock_guard<std::mutex> lock(m_heldLock);
    m_holding = true;
  }
  // The same from the first chunk the predicate picks (run on the wire's
  // thread, once per chunk until it says yes): an answer that comes late.
  void HoldFrom(std::function<bool(const uint8_t *bytes, size_t count)> predicate) {
    std::lock_guard<std::mutex> lock(m_heldLock);
    m_holdFrom = std::move(predicate);
  }
  // ...until they arrive now, late, on the caller's thread.
  void ReleaseReplies() {
    Simulator().WaitIdle();
    std::vector<Bytes> held;
    {
      std::lock_guard<std::mutex> lock(m_heldLock);
      m_holding = false;
      m_holdFrom = nullptr;
      held.swap(m_held);
    }
    for (const Bytes &chunk : held)
      reception.HandleSysExData(0, chunk.data(), chunk.size());
  }

  // The messages the log shows as sent, oldest first.
  std::vector<Bytes> Sent() { return Logged("OUT"); }
  // The SysEx chunks the log shows as received, oldest first.
  std::vector<Bytes> Received() { return Logged("IN "); }

  TEventLog log;
  TReception reception{log};

private:
  TSimPort *m_simulator = nullptr; // set with system, which owns it

public:
  std::shared_ptr<TMidiSystem> system;

private:
  // Ahead of the input, whose handler uses them until it is closed.
  std::mutex m_heldLock;
  bool m_holding = false;
  std::function<bool(const uint8_t *, size_t)> m_holdFrom;
  std::vector<Bytes> m_held;

public:
  TMidiInput input;
  TMidiOutput output;
  TMidiLink link;
  TFakeHost host;

private:
  // Lines read "[HH:NN:SS.ZZZ] OUT: <Bytes> n <SysEx> f0 00 ...".
  std::vector<Bytes> Logged(const std::string &direction) {
    Simulator().WaitIdle();
    std::vector<Bytes> messages;
    const std::string tag = "] " + direction + ": <Bytes> ";
    const std::string hex = " <SysEx> ";
    for (size_t i = 0; i < log.Count(); ++i) {
      const std::string line = log.LineFromOldest(i);
      const size_t at = line.find(tag);
      const size_t data = line.find(hex);
      if (at == std::string::npos || data == std::string::npos)
        continue;
      std::istringstream bytes(line.substr(data + hex.size()));
      Bytes message;
      unsigned value = 0;
      while (bytes >> std::hex >> value)
        message.push_back(static_cast<uint8_t>(value));
      messages.push_back(message);
    }
    return messages;
  }
};

} // namespace zpm
