// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device lists on JACK: every other client's MIDI port by its full name.
// Opening a device registers a port of our own for it (kept until the end)
// and connects the two.

#include "midi/jack_client.h"
#include "midi/midi_service.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zpm {

class TJackService : public TMidiService {
public:
  static constexpr const char *kClientName = "zpm";

  // nullptr when no JACK server runs.
  static std::unique_ptr<TJackService> Open();
  ~TJackService() override;

  std::vector<std::string> InputNames() const override { return m_inputs; }
  std::vector<std::string> OutputNames() const override { return m_outputs; }
  TMidiResult OpenInput(size_t port, TSysExChunker &chunker) override;
  TMidiResult CloseInput(size_t port) override;
  TMidiResult OpenOutput(size_t port) override;
  TMidiResult CloseOutput(size_t port) override;
  TMidiResult Send(size_t port, const uint8_t *bytes, size_t count) override;
  TMidiResult Drain(size_t port) override;
  std::string OutputProblem(size_t port) const override;

private:
  TJackService() = default;
  void Received(size_t slot, const uint8_t *bytes, size_t count, bool afterLoss);
  void Lost(size_t slot, const std::string &reason);

  std::unique_ptr<TJackClient> m_client;
  std::vector<std::string> m_inputs;
  std::vector<std::string> m_outputs;
  std::vector<std::optional<size_t>> m_inSlots;  // per device: our port
  std::vector<std::optional<size_t>> m_outSlots; // per device: our port
  // Per slot of ours; written only while the slot is not listening.
  std::vector<TSysExChunker *> m_chunkers = std::vector<TSysExChunker *>(TJackClient::kMaxPorts);
};

} // namespace zpm
