// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A MIDI service that stands behind the device objects: the ALSA sequencer,
// JACK, or the built-in simulator. Each lists its ports once, when it comes
// up, and opens them by their position in those lists.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

class TSysExChunker;

// What a service call gave: code 0 on success; otherwise the service's own
// code and, where it has one, its own text.
struct TMidiResult {
  uint32_t code = 0;
  std::string text;
  bool Ok() const { return code == 0; }
};

// Drain's code when every byte has left but the service fell behind its
// cycles meanwhile, so the port may not have received them all.
constexpr uint32_t kMidiMayNotHaveArrived = 0x5A500001u;

class TMidiService {
public:
  virtual ~TMidiService() = default;

  virtual std::vector<std::string> InputNames() const = 0;
  virtual std::vector<std::string> OutputNames() const = 0;

  // From a successful OpenInput until CloseInput returns, every byte the
  // port receives goes through chunker, on a thread of the service's own.
  // Once CloseInput has returned the chunker is no longer touched.
  virtual TMidiResult OpenInput(size_t port, TSysExChunker &chunker) = 0;
  virtual TMidiResult CloseInput(size_t port) = 0;
  virtual TMidiResult OpenOutput(size_t port) = 0;
  // Whatever was sent before still goes out.
  virtual TMidiResult CloseOutput(size_t port) = 0;
  // One whole message to an open output; it is never dropped.
  virtual TMidiResult Send(size_t port, const uint8_t *bytes, size_t count) = 0;
  // Returns once every byte sent to the open output has left the program
  // for the port it is connected to; fails when they cannot, and gives
  // kMidiMayNotHaveArrived when they left but may have been lost on the way.
  virtual TMidiResult Drain(size_t port) {
    (void)port;
    return {};
  }
  // Why the open output can no longer reach its port (the service or the
  // port has gone), as the sentence to show; empty while it can.
  virtual std::string OutputProblem(size_t port) const {
    (void)port;
    return {};
  }
};

} // namespace zpm
