#include "midi/jack_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zpm {

namespace {

constexpr size_t kReceivedRingSize = 1 << 20;
constexpr size_t kOutgoingRingSize = 1 << 16;
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

// One received event in the incoming ring; header and bytes are published
// together so the worker never sees half a record.
struct TRecord {
  uint32_t slot;
  uint32_t generation;
  uint32_t size;
  uint32_t afterLoss;
};

bool WriteRecord(jack_ringbuffer_t *ring, const TRecord &header, const uint8_t *bytes) {
  const size_t total = sizeof header + header.size;
  if (jack_ringbuffer_write_space(ring) < total)
    return false;
  jack_ringbuffer_data_t parts[2];
  jack_ringbuffer_get_write_vector(ring, parts);
  size_t part = 0, offset = 0;
  auto copy = [&](const void *source, size_t count) {
    const char *from = static_cast<const char *>(source);
    while (count > 0) {
      const size_t n = std::min(count, parts[part].len - offset);
      std::memcpy(parts[part].buf + offset, from, n);
      from += n;
      count -= n;
      offset += n;
      if (offset == parts[part].len) {
        ++part;
        offset = 0;
      }
    }
  };
  copy(&header, sizeof header);
  copy(bytes, header.size);
  jack_ringbuffer_write_advance(ring, total);
  return true;
}

} // namespace

struct TJackClient::TInPort {
  jack_port_t *port = nullptr;
  // Odd while listening; every switch moves it on, so records of an
  // earlier session are recognised and dropped.
  std::atomic<uint32_t> generation{0};
  uint32_t lostInGeneration = 0; // process thread only
};

struct TJackClient::TOutPort {
  jack_port_t *port = nullptr;
  jack_ringbuffer_t *ring = nullptr;
  ~TOutPort() {
    if (ring)
      jack_ringbuffer_free(ring);
  }
};

std::unique_ptr<TJackClient> TJackClient::Open(const std::string &name, bool exactName,
                                               ReceiveHandler handler, std::string *why) {
  SilenceJack();
  int options = JackNoStartServer;
  if (exactName)
    options |= JackUseExactName;
  jack_status_t status = static_cast<jack_status_t>(0);
  jack_client_t *client =
      jack_client_open(name.c_str(), static_cast<jack_options_t>(options), &status);
  const std::string text = TakeJackText();
  if (!client) {
    if (why)
      *why = (status & JackNameNotUnique)  ? "The JACK client name " + name + " is taken"
             : (status & JackServerFailed) ? "No JACK server is running"
             : text.empty()                ? "Cannot open a JACK client"
                                           : text;
    return nullptr;
  }
  std::unique_ptr<TJackClient> result(new TJackClient(client, std::move(handler)));
  jack_set_process_callback(client, ProcessCallback, result.get());
  jack_on_info_shutdown(client, ShutdownCallback, result.get());
  if (jack_activate(client) != 0) {
    if (why)
      *why = JackFailure(1, "Cannot activate the JACK client").text;
    return nullptr;
  }
  return result;
}

TJackClient::TJackClient(jack_client_t *client, ReceiveHandler handler)
    : m_client(client), m_name(jack_get_client_name(client)), m_handler(std::move(handler)) {
  m_received = jack_ringbuffer_create(kReceivedRingSize);
  m_scratch.reserve(kLargestEvent);
  sem_init(&m_receivedReady, 0, 0);
  sem_init(&m_outputRoom, 0, 0);
  sem_init(&m_cycleDone, 0, 0);
  m_worker = std::thread([this] { WorkerLoop(); });
}

TJackClient::~TJackClient() {
  jack_deactivate(m_client);
  m_stopping = true;
  sem_post(&m_receivedReady);
  m_worker.join();
  jack_client_close(m_client);
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
  const int result = jack_disconnect(m_client, source.c_str(), destination.c_str());
  if (result == 0)
    return {};
  return JackFailure(result, "Cannot disconnect " + source + " from " + destination);
}

TMidiResult TJackClient::Send(size_t outSlot, const uint8_t *bytes, size_t count) {
  TOutPort *port = m_out.at(outSlot).load();
  std::lock_guard<std::mutex> lock(m_sendMutex);
  while (count > 0) {
    if (m_gone)
      return GoneResult();
    const size_t written =
        jack_ringbuffer_write(port->ring, reinterpret_cast<const char *>(bytes), count);
    bytes += written;
    count -= written;
    if (count > 0)
      WaitOn(m_outputRoom);
  }
  return {};
}

TMidiResult TJackClient::Drain(size_t outSlot) {
  TOutPort *port = m_out.at(outSlot).load();
  std::lock_guard<std::mutex> lock(m_sendMutex);
  while (jack_ringbuffer_read_space(port->ring) > 0) {
    if (m_gone)
      return GoneResult();
    WaitOn(m_outputRoom);
  }
  return {};
}

