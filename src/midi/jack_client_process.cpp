// SPDX-License-Identifier: GPL-3.0-or-later
// The realtime side of TJackClient: each process cycle moves received
// events into the incoming ring and queued pieces into JACK events; the
// worker thread hands received events and notices on.

#include "midi/jack_client.h"

#include "midi/jack_client_parts.h"
#include "midi/jack_ring.h"

#include <jack/midiport.h>

namespace zpm {

namespace {

// One received event in the incoming ring; header and bytes are published
// together so the worker never sees half a record.
struct TRecord {
  uint32_t slot;
  uint32_t generation;
  uint32_t size;
  uint32_t afterLoss;
};

} // namespace

int TJackClient::ProcessCallback(jack_nframes_t frames, void *arg) {
  TGuard *guard = static_cast<TGuard *>(arg);
  // Announced before the owner is read, so closing either sees this cycle
  // or this cycle sees no owner.
  guard->inProcess.store(true);
  if (TJackClient *self = guard->owner.load())
    self->Process(frames);
  guard->inProcess.store(false);
  return 0;
}

void TJackClient::Process(jack_nframes_t frames) {
  // Cycles this client missed carried events it never read. The server's
  // xrun notice does not say that: it also comes when another client was
  // late, with nothing we read lost. Either may have lost what we wrote.
  if (m_cycleClock.Missed(jack_last_frame_time(m_client), frames)) {
    MarkListeningBroken();
    m_fellBehind.fetch_add(1);
  }
  jack_nframes_t frame = 0;
  jack_time_t begun = 0;
  jack_time_t nextBegins = 0;
  float periodUsecs = 0;
  const bool timed =
      jack_get_cycle_times(m_client, &frame, &begun, &nextBegins, &periodUsecs) == 0 &&
      nextBegins > begun;
  ReadInputs(frames);
  WriteOutputs(frames);
  // Ended after the next cycle was due: the server went on without us.
  if (timed && jack_get_time() > nextBegins)
    m_fellBehind.fetch_add(1);
  m_cycles.fetch_add(1, std::memory_order_release);
  if (m_cycleWaiters.load(std::memory_order_acquire) > 0)
    sem_post(&m_cycleDone);
}

void TJackClient::MarkListeningBroken() {
  const size_t count = m_inCount.load(std::memory_order_acquire);
  for (size_t slot = 0; slot < count; ++slot) {
    TInPort *port = m_in[slot].load(std::memory_order_acquire);
    const uint32_t generation = port->generation.load(std::memory_order_acquire);
    if ((generation & 1) == 0)
      continue;
    // An empty record that says so; if even that does not fit, the next
    // record of the port carries the mark.
    const TRecord header{static_cast<uint32_t>(slot), generation, 0, 1u};
    if (!WriteRingRecord(m_received, &header, sizeof header, nullptr, 0))
      port->lostInGeneration = generation;
  }
  sem_post(&m_receivedReady);
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
      if (WriteRingRecord(m_received, &header, sizeof header, event.buffer, event.size)) {
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
    TCycleEvents cycle;
    for (;;) {
      if (port->pieceLeft == 0) {
        // Pieces are published whole: a size means its bytes are there.
        if (jack_ringbuffer_read_space(port->ring) < sizeof port->pieceLeft)
          break;
        jack_ringbuffer_read(port->ring, reinterpret_cast<char *>(&port->pieceLeft),
                             sizeof port->pieceLeft);
        took = true;
        continue;
      }
      const size_t size = cycle.Next(port->pieceLeft, jack_midi_max_event_size(buffer));
      if (size == 0)
        break;
      jack_midi_data_t *event = jack_midi_event_reserve(buffer, 0, size);
      if (!event)
        break;
      jack_ringbuffer_read(port->ring, reinterpret_cast<char *>(event), size);
      port->pieceLeft -= static_cast<uint32_t>(size);
      cycle.Took(size);
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
    DeliverNotices();
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
