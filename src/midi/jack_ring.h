// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records in JACK ring buffers: a fixed header and its bytes, published
// together so the reading side never sees half a record; how outgoing bytes
// are cut into pieces that each belong to one message; and how a process
// cycle cuts pieces into events that every JACK implementation carries.

#include <jack/ringbuffer.h>

#include <cstddef>
#include <cstdint>

namespace zpm {

// Writes header and bytes as one record, or nothing when they do not fit.
bool WriteRingRecord(jack_ringbuffer_t *ring, const void *header, size_t headerSize,
                     const uint8_t *bytes, size_t count);

// The length of the first piece of bytes that holds part of one message
// only: it ends after an F7, before an F0 that is not its first byte, or
// at limit. 0 only for count 0.
size_t MessagePieceSize(const uint8_t *bytes, size_t count, size_t limit);

// The events one output port writes in one process cycle. jackd2 takes
// events as large as its 32 KiB buffer. PipeWire's JACK library turns a
// cycle's events into one sequence of 32 KiB, where each event costs 16
// bytes plus its bytes rounded up to 8, and drops the whole cycle when they
// do not fit. Its jack_midi_max_event_size also promises one byte more than
// an event may hold: an event of exactly that size overwrites its own entry
// and crashes the process once the cycle ends. So events stay small and a
// cycle stays at half of what either takes.
class TCycleEvents {
public:
  static constexpr size_t kLargestEvent = 1024;
  static constexpr size_t kCycleCost = 16384;

  // The size of the next event for a piece with left bytes still to go,
  // given what the port buffer reports as room; 0 when the piece waits for
  // the next cycle. A piece that fits one event is cut only when nothing
  // else has been written in this cycle; a longer one fills what is left.
  size_t Next(size_t left, size_t room) const;
  void Took(size_t size) { m_cost += Cost(size); }

private:
  static size_t Cost(size_t size) { return 16 + (size + 7) / 8 * 8; }
  size_t m_cost = 0;
};

} // namespace zpm
