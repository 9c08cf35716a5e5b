// SPDX-License-Identifier: GPL-3.0-or-later
// TJackClient: opening and closing, ports and connections, and the sending
// side. The process cycle and the server's notices have files of their own.

#include "midi/jack_client.h"

#include "midi/bounded_call.h"
#include "midi/jack_client_parts.h"
#include "midi/jack_ring.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

namespace zpm {

namespace {

constexpr size_t kReceivedRingSize = 1 << 20;
constexpr size_t kOutgoingRingSize = 1 << 17;
constexpr size_t kLargestEvent = 1 << 16;

// JACK reports failures through a text callback; the last text of each
// thread becomes the message of the error that thread raises.
thread_local char t_lastJackText[256];

void KeepJackText(const char *text) {
  std::strncpy(t_lastJackText, text, sizeof t_lastJackText - 1);
  t_lastJackText[sizeof t_lastJackText - 1] = '\0';
}

void IgnoreJackInfo(const char *) {}

std::string TakeJackText() {
  std::string text = t_lastJackText;
  t_lastJackText[0] = '\0';
  return text;
}

void SilenceJack() {
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(KeepJackText);
    jack_set_info_function(IgnoreJackInfo);
  });
}

TMidiResult JackFailure(int code, const std::string &fallback) {
  TMidiResult result;
  result.code = code != 0 ? static_cast<uint32_t>(code) : 1u;
  result.text = TakeJackText();
  if (result.text.empty())
    result.text = fallback;
  return result;
}

// Whether any port on the server belongs to a client called name.
bool NameHasPorts(jack_client_t *client, const std::string &name) {
  const char **ports = jack_get_ports(client, nullptr, nullptr, 0);
  if (!ports)
    return false;
  const std::string prefix = name + ":";
  bool found = false;
  for (const char **port = ports; *port && !found; ++port)
    found = std::strncmp(*port, prefix.c_str(), prefix.size()) == 0;
  jack_free(ports);
  return found;
}

// The longest piece of one message in the outgoing ring: a bank dump fits
// one piece, and a sender never waits for more room than half the ring.
constexpr size_t kLargestPiece = kOutgoingRingSize / 2;

} // namespace

std::unique_ptr<TJackClient> TJackClient::Open(const std::string &name, bool exactName,
                                               ReceiveHandler handler, std::string *why,
                                               LostHandler lost) {
  SilenceJack();
  jack_status_t status = static_cast<jack_status_t>(0);
  jack_client_t *client = jack_client_open(name.c_str(), JackNoStartServer, &status);
  const std::string text = TakeJackText();
  if (!client) {
    if (why)
      *why = (status & JackServerFailed) ? "No JACK server is running"
             : text.empty()              ? "Cannot open a JACK client"
                                         : text;
    return nullptr;
  }
  // A name in use: jackd gives another (and with JackUseExactName fails
  // without saying why); PipeWire's JACK library gives the same name to both.
  if (exactName && (jack_get_client_name(client) != name || NameHasPorts(client, name))) {
    jack_client_close(client);
    if (why)
      *why = "The JACK client name " + name + " is taken";
    return nullptr;
  }
  std::unique_ptr<TJackClient> result(new TJackClient(client, std::move(handler)));
  result->m_lost = std::move(lost);
  TGuard *guard = result->m_guard;
  jack_set_process_callback(client, ProcessCallback, guard);
  // jackd calls only the first when both are set; PipeWire's JACK library
  // calls only the second.
  jack_on_info_shutdown(client, ShutdownCallback, guard);
  jack_on_shutdown(client, PlainShutdownCallback, guard);
  jack_set_port_registration_callback(client, PortRegistrationCallback, guard);
  jack_set_client_registration_callback(client, ClientRegistrationCallback, guard);
  jack_set_xrun_callback(client, XrunCallback, guard);
  if (jack_activate(client) != 0) {
    if (why)
      *why = JackFailure(1, "Cannot activate the JACK client").text;
    return nullptr;
  }
  return result;
}

TJackClient::TJackClient(jack_client_t *client, ReceiveHandler handler)
    : m_client(client), m_guard(new TGuard), m_name(jack_get_client_name(client)),
      m_handler(std::move(handler)) {
  m_guard->owner.store(this);
  m_received = jack_ringbuffer_create(kReceivedRingSize);
  m_scratch.reserve(kLargestEvent);
  sem_init(&m_receivedReady, 0, 0);
  sem_init(&m_outputRoom, 0, 0);
  sem_init(&m_cycleDone, 0, 0);
  m_worker = std::thread([this] { WorkerLoop(); });
}

