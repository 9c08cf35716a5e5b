// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records in JACK ring buffers: a fixed header and its bytes, published
// together so the reading side never sees half a record; and how outgoing
// bytes are cut into pieces that each belong to one message.

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

} // namespace zpm
