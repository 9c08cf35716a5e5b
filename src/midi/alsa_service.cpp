// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/alsa_service.h"

#include "midi/chunker.h"

#include <algorithm>
#include <cerrno>

namespace zpm {

namespace {

std::vector<std::string> Names(const std::vector<TAlsaPort> &ports) {
  std::vector<std::string> names;
  for (const TAlsaPort &port : ports)
    names.push_back(port.name);
  return names;
}

TMidiResult NoSuchPort() {
  return {static_cast<uint32_t>(EINVAL), snd_strerror(-EINVAL)};
}

} // namespace

std::unique_ptr<TAlsaService> TAlsaService::Open() {
  std::unique_ptr<TAlsaService> service(new TAlsaService);
  service->m_client = TAlsaClient::Open(kClientName, *service);
  if (!service->m_client)
    return nullptr;
  service->m_inputs = service->m_client->OtherPorts(true);
  service->m_outputs = service->m_client->OtherPorts(false);
  service->m_inputMade.resize(service->m_inputs.size());
  service->m_outputMade.resize(service->m_outputs.size());
  return service;
}

TAlsaService::~TAlsaService() {
  // The reader calls back into this object: it must stop first.
  m_client.reset();
}

std::vector<std::string> TAlsaService::InputNames() const {
  return Names(m_inputs);
}

std::vector<std::string> TAlsaService::OutputNames() const {
  return Names(m_outputs);
}

TMidiResult TAlsaService::OpenInput(size_t port, TSysExChunker &chunker) {
  if (port >= m_inputs.size())
    return NoSuchPort();
  const TAlsaPort &source = m_inputs[port];
  {
    std::lock_guard<std::mutex> lock(m_routeMutex);
    m_routes.push_back({source.client, source.port, &chunker, source.name, false});
  }
  bool made = false;
  TMidiResult result = m_client->ConnectFrom(source.client, source.port, made);
  m_inputMade[port] = made;
  if (!result.Ok())
    CloseInput(port);
  return result;
}

TMidiResult TAlsaService::CloseInput(size_t port) {
  if (port >= m_inputs.size())
    return NoSuchPort();
  const TAlsaPort &source = m_inputs[port];
  {
    // First, so the announcement of our own disconnection finds no one.
    std::lock_guard<std::mutex> lock(m_routeMutex);
    m_routes.erase(std::remove_if(m_routes.begin(), m_routes.end(),
                                  [&](const TRoute &route) {
                                    return route.client == source.client &&
                                           route.port == source.port;
                                  }),
                   m_routes.end());
  }
  // Only a connection we made: one that was there before stays. A port
  // that has gone has taken its connection with it.
  if (m_inputMade[port])
    m_client->DisconnectFrom(source.client, source.port);
  m_inputMade[port] = false;
  return {};
}

TMidiResult TAlsaService::OpenOutput(size_t port) {
  if (port >= m_outputs.size())
    return NoSuchPort();
  bool made = false;
  TMidiResult result = m_client->ConnectTo(m_outputs[port].client, m_outputs[port].port, made);
  m_outputMade[port] = m_outputMade[port] || made;
  return result;
}

TMidiResult TAlsaService::CloseOutput(size_t port) {
  if (port >= m_outputs.size())
    return NoSuchPort();
  if (m_outputMade[port])
    m_client->DisconnectTo(m_outputs[port].client, m_outputs[port].port);
  m_outputMade[port] = false;
  return {};
}

TMidiResult TAlsaService::Send(size_t port, const uint8_t *bytes, size_t count) {
  if (port >= m_outputs.size())
    return NoSuchPort();
  // Straight to the device, not to everything connected to our port.
  const TAlsaPort &destination = m_outputs[port];
  return m_client->Send(destination.client, destination.port, bytes, count, destination.hardware);
}

TSysExChunker *TAlsaService::Route(int client, int port) const {
  for (const TRoute &route : m_routes)
    if (route.client == client && route.port == port)
      return route.chunker;
  return nullptr;
}

void TAlsaService::SysExReceived(int client, int port, const uint8_t *bytes, size_t count) {
  std::lock_guard<std::mutex> lock(m_routeMutex);
  if (TSysExChunker *chunker = Route(client, port))
    chunker->Feed(bytes, count);
}

void TAlsaService::ShortReceived(int client, int port, const uint8_t message[3], size_t) {
  std::lock_guard<std::mutex> lock(m_routeMutex);
  if (TSysExChunker *chunker = Route(client, port))
    chunker->FeedShort(message[0], message[1], message[2]);
}

void TAlsaService::PortGone(int client, int port) {
  std::lock_guard<std::mutex> lock(m_routeMutex);
  for (TRoute &route : m_routes)
    if (route.client == client && (port < 0 || route.port == port) && !route.lost) {
      route.lost = true;
      route.chunker->MarkLost("The MIDI port " + route.name + " has gone.");
    }
}

void TAlsaService::ReadFailed(const std::string &reason) {
  std::lock_guard<std::mutex> lock(m_routeMutex);
  for (TRoute &route : m_routes)
    if (!route.lost) {
      route.lost = true;
      route.chunker->MarkLost(reason);
    }
}

void TAlsaService::Overrun() {
  // The sequencer does not say whose events were lost.
  std::lock_guard<std::mutex> lock(m_routeMutex);
  for (const TRoute &route : m_routes)
    route.chunker->MarkBroken();
}

} // namespace zpm