TJackClient::~TJackClient() {
  m_stopping = true;
  sem_post(&m_receivedReady);
  m_worker.join();
  {
    std::lock_guard<std::mutex> lock(m_guard->mutex);
    m_guard->owner.store(nullptr);
  }
  // A cycle that began before the owner went may still be running; after
  // it, the process thread never reaches this object again.
  for (int wait = 0; wait < 1000 && m_guard->inProcess.load(); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  // A server that has died never answers, and one whose client was killed
  // may stall for seconds: closing is waited for only as long as a user
  // would wait, not at all once the server has kept us waiting, and
  // otherwise finishes on its own when the server moves again. The guard
  // goes with the client: until then a late callback finds no owner.
  jack_client_t *client = m_client;
  TGuard *guard = m_guard;
  const bool gone = m_gone;
  RunBounded(
      [client, guard, gone] {
        if (!gone)
          jack_deactivate(client);
        jack_client_close(client);
        delete guard;
      },
      m_unresponsive ? std::chrono::milliseconds(0) : kJackCloseLimit);
  TakeJackText();
  m_inOwned.clear();
  m_outOwned.clear();
  jack_ringbuffer_free(m_received);
  sem_destroy(&m_receivedReady);
  sem_destroy(&m_outputRoom);
  sem_destroy(&m_cycleDone);
}

std::vector<std::string> TJackClient::OtherMidiPorts(bool sources) const {
  std::vector<std::string> names;
  const char **ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                      sources ? JackPortIsOutput : JackPortIsInput);
  if (!ports)
    return names;
  const std::string own = m_name + ":";
  for (const char **port = ports; *port; ++port)
    if (std::strncmp(*port, own.c_str(), own.size()) != 0)
      names.emplace_back(*port);
  jack_free(ports);
  std::sort(names.begin(), names.end());
  return names;
}

