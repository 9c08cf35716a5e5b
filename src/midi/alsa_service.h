// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device lists on the ALSA sequencer: every other client's MIDI port as
// "client name:port name". Our one input port connects from each open
// source, and what arrives is told apart by the sending port.

#include "midi/alsa_client.h"
#include "midi/midi_service.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zpm {

class TAlsaService : public TMidiService, private TAlsaReceiver {
public:
  static constexpr const char *kClientName = "Zavorin Patch Manager";

  // nullptr when this machine has no sequencer.
  static std::unique_ptr<TAlsaService> Open();
  ~TAlsaService() override;

  std::vector<std::string> InputNames() const override;
  std::vector<std::string> OutputNames() const override;
  TMidiResult OpenInput(size_t port, TSysExChunker &chunker) override;
  TMidiResult CloseInput(size_t port) override;
  TMidiResult OpenOutput(size_t port) override;
  TMidiResult CloseOutput(size_t port) override;
  TMidiResult Send(size_t port, const uint8_t *bytes, size_t count) override;

private:
  struct TRoute {
    int client;
    int port;
    TSysExChunker *chunker;
    std::string name;
    bool lost; // told once; the sequencer may announce a going twice (port, then client)
  };

  TAlsaService() = default;
  void SysExReceived(int client, int port, const uint8_t *bytes, size_t count) override;
  void ShortReceived(int client, int port, const uint8_t message[3], size_t length) override;
  void Overrun() override;
  void PortGone(int client, int port) override;
  void ReadFailed(const std::string &reason) override;
  TSysExChunker *Route(int client, int port) const;

  std::unique_ptr<TAlsaClient> m_client;
  std::vector<TAlsaPort> m_inputs;
  std::vector<TAlsaPort> m_outputs;
  // Per port: the connection is ours to remove (it was not there before).
  std::vector<bool> m_inputMade;
  std::vector<bool> m_outputMade;
  mutable std::mutex m_routeMutex; // held by the reader while it hands an event on
  std::vector<TRoute> m_routes;    // the open inputs
};

} // namespace zpm
