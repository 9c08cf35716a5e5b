// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/jack_service.h"

#include "midi/chunker.h"

#include <cerrno>

namespace zpm {

namespace {

std::string OwnPortName(const char *stem, size_t slot) {
  return slot == 0 ? stem : std::string(stem) + "-" + std::to_string(slot + 1);
}

TMidiResult NoSuchPort() {
  return {static_cast<uint32_t>(EINVAL), "No such JACK port"};
}

} // namespace

std::unique_ptr<TJackService> TJackService::Open() {
  std::unique_ptr<TJackService> service(new TJackService);
  TJackService *self = service.get();
  service->m_client = TJackClient::Open(
      kClientName, false,
      [self](size_t slot, const uint8_t *bytes, size_t count, bool afterLoss) {
        self->Received(slot, bytes, count, afterLoss);
      },
      nullptr, [self](size_t slot, const std::string &reason) { self->Lost(slot, reason); });
  if (!service->m_client)
    return nullptr;
  service->m_client->SetBackHandler([self](size_t slot, const std::string &text) {
    if (TSysExChunker *chunker = self->m_chunkers[slot])
      chunker->MarkBack(text);
  });
  service->m_inputs = service->m_client->OtherMidiPorts(true);
  service->m_outputs = service->m_client->OtherMidiPorts(false);
  service->m_inSlots.resize(service->m_inputs.size());
  service->m_outSlots.resize(service->m_outputs.size());
  return service;
}

TJackService::~TJackService() {
  // The worker calls back into this object: it must stop first.
  m_client.reset();
}

void TJackService::Received(size_t slot, const uint8_t *bytes, size_t count, bool afterLoss) {
  TSysExChunker *chunker = m_chunkers[slot];
  if (!chunker)
    return;
  if (afterLoss)
    chunker->MarkBroken();
  if (count > 0)
    chunker->Feed(bytes, count);
}

void TJackService::Lost(size_t slot, const std::string &reason) {
  if (TSysExChunker *chunker = m_chunkers[slot])
    chunker->MarkLost(reason);
}

TMidiResult TJackService::OpenInput(size_t port, TSysExChunker &chunker) {
  if (port >= m_inputs.size())
    return NoSuchPort();
  if (!m_inSlots[port]) {
    size_t slot = 0;
    TMidiResult added = m_client->AddInput(OwnPortName("in", m_client->InputCount()), slot);
    if (!added.Ok())
      return added;
    m_inSlots[port] = slot;
  }
  const size_t slot = *m_inSlots[port];
  m_chunkers[slot] = &chunker;
  m_client->SetListening(slot, true);
  TMidiResult result = m_client->Connect(m_inputs[port], m_client->InputName(slot));
  if (!result.Ok()) {
    m_client->SetListening(slot, false);
    m_chunkers[slot] = nullptr;
  }
  return result;
}

TMidiResult TJackService::CloseInput(size_t port) {
  if (port >= m_inputs.size())
    return NoSuchPort();
  if (!m_inSlots[port])
    return {};
  const size_t slot = *m_inSlots[port];
  m_client->SetListening(slot, false);
  m_chunkers[slot] = nullptr;
  // A port that has gone has taken its connection with it.
  m_client->Disconnect(m_inputs[port], m_client->InputName(slot));
  return {};
}

TMidiResult TJackService::OpenOutput(size_t port) {
  if (port >= m_outputs.size())
    return NoSuchPort();
  if (!m_outSlots[port]) {
    size_t slot = 0;
    TMidiResult added = m_client->AddOutput(OwnPortName("out", m_client->OutputCount()), slot);
    if (!added.Ok())
      return added;
    m_outSlots[port] = slot;
  }
  return m_client->Connect(m_client->OutputName(*m_outSlots[port]), m_outputs[port]);
}

TMidiResult TJackService::CloseOutput(size_t port) {
  if (port >= m_outputs.size())
    return NoSuchPort();
  if (!m_outSlots[port])
    return {};
  const size_t slot = *m_outSlots[port];
  // What is still queued for a port or server that has gone can reach no
  // one, and the loss has been told where it happened.
  TMidiResult drained = OutputProblem(port).empty() ? m_client->Drain(slot) : TMidiResult{};
  // No one is left to send again what may have been lost on the way.
  if (drained.code == kMidiMayNotHaveArrived)
    drained = {};
  m_client->Disconnect(m_client->OutputName(slot), m_outputs[port]);
  return drained;
}

TMidiResult TJackService::Send(size_t port, const uint8_t *bytes, size_t count) {
  if (port >= m_outputs.size() || !m_outSlots[port])
    return NoSuchPort();
  return m_client->Send(*m_outSlots[port], bytes, count);
}

} // namespace zpm

namespace zpm {

TMidiResult TJackService::Drain(size_t port) {
  if (port >= m_outputs.size() || !m_outSlots[port])
    return NoSuchPort();
  const std::string problem = OutputProblem(port);
  if (!problem.empty())
    return {static_cast<uint32_t>(ESHUTDOWN), problem};
  return m_client->Drain(*m_outSlots[port]);
}

std::string TJackService::OutputProblem(size_t port) const {
  if (m_client->Gone())
    return m_client->GoneText();
  if (port < m_outputs.size() && m_outSlots[port] && m_client->Vanished(m_outputs[port]))
    return "The MIDI port " + m_outputs[port] + " has gone.";
  return {};
}

} // namespace zpm