TMidiResult TJackClient::AddInput(const std::string &shortName, size_t &slot) {
  std::lock_guard<std::mutex> lock(m_portMutex);
  const size_t count = m_inCount.load();
  if (count == kMaxPorts)
    return JackFailure(ENOSPC, "Too many JACK ports");
  jack_port_t *port =
      jack_port_register(m_client, shortName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (!port)
    return JackFailure(EINVAL, "Cannot register JACK port " + shortName);
  m_inOwned.push_back(std::make_unique<TInPort>());
  m_inOwned.back()->port = port;
  m_in[count].store(m_inOwned.back().get(), std::memory_order_release);
  m_inCount.store(count + 1, std::memory_order_release);
  slot = count;
  return {};
}

TMidiResult TJackClient::AddOutput(const std::string &shortName, size_t &slot) {
  std::lock_guard<std::mutex> lock(m_portMutex);
  const size_t count = m_outCount.load();
  if (count == kMaxPorts)
    return JackFailure(ENOSPC, "Too many JACK ports");
  jack_port_t *port =
      jack_port_register(m_client, shortName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (!port)
    return JackFailure(EINVAL, "Cannot register JACK port " + shortName);
  m_outOwned.push_back(std::make_unique<TOutPort>());
  m_outOwned.back()->port = port;
  m_outOwned.back()->ring = jack_ringbuffer_create(kOutgoingRingSize);
  m_out[count].store(m_outOwned.back().get(), std::memory_order_release);
  m_outCount.store(count + 1, std::memory_order_release);
  slot = count;
  return {};
}

std::string TJackClient::InputName(size_t slot) const {
  return jack_port_name(m_in.at(slot).load()->port);
}

std::string TJackClient::OutputName(size_t slot) const {
  return jack_port_name(m_out.at(slot).load()->port);
}

void TJackClient::SetListening(size_t inSlot, bool on) {
  std::lock_guard<std::mutex> lock(m_deliveryMutex);
  TInPort *port = m_in.at(inSlot).load();
  const uint32_t generation = port->generation.load();
  if (((generation & 1) != 0) != on)
    port->generation.store(generation + 1, std::memory_order_release);
}

TMidiResult TJackClient::Connect(const std::string &source, const std::string &destination) {
  if (m_gone)
    return GoneResult();
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    for (size_t slot = 0; slot < m_inCount.load(); ++slot)
      if (InputName(slot) == destination)
        m_in[slot].load()->peers.push_back(source);
    for (size_t slot = 0; slot < m_outCount.load(); ++slot)
      if (OutputName(slot) == source) {
        m_outPeers.resize(std::max(m_outPeers.size(), slot + 1));
        m_outPeers[slot].push_back(destination);
      }
  }
  const int result = jack_connect(m_client, source.c_str(), destination.c_str());
  if (result == 0 || result == EEXIST) {
    TakeJackText();
    // The server switches to the new graph when the next cycle begins; a
    // message sent before that would leave through the old one and be lost.
    WaitForNewCycle();
    return {};
  }
  return JackFailure(result, "Cannot connect " + source + " to " + destination);
}

TMidiResult TJackClient::Disconnect(const std::string &source, const std::string &destination) {
  {
    std::lock_guard<std::mutex> lock(m_noticeMutex);
    for (size_t slot = 0; slot < m_inCount.load(); ++slot) {
      std::vector<std::string> &peers = m_in[slot].load()->peers;
      if (InputName(slot) == destination)
        peers.erase(std::remove(peers.begin(), peers.end(), source), peers.end());
    }
    for (size_t slot = 0; slot < m_outPeers.size(); ++slot)
      if (OutputName(slot) == source)
        m_outPeers[slot].erase(
            std::remove(m_outPeers[slot].begin(), m_outPeers[slot].end(), destination),
            m_outPeers[slot].end());
  }
  // Ports that have gone took their connections along.
  if (m_gone || m_unresponsive || Vanished(source) || Vanished(destination))
    return {};
  auto result = std::make_shared<std::atomic<int>>(0);
  jack_client_t *client = m_client;
  // A server that dies meanwhile must not hold the caller: the call keeps
  // copies of what it needs.
  if (!RunBounded(
          [client, source, destination, result] {
            *result = jack_disconnect(client, source.c_str(), destination.c_str());
          },
          kJackCloseLimit)) {
    m_unresponsive = true;
    return {};
  }
  if (*result == 0)
    return {};
  return JackFailure(*result, "Cannot disconnect " + source + " from " + destination);
}

TMidiResult TJackClient::Send(size_t outSlot, const uint8_t *bytes, size_t count) {
  TOutPort *port = m_out.at(outSlot).load();
  std::lock_guard<std::mutex> lock(m_sendMutex);
  while (count > 0) {
    const size_t piece = MessagePieceSize(bytes, count, kLargestPiece);
    const uint32_t size = static_cast<uint32_t>(piece);
    for (;;) {
      // Nothing empties the ring of a server that has gone.
      if (m_gone)
        return GoneResult();
      if (WriteRingRecord(port->ring, &size, sizeof size, bytes, piece))
        break;
      WaitOn(m_outputRoom);
    }
    bytes += piece;
    count -= piece;
    if (!port->undrained)
      port->behindAtSend = m_fellBehind.load();
    port->undrained = true;
  }
  return {};
}

TMidiResult TJackClient::Drain(size_t outSlot) {
  TOutPort *port = m_out.at(outSlot).load();
  std::lock_guard<std::mutex> lock(m_sendMutex);
  size_t queued = jack_ringbuffer_read_space(port->ring);
  // Everything sent before has been seen to leave already.
  if (queued == 0 && !port->undrained)
    return {};
  // A server that takes nothing for a whole second has stalled: closing
  // does not wait for it.
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += 1;
  while (queued > 0) {
    if (m_gone)
      return GoneResult();
    const bool woken = sem_timedwait(&m_outputRoom, &deadline) == 0;
    if (!woken && errno == EINTR)
      continue;
    const size_t left = jack_ringbuffer_read_space(port->ring);
    if (left < queued) {
      clock_gettime(CLOCK_REALTIME, &deadline);
      deadline.tv_sec += 1;
    } else if (!woken && !m_gone) {
      m_unresponsive = true;
      return {static_cast<uint32_t>(ETIMEDOUT), "The JACK server has stopped taking MIDI data; " +
                                                    std::to_string(left) + " bytes for " +
                                                    OutputName(outSlot) + " were not sent."};
    }
    queued = left;
  }
  // The cycle that took the last bytes has put them in the port's buffer;
  // they reach the other client when that cycle has run, or the one after
  // for a client that runs before us.
  if (!WaitForCycles(3))
    return m_gone ? GoneResult()
                  : TMidiResult{static_cast<uint32_t>(ETIMEDOUT),
                                "The JACK server has stopped running its cycles; what was sent "
                                "to " +
                                    OutputName(outSlot) + " may not have left."};
  port->undrained = false;
  // When the graph falls behind, the server starts a cycle without waiting
  // for every client: a reader that ran before our event was written may
  // not run again before our next cycle clears it.
  if (m_fellBehind.load() != port->behindAtSend)
    return {kMidiMayNotHaveArrived, "The JACK server fell behind while MIDI data left for " +
                                        OutputName(outSlot) + "; it may not have arrived."};
  return {};
}

void TJackClient::WaitForNewCycle() {
  // The cycle running now may have begun before this call.
  WaitForCycles(2, false);
}

bool TJackClient::WaitForCycles(uint64_t count, bool bounded) {
  ++m_cycleWaiters;
  const uint64_t wanted = m_cycles.load() + count;
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += 1;
  bool done = true;
  while (m_cycles.load() < wanted && !m_gone) {
    if (!bounded) {
      WaitOn(m_cycleDone);
      continue;
    }
    if (sem_timedwait(&m_cycleDone, &deadline) != 0 && errno == ETIMEDOUT) {
      done = m_cycles.load() >= wanted;
      break;
    }
  }
  --m_cycleWaiters;
  return done && !m_gone;
}

std::string TJackClient::GoneText() const {
  std::lock_guard<std::mutex> lock(m_goneMutex);
  return m_goneReason.empty() ? JackServerGoneText(nullptr) : m_goneReason;
}

TMidiResult TJackClient::GoneResult() const {
  return {static_cast<uint32_t>(ESHUTDOWN), GoneText()};
}

void TJackClient::WaitOn(sem_t &semaphore) {
  while (sem_wait(&semaphore) != 0 && errno == EINTR) {
  }
}

} // namespace zpm
