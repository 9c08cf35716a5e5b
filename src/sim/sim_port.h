// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built-in simulator in the device lists: one input and one output named
// "Zavorin Simulator", with the simulated SID and FM of this process behind
// them; the programs that offer it hand it to their TMidiSystem. Its
// answers reach the input's chunker on the wire's own thread, as a driver's
// would.

#include "midi/midi_service.h"
#include "sim/sim_wire.h"

#include <atomic>

namespace zpm {

class TSimPort : public TMidiService {
public:
  static constexpr const char *kPortName = "Zavorin Simulator";

  explicit TSimPort(const TSimOptions &options) : m_wire(options, kSimThinkTime) {}

  std::vector<std::string> InputNames() const override { return {kPortName}; }
  std::vector<std::string> OutputNames() const override { return {kPortName}; }
  TMidiResult OpenInput(size_t port, TSysExChunker &chunker) override;
  TMidiResult CloseInput(size_t port) override;
  TMidiResult OpenOutput(size_t port) override;
  TMidiResult CloseOutput(size_t port) override;
  TMidiResult Send(size_t port, const uint8_t *bytes, size_t count) override;
  TMidiResult Drain(size_t port) override;

  // Blocks until every answer so far has been handed on: tests never sleep.
  void WaitIdle() { m_wire.WaitIdle(); }
  // For tests, in order with the answers: bytes from the cable that no
  // request asked for, bytes lost on the way in, the port gone for good.
  void Inject(const Bytes &bytes) { m_wire.Inject(bytes); }
  void LoseBytes();
  void LoseService(const std::string &reason);
  // The next drains say the service fell behind while the bytes left,
  // though they arrived.
  void FallBehind(int drains) { m_fallBehind = drains; }

  // The model, for tests: look at it only after WaitIdle.
  TSimSynth &Synth() { return m_wire.Synth(); }

private:
  TSysExChunker *m_chunker = nullptr; // the open input's, set with the sink
  std::atomic<int> m_fallBehind{0};
  TSimWire m_wire;
};

} // namespace zpm
