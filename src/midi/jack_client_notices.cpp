// SPDX-License-Identifier: GPL-3.0-or-later
// What the server tells a TJackClient off its process thread: that it shut
// down, that ports or clients went away, that cycles ran late. The worker
// hands it on to the listening inputs after the events that came before.

#include "midi/jack_client.h"

#include "midi/jack_client_parts.h"

#include <algorithm>
#include <cctype>

namespace zpm {

std::string JackServerGoneText(const char *reason) {
  std::string text = "The JACK server has shut down.";
  std::string said = reason ? reason : "";
  // Most often the server only says that it closed, which adds nothing.
  if (said.find("has been closed") != std::string::npos)
    said.clear();
  while (!said.empty() && (said.back() == '\n' || said.back() == ' '))
    said.pop_back();
  if (!said.empty()) {
    if (said.back() != '.')
      said += '.';
    said[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(said[0])));
    text += " " + said;
  }
  return text;
}

void TJackClient::ShutdownCallback(jack_status_t, const char *reason, void *arg) {
  TGuard *guard = static_cast<TGuard *>(arg);
  std::lock_guard<std::mutex> guardLock(guard->mutex);
  TJackClient *self = guard->owner.load();
  if (!self)
    return;
  {
    std::lock_guard<std::mutex> lock(self->m_goneMutex);
    self->m_goneReason = JackServerGoneText(reason);
  }
  self->m_gone = true;
  {
    std::lock_guard<std::mutex> lock(self->m_noticeMutex);
    self->m_serverGoneNotice = true;
  }
  sem_post(&self->m_receivedReady);
  sem_post(&self->m_outputRoom);
  sem_post(&self->m_cycleDone);
}

void TJackClient::PlainShutdownCallback(void *arg) {
  ShutdownCallback(JackFailure, nullptr, arg);
}

void TJackClient::PortRegistrationCallback(jack_port_id_t id, int registered, void *arg) {
  TGuard *guard = static_cast<TGuard *>(arg);
  std::lock_guard<std::mutex> guardLock(guard->mutex);
  TJackClient *self = guard->owner.load();
  if (!self)
    return;
  // The port is still known by its id while its going is told.
  jack_port_t *port = jack_port_by_id(self->m_client, id);
  const char *name = port ? jack_port_name(port) : nullptr;
  if (!name)
    return;
  if (registered)
    self->Returned(name);
  else
    self->Notice(name);
}

void TJackClient::ClientRegistrationCallback(const char *name, int registered, void *arg) {
  // A client that is killed takes its ports along; not every server tells
  // of each of them, so its going counts for all of them.
  if (!name)
    return;
  TGuard *guard = static_cast<TGuard *>(arg);
  std::lock_guard<std::mutex> guardLock(guard->mutex);
  TJackClient *self = guard->owner.load();
  if (self && registered)
    self->Returned(std::string(name) + ":");
  else if (self)
    self->Notice(std::string(name) + ":");
}

int TJackClient::XrunCallback(void *arg) {
  TGuard *guard = static_cast<TGuard *>(arg);
  std::lock_guard<std::mutex> guardLock(guard->mutex);
  if (TJackClient *self = guard->owner.load())
    self->m_fellBehind.fetch_add(1);
  return 0;
}

void TJackClient::Notice(const std::string &gonePort) {
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    m_gonePorts.push_back(gonePort);
    m_vanished.push_back(gonePort);
  }
  sem_post(&m_receivedReady);
}

void TJackClient::Returned(const std::string &port) {
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    m_vanished.erase(std::remove(m_vanished.begin(), m_vanished.end(), port), m_vanished.end());
    // Ports are connected again one by one as they come; a client alone
    // has none yet.
    if (port.empty() || port.back() == ':')
      return;
    m_returned.push_back(port);
  }
  sem_post(&m_receivedReady);
}

void TJackClient::SetBackHandler(BackHandler handler) {
  std::lock_guard<std::mutex> lock(m_noticeMutex);
  m_back = std::move(handler);
}

void TJackClient::Reconnect(const std::vector<std::string> &returned) {
  // Our end of each connection to a returned port, and whether it is an
  // input (told when connected again).
  struct TLink {
    std::string source, destination;
    size_t inSlot;
    bool input;
  };
  std::vector<TLink> links;
  BackHandler back;
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    back = m_back;
    for (const std::string &port : returned) {
      for (size_t slot = 0; slot < m_inCount.load(); ++slot)
        for (const std::string &peer : m_in[slot].load()->peers)
          if (peer == port)
            links.push_back({peer, InputName(slot), slot, true});
      for (size_t slot = 0; slot < m_outPeers.size(); ++slot)
        for (const std::string &peer : m_outPeers[slot])
          if (peer == port)
            links.push_back({OutputName(slot), peer, slot, false});
    }
  }
  for (const TLink &link : links) {
    const int result = jack_connect(m_client, link.source.c_str(), link.destination.c_str());
    if ((result != 0 && result != EEXIST) || !link.input)
      continue;
    std::lock_guard<std::mutex> lock(m_deliveryMutex);
    TInPort *port = m_in[link.inSlot].load(std::memory_order_acquire);
    // A later loss is told again.
    port->toldLostGeneration = 0;
    if (back && (port->generation.load(std::memory_order_acquire) & 1) != 0)
      back(link.inSlot, "The MIDI port " + link.source + " is back.");
  }
}

namespace {

// gone: a port's full name, or a client's name and ":" for all its ports.
bool Covers(const std::string &gone, const std::string &port) {
  return port == gone || (!gone.empty() && gone.back() == ':' && port.rfind(gone, 0) == 0);
}

} // namespace

bool TJackClient::Vanished(const std::string &port) {
  std::lock_guard<std::mutex> lock(m_noticeMutex);
  return std::any_of(m_vanished.begin(), m_vanished.end(),
                     [&](const std::string &gone) { return Covers(gone, port); });
}

void TJackClient::DeliverNotices() {
  std::vector<std::string> gonePorts;
  bool serverGone = false;
  std::vector<std::vector<std::string>> peers;
  std::vector<std::string> returned;
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    gonePorts.swap(m_gonePorts);
    returned.swap(m_returned);
    serverGone = m_serverGoneNotice;
    for (size_t slot = 0; slot < m_inCount.load(); ++slot)
      peers.push_back(m_in[slot].load()->peers);
  }
  DeliverLost(gonePorts, serverGone, peers);
  // Gone before back: a program restarted quickly is told in that order.
  if (!returned.empty() && !m_gone)
    Reconnect(returned);
}

void TJackClient::DeliverLost(const std::vector<std::string> &gonePorts, bool serverGone,
                              const std::vector<std::vector<std::string>> &peers) {
  if ((gonePorts.empty() && !serverGone) || !m_lost)
    return;
  const std::string serverText = GoneText();
  std::lock_guard<std::mutex> lock(m_deliveryMutex);
  for (size_t slot = 0; slot < peers.size(); ++slot) {
    TInPort *port = m_in[slot].load(std::memory_order_acquire);
    const uint32_t generation = port->generation.load(std::memory_order_acquire);
    if ((generation & 1) == 0 || port->toldLostGeneration == generation)
      continue;
    std::string reason;
    if (serverGone)
      reason = serverText;
    for (const std::string &gone : gonePorts)
      for (const std::string &peer : peers[slot])
        if (reason.empty() && Covers(gone, peer))
          reason = "The MIDI port " + peer + " has gone.";
    if (reason.empty())
      continue;
    port->toldLostGeneration = generation;
    m_lost(slot, reason);
  }
}

} // namespace zpm