void TJackClient::WaitForNewCycle() {
  ++m_cycleWaiters;
  // The cycle running now may have begun before this call.
  const uint64_t wanted = m_cycles.load() + 2;
  while (m_cycles.load() < wanted && !m_gone)
    WaitOn(m_cycleDone);
  --m_cycleWaiters;
}

TMidiResult TJackClient::GoneResult() const {
  std::lock_guard<std::mutex> lock(m_goneMutex);
  TMidiResult result;
  result.code = ESHUTDOWN;
  result.text = m_goneReason.empty() ? "The JACK server has shut down" : m_goneReason;
  return result;
}

void TJackClient::WaitOn(sem_t &semaphore) {
  while (sem_wait(&semaphore) != 0 && errno == EINTR) {
  }
}

int TJackClient::ProcessCallback(jack_nframes_t frames, void *arg) {
  static_cast<TJackClient *>(arg)->Process(frames);
  return 0;
}

void TJackClient::ShutdownCallback(jack_status_t, const char *reason, void *arg) {
  TJackClient *self = static_cast<TJackClient *>(arg);
  {
    std::lock_guard<std::mutex> lock(self->m_goneMutex);
    if (reason)
      self->m_goneReason = reason;
  }
  self->m_gone = true;
  sem_post(&self->m_outputRoom);
  sem_post(&self->m_cycleDone);
}

void TJackClient::Process(jack_nframes_t frames) {
  ReadInputs(frames);
  WriteOutputs(frames);
  m_cycles.fetch_add(1, std::memory_order_release);
  if (m_cycleWaiters.load(std::memory_order_acquire) > 0)
    sem_post(&m_cycleDone);
}

void TJackClient::ReadInputs(jack_nframes_t frames) {
  bool wrote = false;
  const size_t count = m_inCount.load(std::memory_order_acquire);
  for (size_t slot = 0; slot < count; ++slot) {
    TInPort *port = m_in[slot].load(std::memory_order_acquire);
    void *buffer = jack_port_get_buffer(port->port, frames);
    const uint32_t generation = port->generation.load(std::memory_order_acquire);
    if ((generation & 1) == 0)
      continue;
    const uint32_t events = jack_midi_get_event_count(buffer);
    for (uint32_t index = 0; index < events; ++index) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, index) != 0)
        continue;
      const TRecord header{static_cast<uint32_t>(slot), generation,
                           static_cast<uint32_t>(event.size),
                           port->lostInGeneration == generation ? 1u : 0u};
      if (WriteRecord(m_received, header, event.buffer)) {
        port->lostInGeneration = 0;
        wrote = true;
      } else {
        port->lostInGeneration = generation;
      }
    }
  }
  if (wrote)
    sem_post(&m_receivedReady);
}

void TJackClient::WriteOutputs(jack_nframes_t frames) {
  bool took = false;
  const size_t count = m_outCount.load(std::memory_order_acquire);
  for (size_t slot = 0; slot < count; ++slot) {
    TOutPort *port = m_out[slot].load(std::memory_order_acquire);
    void *buffer = jack_port_get_buffer(port->port, frames);
    jack_midi_clear_buffer(buffer);
    for (;;) {
      const size_t queued = jack_ringbuffer_read_space(port->ring);
      const size_t size = std::min(queued, jack_midi_max_event_size(buffer));
      if (size == 0)
        break;
      jack_midi_data_t *event = jack_midi_event_reserve(buffer, 0, size);
      if (!event)
        break;
      jack_ringbuffer_read(port->ring, reinterpret_cast<char *>(event), size);
      took = true;
    }
  }
  if (took)
    sem_post(&m_outputRoom);
}

void TJackClient::WorkerLoop() {
  for (;;) {
    WaitOn(m_receivedReady);
    if (m_stopping)
      return;
    DeliverReceived();
  }
}

void TJackClient::DeliverReceived() {
  for (;;) {
    TRecord header;
    const size_t available = jack_ringbuffer_read_space(m_received);
    if (available < sizeof header)
      return;
    jack_ringbuffer_peek(m_received, reinterpret_cast<char *>(&header), sizeof header);
    if (available < sizeof header + header.size)
      return;
    jack_ringbuffer_read_advance(m_received, sizeof header);
    m_scratch.resize(header.size);
    jack_ringbuffer_read(m_received, reinterpret_cast<char *>(m_scratch.data()), header.size);

    std::lock_guard<std::mutex> lock(m_deliveryMutex);
    TInPort *port = m_in[header.slot].load(std::memory_order_acquire);
    if (port->generation.load(std::memory_order_acquire) == header.generation && m_handler)
      m_handler(header.slot, m_scratch.data(), m_scratch.size(), header.afterLoss != 0);
  }
}

} // namespace zpm
